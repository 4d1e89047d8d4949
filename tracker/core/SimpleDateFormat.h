#pragma once
// Local date and time by a pattern of letters ("EEEE, MM/dd/yy 'at' h:mm a"):
// E weekday (4 or more: full name), M month (MMM short, MMMM full name),
// d day, y year (yy two digits), H hour 0-23, h hour 1-12, m minute,
// s second, a AM/PM, z the zone's abbreviation ("UTC", "CET"); text in single quotes is literal, '' is a quote.
// English names; other letters are copied as they are.

#include <cstdint>
#include <string>

namespace tracker {

class SimpleDateFormat {
public:
    explicit SimpleDateFormat(std::string pattern);

    // The time, ms since the epoch, in the local time zone.
    std::string format(int64_t millis) const;

    const std::string& getPattern() const { return m_pattern; }

private:
    std::string m_pattern;
};

}  // namespace tracker
