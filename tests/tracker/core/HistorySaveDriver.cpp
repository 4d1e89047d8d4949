// Saves balance points to the history file of its working folder until it
// is killed: round after round of `count` points, each one recognisable from
// its time alone (user = time % 5, balance = time + 0.25), starting at the
// time given as the first argument. Used by the history kill test.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/Logger.h"
#include "tracker/core/History.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    int64_t next = std::strtoll(argv[1], nullptr, 10);
    const int count = std::atoi(argv[2]);
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 1000000;
    foundation::Logger::setLogFilePath("driver.log");
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < count; ++i, ++next) {
            tracker::History::addEntry(static_cast<int>(next % 5), "KD", next, static_cast<float>(next) + 0.25f);
        }
        tracker::History::save();
        if (tracker::History::newEntryCount() != 0) return 1;
    }
    return 0;
}
