#include "platform/toolkit/qt/QtContainerPeers.h"

#include "platform/toolkit/qt/QtImagePeer.h"

#include <QGroupBox>
#include <QSignalBlocker>
#include <QTabBar>

namespace tk::qt {

namespace {

QWidget* makeComposite(QWidget* parent, int style) {
    if ((style & BORDER) == 0) return new QWidget(parent);
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    return frame;
}

// Height of the tabs when the folder sets none: one tab's preferred height
// (an empty bar has none, and the client area must not jump).
int naturalTabHeight(const QFont& font) {
    QTabBar probe;
    probe.setFont(font);
    probe.addTab(QStringLiteral("Tab"));
    return probe.sizeHint().height();
}

}  // namespace

// ---- composite -------------------------------------------------------------

QtCompositePeer::QtCompositePeer(ControlSite& site, QWidget* parent, int style)
    : QtControl(site, makeComposite(parent, style), style) {
    if (auto* frame = qobject_cast<QFrame*>(m_widget.data())) {
        m_content = new QWidget(frame);
        m_content->show();
        hear(m_content);
    }
}

Rectangle QtCompositePeer::clientArea(int width, int height) {
    int b = getBorderWidth();
    return {b, b, std::max(0, width - 2 * b), std::max(0, height - 2 * b)};
}

bool QtCompositePeer::filter(QObject* watched, QEvent* event) {
    if (watched == m_widget && m_content != nullptr && event->type() == QEvent::Resize) {
        Rectangle area = clientArea(m_widget->width(), m_widget->height());
        m_content->setGeometry(area.x, area.y, area.width, area.height);
    }
    return QtControl::filter(watched, event);
}

// ---- group -----------------------------------------------------------------

QtGroupPeer::QtGroupPeer(ControlSite& site, QWidget* parent, int style)
    : QtControl(site, new QGroupBox(parent), style) {
    m_content = new QWidget(m_widget);
    m_content->show();
    hear(m_content);
}

QGroupBox* QtGroupPeer::box() const { return static_cast<QGroupBox*>(m_widget.data()); }

Rectangle QtGroupPeer::clientArea(int width, int height) {
    // The style's margins for the frame and title; they do not depend on
    // the size.
    QMargins m = m_widget ? m_widget->contentsMargins() : QMargins();
    return {m.left(), m.top(), std::max(0, width - m.left() - m.right()), std::max(0, height - m.top() - m.bottom())};
}

void QtGroupPeer::place() {
    if (!m_widget) return;
    Rectangle area = clientArea(m_widget->width(), m_widget->height());
    m_content->setGeometry(area.x, area.y, area.width, area.height);
}

void QtGroupPeer::setText(const std::string& text) {
    if (!m_widget) return;
    box()->setTitle(qs(text));
    place();
}

void QtGroupPeer::fontChanged() { place(); }

bool QtGroupPeer::filter(QObject* watched, QEvent* event) {
    if (watched == m_widget && event->type() == QEvent::Resize) place();
    return QtControl::filter(watched, event);
}

// ---- tab folder ------------------------------------------------------------

QtTabFolderPeer::QtTabFolderPeer(TabFolderSite& site, QWidget* parent, int style)
    : QtControl(site, new QWidget(parent), style) {
    m_pane = new QFrame(m_widget);
    m_pane->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    m_pane->show();
    m_bar = new QTabBar(m_widget);
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    m_bar->setUsesScrollButtons(true);
    m_bar->show();
    m_content = new QWidget(m_pane);
    m_content->show();
    hear(m_bar);
    hear(m_content);
    // The folder takes the focus through its tabs.
    m_widget->setFocusProxy(m_bar);
    QObject::connect(m_bar, &QTabBar::currentChanged, m_bridge, [this, &site](int index) {
        if (!m_bridge->released() && index >= 0) site.userSelect(index);
    });
}

int QtTabFolderPeer::barHeight() const {
    if (m_tabHeight > 0) return m_tabHeight;
    static int natural = naturalTabHeight(m_widget->font());
    return natural;
}

Rectangle QtTabFolderPeer::clientArea(int width, int height) {
    int frame = m_pane->frameWidth();
    int top = barHeight();
    return {frame, top + frame, std::max(0, width - 2 * frame), std::max(0, height - top - 2 * frame)};
}

void QtTabFolderPeer::place() {
    if (!m_widget) return;
    int width = m_widget->width();
    int height = m_widget->height();
    int top = barHeight();
    m_bar->setGeometry(0, 0, width, top);
    m_pane->setGeometry(0, top, width, std::max(0, height - top));
    int frame = m_pane->frameWidth();
    m_content->setGeometry(frame, frame, std::max(0, width - 2 * frame), std::max(0, height - top - 2 * frame));
}

bool QtTabFolderPeer::filter(QObject* watched, QEvent* event) {
    if (watched == m_widget && event->type() == QEvent::Resize) place();
    return QtControl::filter(watched, event);
}

void QtTabFolderPeer::insertItem(int index) {
    QSignalBlocker quiet(m_bar);
    m_bar->insertTab(index, QString());
}

void QtTabFolderPeer::removeItem(int index) {
    QSignalBlocker quiet(m_bar);
    if (index >= 0 && index < m_bar->count()) m_bar->removeTab(index);
}

void QtTabFolderPeer::setItemText(int index, const std::string& text) {
    if (index >= 0 && index < m_bar->count()) m_bar->setTabText(index, qs(text));
}

void QtTabFolderPeer::setItemImage(int index, ImagePeer* image) {
    if (index >= 0 && index < m_bar->count()) m_bar->setTabIcon(index, QtImagePeer::iconOf(image));
}

void QtTabFolderPeer::setItemToolTipText(int index, const std::string& text) {
    if (index >= 0 && index < m_bar->count()) m_bar->setTabToolTip(index, qs(text));
}

void QtTabFolderPeer::setItemControl(int, ControlPeer* control) {
    // The folder shows and places the item's control through the control's
    // own peer; it only has to live in the page area.
    QWidget* widget = widgetOf(control);
    if (widget != nullptr && widget->parentWidget() == m_content) widget->raise();
}

void QtTabFolderPeer::setSelection(int index) {
    QSignalBlocker quiet(m_bar);
    if (index >= 0 && index < m_bar->count()) m_bar->setCurrentIndex(index);
}

void QtTabFolderPeer::setTabHeight(int height) {
    m_tabHeight = std::max(0, height);
    place();
}

void QtTabFolderPeer::setSelectionColors(const std::optional<Color>& background, const std::optional<Color>& foreground) {
    QString sheet;
    if (background || foreground) {
        sheet = QStringLiteral("QTabBar::tab:selected {");
        if (background) sheet += QStringLiteral(" background: %1;").arg(toQColor(*background).name());
        if (foreground) sheet += QStringLiteral(" color: %1;").arg(toQColor(*foreground).name());
        sheet += QStringLiteral(" }");
    }
    m_bar->setStyleSheet(sheet);
}

}  // namespace tk::qt
