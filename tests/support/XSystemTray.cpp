#include "tests/support/XSystemTray.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

namespace rltest {

namespace {

constexpr int STRIP_WIDTH = 160;
constexpr int STRIP_HEIGHT = 24;
constexpr long SYSTEM_TRAY_REQUEST_DOCK = 0;
constexpr long XEMBED_EMBEDDED_NOTIFY = 0;

// An icon may go while it is docked or clicked.
int ignoreErrors(::Display*, XErrorEvent*) { return 0; }

::Display* xOf(void* x) { return static_cast<::Display*>(x); }

}  // namespace

XSystemTray::XSystemTray(int x, int y) {
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        m_error = "cannot open the X display";
        return;
    }
    m_x = display;
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    // A strip of its own above everything, as a panel's tray stands.
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = 0xB0B0B0;
    attributes.event_mask = SubstructureNotifyMask;
    m_strip = XCreateWindow(display, root, x, y, STRIP_WIDTH, STRIP_HEIGHT, 0, CopyFromParent, InputOutput,
                            CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
    XMapRaised(display, m_strip);
    m_opcode = XInternAtom(display, "_NET_SYSTEM_TRAY_OPCODE", False);
    const Atom selection = XInternAtom(display, ("_NET_SYSTEM_TRAY_S" + std::to_string(screen)).c_str(), False);
    XSetSelectionOwner(display, selection, m_strip, CurrentTime);
    if (XGetSelectionOwner(display, selection) != m_strip) {
        m_error = "another tray owns the display's tray selection";
        return;
    }
    // Tells the clients that wait for a tray that one is here.
    XEvent manager{};
    manager.xclient.type = ClientMessage;
    manager.xclient.window = root;
    manager.xclient.message_type = XInternAtom(display, "MANAGER", False);
    manager.xclient.format = 32;
    manager.xclient.data.l[0] = CurrentTime;
    manager.xclient.data.l[1] = static_cast<long>(selection);
    manager.xclient.data.l[2] = static_cast<long>(m_strip);
    XSendEvent(display, root, False, StructureNotifyMask, &manager);
    XSync(display, False);
}

XSystemTray::~XSystemTray() {
    if (m_x == nullptr) return;
    ::Display* display = xOf(m_x);
    auto previous = XSetErrorHandler(ignoreErrors);
    // Docked icons go back to the root, as a tray that ends leaves them.
    for (unsigned long icon : m_icons) XReparentWindow(display, icon, DefaultRootWindow(display), 0, 0);
    if (m_strip != 0) XDestroyWindow(display, m_strip);
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
}

int XSystemTray::pump() {
    if (m_x == nullptr || !running()) return 0;
    ::Display* display = xOf(m_x);
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage && event.xclient.message_type == m_opcode &&
            event.xclient.data.l[1] == SYSTEM_TRAY_REQUEST_DOCK) {
            dock(static_cast<unsigned long>(event.xclient.data.l[2]));
        } else if (event.type == DestroyNotify) {
            m_icons.erase(std::remove(m_icons.begin(), m_icons.end(), event.xdestroywindow.window), m_icons.end());
        }
    }
    int shown = 0;
    auto previous = XSetErrorHandler(ignoreErrors);
    for (unsigned long icon : m_icons) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, icon, &attributes) && attributes.map_state == IsViewable) ++shown;
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    return shown;
}

void XSystemTray::dock(unsigned long icon) {
    ::Display* display = xOf(m_x);
    auto previous = XSetErrorHandler(ignoreErrors);
    const int place = static_cast<int>(m_icons.size()) * STRIP_HEIGHT;
    XReparentWindow(display, icon, m_strip, place, 0);
    XMapRaised(display, icon);
    // The embedding protocol's word that the icon now lives in the tray.
    const Atom xembed = XInternAtom(display, "_XEMBED", False);
    XEvent notify{};
    notify.xclient.type = ClientMessage;
    notify.xclient.window = icon;
    notify.xclient.message_type = xembed;
    notify.xclient.format = 32;
    notify.xclient.data.l[0] = CurrentTime;
    notify.xclient.data.l[1] = XEMBED_EMBEDDED_NOTIFY;
    notify.xclient.data.l[3] = static_cast<long>(m_strip);
    XSendEvent(display, icon, False, NoEventMask, &notify);
    XSync(display, False);
    XSetErrorHandler(previous);
    m_icons.push_back(icon);
}

std::optional<ScreenPoint> XSystemTray::clickIcon(int index, int button) {
    if (m_x == nullptr || index < 0 || index >= static_cast<int>(m_icons.size())) return std::nullopt;
    ::Display* display = xOf(m_x);
    const Window icon = m_icons[index];
    auto previous = XSetErrorHandler(ignoreErrors);
    XWindowAttributes attributes;
    Window child = 0;
    int x = 0, y = 0;
    const bool found = XGetWindowAttributes(display, icon, &attributes) && attributes.map_state == IsViewable &&
                       XTranslateCoordinates(display, icon, DefaultRootWindow(display), attributes.width / 2,
                                             attributes.height / 2, &x, &y, &child);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (!found) return std::nullopt;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) return std::nullopt;
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display, static_cast<unsigned int>(button), True, CurrentTime);
    XTestFakeButtonEvent(display, static_cast<unsigned int>(button), False, CurrentTime);
    XSync(display, False);
    return ScreenPoint{x, y};
}

}  // namespace rltest
