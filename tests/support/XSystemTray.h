#pragma once
// A small system tray on the X display named by DISPLAY (use a
// PrivateXServer): it owns the screen's _NET_SYSTEM_TRAY_S selection, takes
// each icon that asks to dock (SYSTEM_TRAY_REQUEST_DOCK) into a strip of
// its own at the place the test chose, and clicks an icon through XTEST as
// a mouse would. It reads its requests only while the test pumps it.

#include "tests/support/XWindows.h"

#include <optional>
#include <string>
#include <vector>

namespace rltest {

class XSystemTray {
public:
    // The strip's top left corner on the screen.
    XSystemTray(int x, int y);
    ~XSystemTray();
    XSystemTray(const XSystemTray&) = delete;
    XSystemTray& operator=(const XSystemTray&) = delete;

    // False when the tray could not take the selection; the reason is in
    // error().
    bool running() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }

    // Docks the icons that asked meanwhile; answers how many are docked and
    // shown.
    int pump();
    // Moves the pointer to the middle of a docked icon and presses and
    // releases the button there (1 left, 3 right); answers the point.
    std::optional<ScreenPoint> clickIcon(int index, int button);

private:
    void dock(unsigned long icon);

    void* m_x = nullptr;  // the tray's own connection (an Xlib Display)
    unsigned long m_strip = 0;
    unsigned long m_opcode = 0;
    std::vector<unsigned long> m_icons;
    std::string m_error;
};

}  // namespace rltest
