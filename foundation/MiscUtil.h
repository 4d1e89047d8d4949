#pragma once
// A process-wide stopwatch for verbose timing entries, a plain code-unit
// sort of texts, and the date stamps of backup names and error reports.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

class MiscUtil {
public:
    static void resetTimer();
    // At verbose level logs "<ms since the last reset> ms - <label>".
    static void printTimer();
    static void printTimer(const std::string& label);

    // Ascending order of comesBefore; an exchange sort, meant for short lists.
    static void sort(std::vector<std::string>& list);
    // Throws std::out_of_range for a position outside the list.
    static void swap(std::vector<std::string>& list, int i, int j);
    // Strictly before, comparing the UTF-16 code units of the texts as
    // unsigned numbers; a prefix comes first. No locale rules.
    static bool comesBefore(std::string_view a, std::string_view b);

    // Local date "MM-dd-yy".
    static std::string getCurrentDateString();
    // Local date and time "MM-dd-yy hh:mm:ss AM".
    static std::string getCurrentDateTimeString();

    // The stopwatch start, ms since 1970 (0 until the first reset).
    static int64_t timerStart();
};

}  // namespace foundation
