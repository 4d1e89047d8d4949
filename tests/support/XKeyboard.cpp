#include "tests/support/XKeyboard.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace rltest {

bool typeOnDisplay(const std::vector<std::pair<std::string, bool>>& keys) {
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    int event = 0, error = 0, major = 0, minor = 0;
    bool ok = XTestQueryExtension(display, &event, &error, &major, &minor);
    for (size_t i = 0; ok && i < keys.size(); ++i) {
        KeySym keysym = XStringToKeysym(keys[i].first.c_str());
        KeyCode code = keysym == NoSymbol ? 0 : XKeysymToKeycode(display, keysym);
        if (code == 0) {
            ok = false;
            break;
        }
        XTestFakeKeyEvent(display, code, keys[i].second ? True : False, CurrentTime);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return ok;
}

bool typeControlAlt(const std::string& key) {
    return typeOnDisplay(
        {{"Control_L", true}, {"Alt_L", true}, {key, true}, {key, false}, {"Alt_L", false}, {"Control_L", false}});
}

}  // namespace rltest
