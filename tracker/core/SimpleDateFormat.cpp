#include "tracker/core/SimpleDateFormat.h"

#include <ctime>
#include <utility>

namespace tracker {

namespace {

const char* const WEEKDAYS[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const MONTHS[] = {"January", "February", "March",     "April",   "May",      "June",
                              "July",    "August",   "September", "October", "November", "December"};

std::string padded(int value, size_t width) {
    std::string text = std::to_string(value);
    if (text.size() < width) text.insert(0, width - text.size(), '0');
    return text;
}

bool isPatternLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

SimpleDateFormat::SimpleDateFormat(std::string pattern) : m_pattern(std::move(pattern)) {}

std::string SimpleDateFormat::format(int64_t millis) const {
    std::time_t seconds = static_cast<std::time_t>(millis / 1000);
    if (millis % 1000 < 0) --seconds;
    std::tm tm{};
    localtime_r(&seconds, &tm);

    std::string out;
    size_t i = 0;
    const std::string& p = m_pattern;
    while (i < p.size()) {
        char c = p[i];
        if (c == '\'') {
            if (i + 1 < p.size() && p[i + 1] == '\'') {
                out += '\'';
                i += 2;
                continue;
            }
            size_t end = i + 1;
            while (end < p.size()) {
                if (p[end] == '\'') {
                    if (end + 1 < p.size() && p[end + 1] == '\'') {
                        out += '\'';
                        end += 2;
                        continue;
                    }
                    break;
                }
                out += p[end++];
            }
            i = end + 1;
            continue;
        }
        if (!isPatternLetter(c)) {
            out += c;
            ++i;
            continue;
        }
        size_t run = 1;
        while (i + run < p.size() && p[i + run] == c) ++run;
        switch (c) {
        case 'E': {
            std::string name = WEEKDAYS[tm.tm_wday];
            out += run >= 4 ? name : name.substr(0, 3);
            break;
        }
        case 'M':
            if (run >= 4) out += MONTHS[tm.tm_mon];
            else if (run == 3) out += std::string(MONTHS[tm.tm_mon]).substr(0, 3);
            else out += padded(tm.tm_mon + 1, run);
            break;
        case 'd': out += padded(tm.tm_mday, run); break;
        case 'y': {
            int year = tm.tm_year + 1900;
            out += run == 2 ? padded(year % 100, 2) : padded(year, run);
            break;
        }
        case 'H': out += padded(tm.tm_hour, run); break;
        case 'h': {
            int h = tm.tm_hour % 12;
            out += padded(h == 0 ? 12 : h, run);
            break;
        }
        case 'm': out += padded(tm.tm_min, run); break;
        case 's': out += padded(tm.tm_sec, run); break;
        case 'a': out += tm.tm_hour < 12 ? "AM" : "PM"; break;
        case 'z': out += tm.tm_zone ? tm.tm_zone : ""; break;
        default: out.append(run, c); break;
        }
        i += run;
    }
    return out;
}

}  // namespace tracker
