#pragma once
// What tests can set and see of the headless backend beyond the facade.
// Each function throws ToolkitException(ERROR_INVALID_ARGUMENT) when the
// display or widget does not belong to the headless backend.

#include "platform/toolkit/Types.h"

#include <string>
#include <vector>

namespace tk {
class Display;
class Browser;
}

namespace tk::headless {

struct Screen {
    Rectangle bounds{0, 0, 1280, 1024};
    Rectangle clientArea{0, 0, 1280, 994};
    int titleBarHeight = 26;
    bool tray = true;  // read when the tray is first asked for
};

bool isHeadless(const Display& display);
void setScreen(Display& display, const Screen& screen);
Screen getScreen(const Display& display);

// What a headless browser holds and has been asked to do.
struct BrowserRecord {
    std::string url;   // the document shown ("" before the first load)
    std::string text;  // its text: the file read, or the markup given
    bool found = false;  // the file could be read
    // "navigate <url>", "text", "refresh", "back", "forward", "stop",
    // "command <id> <option>", "loaded <url>", "missing <url>".
    std::vector<std::string> log;
};

const BrowserRecord& browserRecord(const Browser& browser);

// A cookie handed to the browsers' shared store (Browser::setCookie): the
// address that set it and its Set-Cookie field, in the order they came.
struct BrowserCookie {
    std::string url;
    std::string setCookie;
    bool operator==(const BrowserCookie&) const = default;
};
std::vector<BrowserCookie> browserCookies(const Display& display);

// The local path a file address names ("" when it is no file address):
// "file:///tmp/a%20b.html?x" gives "/tmp/a b.html".
std::string pathOfFileUrl(const std::string& url);

}  // namespace tk::headless
