// The portal with a window manager (openbox on an X display of the test's
// own, Qt backend): the tracker window lies over the inner pane under the
// frame openbox draws; a click on the portal's window raises the portal,
// and the tracker window stays above it; clicking "Balances" again shows
// it; it moves along with the portal. Ctrl+Alt+S brings a minimised portal
// back.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QPoint>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/toolkit/qt/QtBackend.h"
#include "tests/portal/window/OnScreen.h"
#include "tests/portal/window/PortalFixture.h"
#include "tests/support/BrowserSession.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/XKeyboard.h"
#include "tests/support/Wait.h"
#include "tracker/ui/RLAppLanternbay.h"

// Xlib last: its macros would clash with the names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

extern char** environ;

namespace rltest::portaltest {
namespace {

constexpr int WAIT_MS = 60000;

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

// The X display of this process, with openbox managing it; DISPLAY names
// it from the first use on. Made before the toolkit's first display, so that
// the windows go there, and kept until the process ends: Qt connects to one
// display per process and never lets go of it, and the web engine's threads
// send requests over that connection at times of their own, so a server
// that went before the process would end it ("The X11 connection broke").
// The server ends by itself once its last client has left (-terminate);
// end() stops openbox, the one client that would stay.
class ManagedDisplay {
public:
    static ManagedDisplay& get() {
        static ManagedDisplay* display = new ManagedDisplay();
        return *display;
    }

    void end() {
        if (m_openbox > 0) {
            ::kill(m_openbox, SIGTERM);
            ::waitpid(m_openbox, nullptr, 0);
            m_openbox = -1;
        }
        if (m_x != nullptr) XCloseDisplay(m_x);
        m_x = nullptr;
    }

    const std::string& missing() const { return m_missing; }

    // The managed windows from the bottom up, as the window manager stacks
    // them.
    std::vector<unsigned long> stacking() const { return rootWindows("_NET_CLIENT_LIST_STACKING"); }

    // Whether upper is stacked above lower (both managed).
    bool above(unsigned long upper, unsigned long lower) const {
        const auto windows = stacking();
        const auto up = std::find(windows.begin(), windows.end(), upper);
        const auto down = std::find(windows.begin(), windows.end(), lower);
        return up != windows.end() && down != windows.end() && up > down;
    }

    bool onTop(unsigned long window) const {
        const auto windows = stacking();
        return !windows.empty() && windows.back() == window;
    }

    // The window manager's minimise button.
    void minimize(unsigned long window) {
        XIconifyWindow(m_x, window, DefaultScreen(m_x));
        XFlush(m_x);
    }
    bool iconic(unsigned long window) const {
        const Atom state = XInternAtom(m_x, "WM_STATE", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        bool found = XGetWindowProperty(m_x, window, state, 0, 2, False, state, &type, &format, &count, &after,
                                        &data) == Success &&
                     data != nullptr && count > 0 && reinterpret_cast<const long*>(data)[0] == IconicState;
        if (data != nullptr) XFree(data);
        return found;
    }
    // A click of the first mouse button at a point of the screen, as a
    // mouse would send it.
    bool click(const QPoint& at) {
        if (!XTestFakeMotionEvent(m_x, -1, at.x(), at.y(), CurrentTime)) return false;
        XTestFakeButtonEvent(m_x, 1, True, CurrentTime);
        XTestFakeButtonEvent(m_x, 1, False, CurrentTime);
        XFlush(m_x);
        return true;
    }

private:
    ManagedDisplay() {
        if (!onPath("openbox")) {
            m_missing = "openbox is not installed (scripts/setup.sh installs it)";
            return;
        }
        // Left to end with its last client: never destroyed.
        m_server = new PrivateXServer({"-terminate"});
        if (!m_server->running()) {
            m_missing = "no private X display: " + m_server->error();
            return;
        }
        m_x = XOpenDisplay(nullptr);
        if (m_x == nullptr) {
            m_missing = "cannot open " + m_server->name();
            return;
        }
        char program[] = "openbox";
        char noSession[] = "--sm-disable";
        char* argv[] = {program, noSession, nullptr};
        if (::posix_spawnp(&m_openbox, "openbox", nullptr, nullptr, argv, environ) != 0) {
            m_openbox = -1;
            m_missing = "openbox could not be started";
            return;
        }
        if (!waitFor([this] { return managed(); }, 30000)) m_missing = "openbox did not take the display";
    }

    bool managed() const { return rootWindows("_NET_SUPPORTING_WM_CHECK").size() == 1; }

    // A window-list property of the root window.
    std::vector<unsigned long> rootWindows(const char* property) const {
        std::vector<unsigned long> windows;
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        const Atom name = XInternAtom(m_x, property, False);
        if (XGetWindowProperty(m_x, DefaultRootWindow(m_x), name, 0, 4096, False, XA_WINDOW, &type, &format, &count,
                               &after, &data) == Success &&
            data != nullptr && format == 32) {
            const auto* ids = reinterpret_cast<const unsigned long*>(data);
            windows.assign(ids, ids + count);
        }
        if (data != nullptr) XFree(data);
        return windows;
    }

    PrivateXServer* m_server = nullptr;
    Display* m_x = nullptr;
    pid_t m_openbox = -1;
    std::string m_missing;
};

class PortalStacking : public PortalTest {
protected:
    PortalStacking() : PortalTest(backend(ManagedDisplay::get().missing().empty())) {}

    static void TearDownTestSuite() { ManagedDisplay::get().end(); }

    static const char* backend(bool managed) {
        if (!managed || !haveDisplay()) return "headless";
        tk::qt::registerBackend();
        return "qt";
    }

    void SetUp() override {
        if (!wm.missing().empty()) GTEST_SKIP() << wm.missing();
        // The tracker's first start asks whether to take over an earlier
        // installation: no.
        driver.scriptDialogs(true);
    }

    static unsigned long windowOf(tk::Shell& shell) { return tk::qt::nativeWidget(shell)->winId(); }

    // Clicks at a point of the portal's window and waits until the press has
    // reached the program: the window manager raises on the press before it
    // hands it on, so what the click restacks is done by then. Without the
    // wait, a raise still on its way lands on top of the next step's stacking.
    bool clickPortal(const QPoint& at) {
        const int before = m_presses.count;
        if (!wm.click(at)) return false;
        return tk::qt::runUntil(display, [&] { return m_presses.count > before; }, WAIT_MS);
    }
    // Counts the presses from here on; the application exists by then.
    void watchPresses() { m_filter = std::make_unique<Filter>(m_presses); }

    ManagedDisplay& wm = ManagedDisplay::get();

private:
    struct PressCounter : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::MouseButtonPress) ++count;
            return false;
        }
    };
    struct Filter {
        explicit Filter(PressCounter& counter) : counter(counter) {
            if (qApp != nullptr) qApp->installEventFilter(&counter);
        }
        ~Filter() {
            if (qApp != nullptr) qApp->removeEventFilter(&counter);
        }
        PressCounter& counter;
    };
    PressCounter m_presses;
    std::unique_ptr<Filter> m_filter;
};

TEST_F(PortalStacking, TheTrackerWindowStaysAboveThePortalAndFollowsIt) {
    content::scriptContentSites(web, "");
    LBApp& portal = start(false);
    tk::Shell* shell = portal.getShell();
    ASSERT_TRUE(onscreen::waitUntilPainted(display, *portal.getOuterBrowser(), url("mapquest.html"), WAIT_MS));

    portal.navigateOuterBrowser("roamledger.html", true);
    tracker::ui::RLAppLanternbay* tracker = portal.getTrackerWindow();
    ASSERT_NE(tracker, nullptr);
    auto* trackerShell = dynamic_cast<tk::Shell*>(tracker->getComposite());
    ASSERT_NE(trackerShell, nullptr);
    const unsigned long portalWindow = windowOf(*shell);
    const unsigned long trackerWindow = windowOf(*trackerShell);
    ASSERT_TRUE(tk::qt::runUntil(display, [&] { return wm.above(trackerWindow, portalWindow); }, WAIT_MS))
        << "the tracker window shown above the portal";

    // It lies over the inner pane, under the frame the window manager draws,
    // and clear of the panel's strip below it (its search box and buttons).
    const auto overInnerPane = [&] {
        const QRect placed = tk::qt::nativeWidget(*trackerShell)->geometry();
        const QPoint inner = tk::qt::nativeWidget(*portal.getInnerBrowser())->mapToGlobal(QPoint(0, 0));
        const int strip = tk::qt::nativeWidget(*portal.getPopupMenu()->getFrame())->mapToGlobal(QPoint(0, 0)).y();
        return placed.top() == inner.y() && placed.bottom() < strip;
    };
    EXPECT_TRUE(tk::qt::runUntil(display, overInnerPane, WAIT_MS)) << "the tracker window over the inner pane";

    // A click on the portal's window beside the tracker raises the portal;
    // the tracker stays above it.
    const QPoint beside = tk::qt::nativeWidget(*shell)->mapToGlobal(QPoint(40, 300));
    watchPresses();
    ASSERT_TRUE(clickPortal(beside)) << "the click's press reaching the portal";
    ASSERT_TRUE(tk::qt::runUntil(display, [&] { return QApplication::activeWindow() != nullptr; }, WAIT_MS))
        << "the click activating the portal";
    EXPECT_TRUE(tk::qt::runUntil(display, [&] { return wm.above(trackerWindow, portalWindow); }, WAIT_MS));
    // What the click changes comes in later; the order must hold after it
    // (a fixed pause: checking that the tracker does NOT go under).
    tk::qt::runUntil(display, [] { return false; }, 1000);
    EXPECT_TRUE(wm.above(trackerWindow, portalWindow));

    // Another tab hides the tracker; "Balances" brings it back on top.
    portal.navigateOuterBrowser("weatherbug.html", true);
    EXPECT_TRUE(tk::qt::runUntil(display, [&] { return !tk::qt::nativeWidget(*trackerShell)->isVisible(); }, WAIT_MS));
    ASSERT_TRUE(clickPortal(beside)) << "the second click's press reaching the portal";
    portal.navigateOuterBrowser("roamledger.html", true);
    EXPECT_TRUE(tk::qt::runUntil(display, [&] { return wm.above(trackerWindow, portalWindow); }, WAIT_MS))
        << "the tracker window above the portal after Balances";
    // Clicking "Balances" while it shows keeps it there.
    portal.navigateOuterBrowser("roamledger.html", true);
    EXPECT_TRUE(trackerShell->isVisible());
    EXPECT_TRUE(wm.above(trackerWindow, portalWindow));

    // Moving the portal moves the tracker along.
    const tk::Point at = shell->getLocation();
    shell->setLocation(at.x + 40, at.y + 30);
    EXPECT_TRUE(
        tk::qt::runUntil(display, [&] { return trackerShell->getLocation() == portal.getTrackerLocation(); }, WAIT_MS));

    portal.exit();
    portal.cleanUp();
    EXPECT_EQ(endStatuses, (std::vector<int>{0}));
}

TEST_F(PortalStacking, CtrlAltSBringsAMinimisedPortalBackToTheFront) {
    content::scriptContentSites(web, "");
    LBApp& portal = start(false);
    tk::Shell* shell = portal.getShell();
    const unsigned long window = windowOf(*shell);
    ASSERT_TRUE(tk::qt::runUntil(display, [&] { return wm.onTop(window); }, WAIT_MS)) << "the portal managed";
    // openbox offers a minimise button, though the window asks for none.
    wm.minimize(window);
    ASSERT_TRUE(tk::qt::runUntil(display, [&] { return shell->getMinimized(); }, WAIT_MS)) << "the portal minimised";
    ASSERT_TRUE(typeControlAlt("s"));
    EXPECT_TRUE(tk::qt::runUntil(
        display,
        [&] {
            return !wm.iconic(window) && wm.onTop(window) &&
                   QApplication::activeWindow() == tk::qt::nativeWidget(*shell);
        },
        WAIT_MS))
        << "the portal shown, on top and active";
    EXPECT_FALSE(shell->getMinimized());

    portal.exit();
    portal.cleanUp();
}

}  // namespace
}  // namespace rltest::portaltest
