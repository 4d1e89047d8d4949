#include "platform/toolkit/qt/QtAccess.h"

#include "platform/toolkit/Browser.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/qt/QtBrowserPeer.h"
#include "platform/toolkit/qt/QtControlPeer.h"
#include "platform/toolkit/qt/QtDisplayPeer.h"

#include <QPixmap>
#include <QVariant>
#include <QWebEngineView>

#include <memory>

namespace tk::qt {

namespace {
constexpr int POLL_MILLIS = 25;
}

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
    bool timedOut = false;
    auto deadline = runnable([&timedOut] { timedOut = true; });
    // Conditions outside the loop's sight (a file on disk) are looked at
    // every few milliseconds.
    std::shared_ptr<Runnable> poll;
    poll = runnable([&display, &poll] { display.timerExec(POLL_MILLIS, poll); });
    display.timerExec(timeoutMillis, deadline);
    display.timerExec(POLL_MILLIS, poll);
    while (!done() && !timedOut && !display.isDisposed()) {
        if (!display.readAndDispatch()) display.sleep();
    }
    if (!display.isDisposed()) {
        display.timerExec(-1, deadline);
        display.timerExec(-1, poll);
    }
    bool result = done();
    poll.reset();
    return result;
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

bool saveScreenshot(const Control& control, const std::string& path) {
    QWidget* widget = nativeWidget(control);
    if (widget == nullptr) return false;
    QPixmap picture = widget->grab();
    return !picture.isNull() && picture.save(qs(path), "PNG");
}

}  // namespace tk::qt
