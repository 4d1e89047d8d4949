#include "platform/toolkit/qt/QtDisplayPeer.h"

#include "platform/toolkit/Style.h"
#include "platform/toolkit/qt/QtControlPeer.h"
#include "platform/toolkit/qt/QtRuntime.h"
#include "platform/toolkit/qt/QtSupport.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QNetworkCookie>
#include <QPalette>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWidget>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>

namespace tk::qt {

namespace {
// Before any window was shown with a frame there is nothing to measure.
constexpr int DEFAULT_TITLE_BAR = 26;
constexpr int DEFAULT_TOOL_TITLE_BAR = 19;
constexpr int DEFAULT_BORDER = 4;

bool userFocusReason(Qt::FocusReason reason) {
    return reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason;
}
// Busy native dispatching yields to the toolkit's timers and tasks now and
// then, so a page that keeps the engine busy cannot starve them.
constexpr int BUSY_RUN_LIMIT = 16;
constexpr int DRAIN_MAX_MILLIS = 1500;
constexpr int DRAIN_QUIET_MILLIS = 50;
}  // namespace

QtDisplayPeer::QtDisplayPeer(DisplaySite& site) : m_site(site) {
    m_dispatcher = QThread::currentThread()->eventDispatcher();
    m_bridge = new PeerBridge();
    // Only focus the user moved (click, Tab, mnemonic) is reported: the
    // program's own moves are known to the toolkit already. The report comes
    // after the event, for whatever holds the focus by then.
    m_bridge->setFilter([bridge = m_bridge](QObject* watched, QEvent* event) {
        // Asked through qobject_cast, not a member call of ours: the filter
        // sees objects of Qt classes whose type information we cannot see.
        if (event->type() != QEvent::FocusIn || qobject_cast<QWidget*>(watched) == nullptr) return false;
        if (!userFocusReason(static_cast<QFocusEvent*>(event)->reason())) return false;
        bridge->later([] {
            QWidget* focus = QApplication::focusWidget();
            if (focus == nullptr) return;
            if (QtWidgetPeer* owner = QtWidgetPeer::ownerOf(focus)) owner->reportFocusIn();
        });
        return false;
    });
    qApp->installEventFilter(m_bridge);
    // The first display of the process has nothing of an earlier one to
    // wait for.
    static bool s_earlierDisplay = false;
    if (s_earlierDisplay) drain();
    s_earlierDisplay = true;
}

void QtDisplayPeer::drain() {
    // What is still queued for the windows and pages of an earlier display
    // of this process belongs to nobody now; a new display starts quiet.
    if (!m_dispatcher) return;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QElapsedTimer spent;
    spent.start();
    while (spent.elapsed() < DRAIN_MAX_MILLIS) {
        if (m_dispatcher->processEvents(QEventLoop::AllEvents)) continue;
        // Quiet for a moment: the web engine's own work has settled.
        QTimer quiet;
        quiet.setSingleShot(true);
        bool woken = false;
        QObject::connect(&quiet, &QTimer::timeout, [&woken] { woken = true; });
        quiet.start(DRAIN_QUIET_MILLIS);
        m_dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
        if (woken) break;
    }
}

QtDisplayPeer::~QtDisplayPeer() {
    endModalDialogs(nullptr);
    qApp->removeEventFilter(m_bridge);
    m_bridge->release();
    // Windows of the disposed display go now, unless a native handler is
    // still on the stack.
    if (m_depth == 0) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool QtDisplayPeer::dispatchNative() {
    if (!m_dispatcher) return false;
    ++m_depth;
    // Widgets retired by the toolkit outside any native handler are
    // deleted here; Qt would otherwise keep them until a loop of its own.
    if (m_depth == 1) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    bool handled = m_dispatcher->processEvents(QEventLoop::AllEvents);
    --m_depth;
    if (!handled) {
        m_busyRun = 0;
        return false;
    }
    if (++m_busyRun >= BUSY_RUN_LIMIT) {
        m_busyRun = 0;
        return false;
    }
    return true;
}

void QtDisplayPeer::waitNative(int timeoutMillis) {
    if (!m_dispatcher) return;
    ++m_depth;
    if (timeoutMillis == 0) {
        m_dispatcher->processEvents(QEventLoop::AllEvents);
    } else {
        QTimer timeout;
        if (timeoutMillis > 0) {
            timeout.setSingleShot(true);
            timeout.start(timeoutMillis);
        }
        m_dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
    }
    --m_depth;
}

void QtDisplayPeer::wake() {
    // Thread-safe in Qt; a wake that comes before the wait is kept.
    if (QAbstractEventDispatcher* dispatcher = m_dispatcher.data()) dispatcher->wakeUp();
}

Rectangle QtDisplayPeer::getBounds() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {0, 0, 0, 0};
    QRect r = screen->virtualGeometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

Rectangle QtDisplayPeer::getClientArea() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {0, 0, 0, 0};
    QRect r = screen->availableGeometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

Color QtDisplayPeer::getSystemColor(int id) {
    QPalette palette = QApplication::palette();
    switch (id) {
        case COLOR_WIDGET_FOREGROUND: return fromQColor(palette.color(QPalette::WindowText));
        case COLOR_WIDGET_BACKGROUND: return fromQColor(palette.color(QPalette::Window));
        case COLOR_LIST_FOREGROUND: return fromQColor(palette.color(QPalette::Text));
        case COLOR_LIST_BACKGROUND: return fromQColor(palette.color(QPalette::Base));
        case COLOR_LIST_SELECTION: return fromQColor(palette.color(QPalette::Highlight));
        case COLOR_LIST_SELECTION_TEXT: return fromQColor(palette.color(QPalette::HighlightedText));
        default: return Color(0, 0, 0);
    }
}

FontData QtDisplayPeer::getSystemFont() { return fromQFont(QApplication::font()); }

void QtDisplayPeer::measureFrame() {
    if (m_measuredFrame) return;
    // The first shown window the window manager framed tells.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || (window->windowFlags() & Qt::FramelessWindowHint)) continue;
        QRect inner = window->geometry();
        QRect outer = window->frameGeometry();
        QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                       outer.bottom() - inner.bottom());
        if (frame.top() > 0) {
            m_measuredFrame = frame;
            return;
        }
    }
}

int QtDisplayPeer::getTitleBarHeight() {
    measureFrame();
    if (m_measuredFrame) return m_measuredFrame->top() - m_measuredFrame->bottom();
    return DEFAULT_TITLE_BAR;
}

std::string QtDisplayPeer::getBrowserVersion() { return qWebEngineChromiumVersion(); }

bool QtDisplayPeer::setBrowserCookie(const std::string& url, const std::string& setCookie) {
    const QUrl origin(QString::fromStdString(url));
    if (!origin.isValid()) return false;
    const QList<QNetworkCookie> cookies = QNetworkCookie::parseCookies(QByteArray::fromStdString(setCookie));
    if (cookies.isEmpty()) return false;
    // The store's own checks (domain against origin, secure over http)
    // decide as they do for a page's cookies.
    QWebEngineCookieStore* store = QtRuntime::instance().profile().cookieStore();
    for (const QNetworkCookie& cookie : cookies) store->setCookie(cookie, origin);
    return true;
}

QMargins QtDisplayPeer::frameInsets(int style) {
    if ((style & NO_TRIM) != 0 || (style & TITLE) == 0) return {};
    measureFrame();
    if (m_measuredFrame) return *m_measuredFrame;
    int title = (style & TOOL) != 0 ? DEFAULT_TOOL_TITLE_BAR : DEFAULT_TITLE_BAR;
    return {DEFAULT_BORDER, DEFAULT_BORDER + title, DEFAULT_BORDER, DEFAULT_BORDER};
}

bool QtDisplayPeer::hasSystemTray() { return QSystemTrayIcon::isSystemTrayAvailable(); }

}  // namespace tk::qt
