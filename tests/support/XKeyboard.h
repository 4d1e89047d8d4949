#pragma once
// Typing at the window-system level: key presses and releases sent to the X
// display named by DISPLAY through its XTEST extension, as a keyboard would
// send them (use a PrivateXServer, so nobody else's windows get them).

#include <string>
#include <utility>
#include <vector>

namespace rltest {

// Key symbol names ("Control_L", "Alt_L", "s") with true for a press and
// false for a release. False when the display or XTEST is missing or a
// name is unknown.
bool typeOnDisplay(const std::vector<std::pair<std::string, bool>>& keys);

// Ctrl+Alt+<key>: presses Control_L, Alt_L and the key, then releases them
// in reverse order.
bool typeControlAlt(const std::string& key);

}  // namespace rltest
