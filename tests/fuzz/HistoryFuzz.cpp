// The balance history file: any bytes load (malformed lines and an
// unfinished last line skipped), each point read survives its own line
// text, and removing a user rewrites a file that loads back with exactly the
// other users' points.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/fuzz/FuzzSupport.h"
#include "tracker/core/History.h"
#include "tracker/core/HistoryEntry.h"

namespace {

// -0 is written as 0 on purpose.
bool sameBalance(float a, float b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rlfuzz::enterWorkFolder();
    tracker::History::reset();
    const std::string path = tracker::History::getFilePath();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) rlfuzz::fail("cannot write the history file");
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);

    tracker::History::load();
    const size_t loaded = tracker::History::size();

    // Each line on its own, as the loader takes it.
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    size_t others = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        // A last line without its line end was never written whole: the
        // loader drops it.
        const bool finished = end != std::string::npos;
        if (!finished) end = text.size();
        tracker::HistoryEntry entry(0, "", 0, 0.0f);
        if (tracker::HistoryEntry::parse(std::string_view(text).substr(start, end - start), entry)) {
            tracker::HistoryEntry again(0, "", 0, 0.0f);
            rlfuzz::check(tracker::HistoryEntry::parse(entry.toString(), again), "a point's line does not parse");
            rlfuzz::check(again.getUser() == entry.getUser() && again.getSource() == entry.getSource() &&
                              again.getDate() == entry.getDate() && sameBalance(again.getBalance(), entry.getBalance()),
                          "a point's line reads back different: " + entry.toString());
            if (finished && entry.getUser() != 0) ++others;
            (void)tracker::History::getEntries(entry.getUser(), entry.getSource(), true);
        }
        start = end + 1;
    }
    rlfuzz::check(others <= loaded, "fewer points loaded than lines parse");

    if (tracker::History::removeUser(0)) {
        tracker::History::reset();
        tracker::History::load();
        rlfuzz::check(tracker::History::size() == others, "removing user 0 kept a wrong number of points");
    }
    return 0;
}
