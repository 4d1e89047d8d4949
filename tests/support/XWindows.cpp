#include "tests/support/XWindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <functional>

namespace rltest {

namespace {

// Ignores the errors of windows that go while they are looked at.
int ignoreErrors(::Display*, XErrorEvent*) { return 0; }

std::string titleOf(::Display* display, Window window) {
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 4096, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr && type == utf8) {
        title.assign(reinterpret_cast<char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    if (!title.empty()) return title;
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

// Each viewable child of the root, or the client inside a frame.
void forEachShown(::Display* display, const std::function<void(Window, const std::string&)>& visit) {
    Window root = DefaultRootWindow(display), parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count)) return;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable) continue;
        std::string title = titleOf(display, children[i]);
        Window client = children[i];
        if (title.empty()) {
            // A frame of a window manager: its client is a child.
            Window r = 0, p = 0;
            Window* inner = nullptr;
            unsigned int n = 0;
            if (XQueryTree(display, children[i], &r, &p, &inner, &n)) {
                for (unsigned int j = 0; j < n && title.empty(); ++j) {
                    title = titleOf(display, inner[j]);
                    client = inner[j];
                }
                if (inner != nullptr) XFree(inner);
            }
        }
        if (!title.empty()) visit(client, title);
    }
    if (children != nullptr) XFree(children);
}

}  // namespace

std::vector<std::string> shownWindowTitles() {
    std::vector<std::string> titles;
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return titles;
    auto previous = XSetErrorHandler(ignoreErrors);
    forEachShown(display, [&](Window, const std::string& title) { titles.push_back(title); });
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return titles;
}

int shownWindowsTitled(const std::string& title) {
    auto titles = shownWindowTitles();
    return static_cast<int>(std::count(titles.begin(), titles.end(), title));
}

bool focusWindowTitled(const std::string& title) {
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    auto previous = XSetErrorHandler(ignoreErrors);
    // The children of the root come bottom first: the last match is the
    // topmost, e.g. a box over a dialog of the same title.
    Window topmost = 0;
    forEachShown(display, [&](Window window, const std::string& shown) {
        if (shown == title) topmost = window;
    });
    const bool found = topmost != 0;
    if (found) {
        XRaiseWindow(display, topmost);
        XSetInputFocus(display, topmost, RevertToPointerRoot, CurrentTime);
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return found;
}

std::optional<ScreenPoint> shownWindowOrigin(unsigned long window) {
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return std::nullopt;
    auto previous = XSetErrorHandler(ignoreErrors);
    std::optional<ScreenPoint> origin;
    XWindowAttributes attributes;
    Window child = 0;
    int x = 0, y = 0;
    if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable &&
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child)) {
        origin = ScreenPoint{x, y};
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return origin;
}

}  // namespace rltest
