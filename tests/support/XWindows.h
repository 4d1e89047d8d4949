#pragma once
// What a program shows on the X display named by DISPLAY: the titles of its
// mapped top-level windows, as the window system knows them. Lets a test
// that starts a program wait until a box or form of it is really open.

#include <optional>
#include <string>
#include <vector>

namespace rltest {

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// Titles of the viewable top-level windows (the window manager's frames
// looked through); empty when the display cannot be opened.
std::vector<std::string> shownWindowTitles();

// How many viewable top-level windows carry exactly this title.
int shownWindowsTitled(const std::string& title);

// Gives the keyboard focus to the viewable top-level window titled title
// (the topmost of several); false when there is none.
bool focusWindowTitled(const std::string& title);

// The top left corner of a window's drawing area on the screen, as the
// window system has it; nothing while the window is not shown.
std::optional<ScreenPoint> shownWindowOrigin(unsigned long window);

}  // namespace rltest
