#include "platform/toolkit/qt/QtAccess.h"

#include "platform/toolkit/Browser.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/qt/QtBrowserPeer.h"
#include "platform/toolkit/qt/QtControlPeer.h"
#include "platform/toolkit/qt/QtDisplayPeer.h"

#include <QImage>
#include <QPixmap>
#include <QVariant>
#include <QWebEngineView>

#include <chrono>
#include <memory>

namespace tk::qt {

namespace {
constexpr int POLL_MILLIS = 25;
// A grab costs a full draw of the widget: look at most this often.
constexpr int DRAWN_CHECK_MILLIS = 100;

bool hasTwoColours(const QImage& image) {
    if (image.isNull()) return false;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            if (image.pixel(x, y) != first) return true;
        }
    }
    return false;
}
}  // namespace

bool isQt(const Display& display) {
    if (display.isDisposed()) return false;
    return dynamic_cast<QtDisplayPeer*>(&const_cast<Display&>(display).peer()) != nullptr;
}

QWidget* nativeWidget(const Control& control) { return widgetOf(control.getPeer()); }

QWebEngineView* webView(const Browser& browser) {
    auto* peer = dynamic_cast<QtBrowserPeer*>(browser.getBrowserPeer());
    return peer != nullptr ? peer->view() : nullptr;
}

bool runUntil(Display& display, const std::function<bool()>& done, int timeoutMillis) {
    // The timers own what they touch, and leave with this call however it
    // ends (a listener's failure comes out of readAndDispatch): no timer may
    // point into a frame that is gone.
    auto timedOut = std::make_shared<bool>(false);
    auto deadline = runnable([timedOut] { *timedOut = true; });
    // Conditions outside the loop's sight (a file on disk) are looked at
    // every few milliseconds.
    auto poll = std::make_shared<std::shared_ptr<Runnable>>();
    *poll = runnable([&display, weak = std::weak_ptr<std::shared_ptr<Runnable>>(poll)] {
        if (auto again = weak.lock()) display.timerExec(POLL_MILLIS, *again);
    });
    struct Cancel {
        Display& display;
        std::shared_ptr<Runnable> deadline;
        std::shared_ptr<Runnable> poll;
        ~Cancel() {
            if (display.isDisposed()) return;
            display.timerExec(-1, deadline);
            display.timerExec(-1, poll);
        }
    } cancel{display, deadline, *poll};
    display.timerExec(timeoutMillis, deadline);
    display.timerExec(POLL_MILLIS, *poll);
    // The condition is read once a turn: a second reading (a screen grab,
    // say) may disagree with the one that ended the wait.
    for (;;) {
        if (done()) return true;
        if (*timedOut || display.isDisposed()) return false;
        if (!display.readAndDispatch()) display.sleep();
    }
}

std::optional<std::string> runScript(Browser& browser, const std::string& script, int timeoutMillis) {
    QWebEngineView* view = webView(browser);
    if (view == nullptr) return std::nullopt;
    auto answer = std::make_shared<std::optional<std::string>>();
    view->page()->runJavaScript(qs(script), [answer](const QVariant& value) {
        *answer = value.isValid() ? us(value.toString()) : std::string();
    });
    runUntil(*browser.getDisplay(), [answer] { return answer->has_value(); }, timeoutMillis);
    return *answer;
}

std::optional<std::string> pageText(Browser& browser, int timeoutMillis) {
    QWebEngineView* view = webView(browser);
    if (view == nullptr) return std::nullopt;
    auto answer = std::make_shared<std::optional<std::string>>();
    view->page()->toPlainText([answer](const QString& text) { *answer = us(text); });
    runUntil(*browser.getDisplay(), [answer] { return answer->has_value(); }, timeoutMillis);
    return *answer;
}

bool waitUntilDrawn(Browser& browser, int timeoutMillis) {
    QWidget* widget = webView(browser);
    if (widget == nullptr) return false;
    using Clock = std::chrono::steady_clock;
    Clock::time_point next = Clock::now();
    bool drawn = false;
    runUntil(
        *browser.getDisplay(),
        [&] {
            if (drawn || Clock::now() < next) return drawn;
            next = Clock::now() + std::chrono::milliseconds(DRAWN_CHECK_MILLIS);
            drawn = hasTwoColours(widget->grab().toImage());
            return drawn;
        },
        timeoutMillis);
    return drawn;
}

bool saveScreenshot(const Control& control, const std::string& path) {
    QWidget* widget = nativeWidget(control);
    if (widget == nullptr) return false;
    QPixmap picture = widget->grab();
    return !picture.isNull() && picture.save(qs(path), "PNG");
}

}  // namespace tk::qt
