#pragma once
// The message centre: a small modal window over the portal in which the
// product's server shows the user a page. The page's address carries the
// content size as "w=" and "h=" query values. Every link in the page either
// closes the window (an address holding "CloseWindow") or opens in the
// user's own browser.

#include <string>

#include "platform/toolkit/Types.h"

namespace tk {
class Display;
class Shell;
}  // namespace tk

namespace portal {

class MessageCenter {
public:
    static constexpr const char* TITLE = "Lanternbay Message Center";
    static constexpr int DEFAULT_WIDTH = 876;
    static constexpr int DEFAULT_HEIGHT = 688;

    // Builds, opens and runs the window; returns once it was closed.
    MessageCenter(tk::Display* display, tk::Shell* parentShell, const std::string& url);

    // The content size the address asks for; a value that cannot be read
    // keeps the default (the failure is logged).
    static tk::Point contentSize(const std::string& url);
};

}  // namespace portal
