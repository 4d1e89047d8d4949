#include "platform/toolkit/qt/QtShellPeer.h"

#include "platform/toolkit/qt/QtImagePeer.h"
#include "platform/toolkit/qt/QtMenuPeers.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

namespace tk::qt {

namespace {

bool trimmed(int style) { return (style & NO_TRIM) == 0 && (style & TITLE) != 0; }

QWidget* makeWindow(QtShellPeer* parent, int style) {
    auto* window = new QWidget(parent != nullptr ? parent->window() : nullptr, Qt::Window);
    window->setAttribute(Qt::WA_QuitOnClose, false);
    if ((style & (APPLICATION_MODAL | SYSTEM_MODAL)) != 0) {
        window->setWindowModality(Qt::ApplicationModal);
    } else if ((style & PRIMARY_MODAL) != 0 && parent != nullptr) {
        window->setWindowModality(Qt::WindowModal);
    }
    return window;
}

// Qt reads "[*]" in a title as the modified marker; a doubled one shows.
QString literalTitle(const std::string& text) {
    QString title = qs(text);
    title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    return title;
}

}  // namespace

QtShellPeer::QtShellPeer(ShellSite& site, QtShellPeer* parent, int style, const QMargins& frame)
    : QtControl(site, makeWindow(parent, style), style), m_shellSite(site), m_frame(frame) {
    m_resizable = (style & RESIZE) != 0;
    applyFlags();
    m_content = new QWidget(m_widget);
    m_content->show();
    hear(m_content);
    m_appBridge = new PeerBridge();
    m_appBridge->setFilter([this](QObject* watched, QEvent* event) { return applicationFilter(watched, event); });
    qApp->installEventFilter(m_appBridge);
    m_widget->setVisible(false);
}

QtShellPeer::~QtShellPeer() {
    // A box or dialog over this window closes with it.
    endModalDialogs(m_widget);
    qApp->removeEventFilter(m_appBridge);
    m_appBridge->release();
}

Qt::WindowFlags QtShellPeer::flagsFor(int style) const {
    // A shell without trim owned by another is part of its owner's window:
    // as a tool window it is transient for the owner, so the window manager
    // keeps it above the owner (its owner moves it along).
    const bool partOfOwner = !trimmed(style) && m_widget != nullptr && m_widget->parentWidget() != nullptr;
    Qt::WindowFlags flags = (style & TOOL) != 0 || partOfOwner ? Qt::Tool : Qt::Window;
    if (!trimmed(style)) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if ((style & CLOSE) != 0) flags |= Qt::WindowCloseButtonHint;
        if (m_sizeCommands && (style & MIN) != 0) flags |= Qt::WindowMinimizeButtonHint;
        if (m_sizeCommands && (style & MAX) != 0) flags |= Qt::WindowMaximizeButtonHint;
    }
    if ((style & ON_TOP) != 0) flags |= Qt::WindowStaysOnTopHint;
    return flags;
}

void QtShellPeer::applyFlags() {
    bool visible = m_widget->isVisible();
    m_widget->setWindowFlags(flagsFor(m_style));
    // Changing the flags of a shown window hides it.
    if (visible) m_widget->show();
}

int QtShellPeer::menuHeight() const { return m_menuBar ? QtMenuPeer::barHeight() : 0; }

Rectangle QtShellPeer::clientArea(int width, int height) {
    int top = m_frame.top() + menuHeight();
    return {m_frame.left(), top, std::max(0, width - m_frame.left() - m_frame.right()),
            std::max(0, height - top - m_frame.bottom())};
}

void QtShellPeer::setBounds(const Rectangle& bounds) {
    m_applied = bounds;
    m_widget->move(bounds.x, bounds.y);
    applySizeLimits();
    m_widget->resize(clientWidth(), clientHeight());
    layoutInside();
}

int QtShellPeer::clientWidth() const { return std::max(1, m_applied.width - m_frame.left() - m_frame.right()); }

int QtShellPeer::clientHeight() const { return std::max(1, m_applied.height - m_frame.top() - m_frame.bottom()); }

void QtShellPeer::applySizeLimits() {
    if (!m_resizable) {
        m_widget->setFixedSize(clientWidth(), clientHeight());
        return;
    }
    m_widget->setMinimumSize(std::max(0, m_minimum.x - m_frame.left() - m_frame.right()),
                             std::max(0, m_minimum.y - m_frame.top() - m_frame.bottom()));
    m_widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void QtShellPeer::layoutInside() {
    int bar = menuHeight();
    QSize size = m_widget->size();
    if (m_menuBar) m_menuBar->setGeometry(0, 0, size.width(), bar);
    m_content->setGeometry(0, bar, size.width(), std::max(0, size.height() - bar));
}

void QtShellPeer::setVisible(bool visible) {
    if (visible) {
        m_widget->show();
    } else {
        m_widget->hide();
    }
}

Rectangle QtShellPeer::currentBounds() const {
    QPoint at = m_widget->pos();
    return {at.x(), at.y(), m_widget->width() + m_frame.left() + m_frame.right(),
            m_widget->height() + m_frame.top() + m_frame.bottom()};
}

void QtShellPeer::setText(const std::string& text) { m_widget->setWindowTitle(literalTitle(text)); }

void QtShellPeer::setImage(ImagePeer* image) { m_widget->setWindowIcon(QtImagePeer::iconOf(image)); }

void QtShellPeer::setActive() {
    if (!m_widget->isVisible()) return;
    m_widget->raise();
    m_widget->activateWindow();
}

void QtShellPeer::setMinimumSize(const Point& size) {
    m_minimum = size;
    applySizeLimits();
}

void QtShellPeer::setMenuBar(MenuPeer* menu) {
    QMenuBar* bar = nullptr;
    if (auto* peer = dynamic_cast<QtMenuPeer*>(menu)) bar = peer->bar();
    if (m_menuBar && m_menuBar != bar) m_menuBar->hide();
    m_menuBar = bar;
    if (bar != nullptr) {
        if (bar->parentWidget() != m_widget) bar->setParent(m_widget);
        bar->show();
        bar->raise();
    }
    layoutInside();
}

void QtShellPeer::setDefaultButton(ButtonPeer* button) {
    if (m_defaultButton) m_defaultButton->setDefault(false);
    m_defaultButton = qobject_cast<QPushButton*>(widgetOf(button));
    if (m_defaultButton) m_defaultButton->setDefault(true);
}

void QtShellPeer::setMinimized(bool minimized) {
    m_minimized = minimized;
    Qt::WindowStates state = m_widget->windowState();
    m_widget->setWindowState(minimized ? (state | Qt::WindowMinimized) : (state & ~Qt::WindowMinimized));
}

void QtShellPeer::setMaximized(bool maximized) {
    Qt::WindowStates state = m_widget->windowState();
    m_widget->setWindowState(maximized ? (state | Qt::WindowMaximized) : (state & ~Qt::WindowMaximized));
}

void QtShellPeer::removeSizeCommands() {
    m_sizeCommands = false;
    m_resizable = false;
    applyFlags();
    applySizeLimits();
}

bool QtShellPeer::filter(QObject* watched, QEvent* event) {
    if (watched == m_widget) return windowFilter(event);
    return QtControl::filter(watched, event);
}

bool QtShellPeer::windowFilter(QEvent* event) {
    switch (event->type()) {
        case QEvent::Close:
            // The toolkit decides: Close listeners may keep the shell.
            event->ignore();
            m_shellSite.userClose();
            return true;
        case QEvent::Resize:
            layoutInside();
            reportBoundsLater();
            return false;
        case QEvent::Move:
            // The window manager's frame moves the client widget: when it
            // puts one around the window and whenever it changes it.
            takeReportedFrame();
            reportBoundsLater();
            return false;
        case QEvent::WindowActivate:
            m_shellSite.userActivate(true);
            return false;
        case QEvent::WindowDeactivate:
            m_shellSite.userActivate(false);
            return false;
        case QEvent::WindowStateChange: {
            bool minimized = m_widget->isMinimized();
            if (minimized != m_minimized) {
                m_minimized = minimized;
                m_shellSite.userIconify(minimized);
            }
            return false;
        }
        default:
            return QtControl::filter(m_widget, event);
    }
}

void QtShellPeer::takeReportedFrame() {
    if (!trimmed(m_style) || !m_widget->isVisible()) return;
    const QRect inner = m_widget->geometry();
    const QRect outer = m_widget->frameGeometry();
    const QMargins reported(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                            outer.bottom() - inner.bottom());
    // No frame yet, or no window manager to draw one: the reckoned frame stays.
    if (reported.isNull() || reported == m_frame) return;
    m_frame = reported;
    // The bounds stay what the program set: the client widget takes what the
    // frame leaves of them.
    if ((m_widget->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) == 0) {
        applySizeLimits();
        m_widget->resize(clientWidth(), clientHeight());
        layoutInside();
    }
    m_bridge->later([this] {
        if (m_widget) m_shellSite.userFrame();
    });
}

void QtShellPeer::reportBoundsLater() {
    // Only what the window system did; the program's own moves arrive here
    // too and are equal to what was applied.
    if (m_boundsReportPending || !m_widget->isVisible()) return;
    m_boundsReportPending = true;
    m_bridge->later([this] {
        m_boundsReportPending = false;
        if (!m_widget || !m_widget->isVisible()) return;
        Rectangle now = currentBounds();
        if (now == m_applied) return;
        m_applied = now;
        m_site.userBounds(now);
    });
}

bool QtShellPeer::applicationFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (target == nullptr || target->window() != m_widget.data()) return false;
    QWidget* focus = QApplication::focusWidget();
    // Qt offers the key to each parent in turn; take it once.
    if (focus != nullptr ? target != focus : target != m_widget.data()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    int accelerator = acceleratorOf(*key);
    if (accelerator != 0 && m_shellSite.userAccelerator(accelerator)) return true;
    bool enter = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                 (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    bool field = qobject_cast<QLineEdit*>(target) != nullptr || qobject_cast<QComboBox*>(target) != nullptr ||
                 qobject_cast<QAbstractSpinBox*>(target) != nullptr;
    if (enter && field && m_defaultButton) {
        // After the field has had its Enter (its default selection).
        QPointer<QPushButton> button = m_defaultButton;
        m_bridge->later([button] {
            if (button && button->isVisible() && button->isEnabled()) button->click();
        });
    }
    return false;
}

}  // namespace tk::qt
