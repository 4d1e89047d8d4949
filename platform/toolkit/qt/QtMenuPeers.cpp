#include "platform/toolkit/qt/QtMenuPeers.h"

#include "platform/toolkit/Style.h"
#include "platform/toolkit/qt/QtImagePeer.h"
#include "platform/toolkit/qt/QtShellPeer.h"
#include "platform/toolkit/qt/QtSupport.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QSystemTrayIcon>

namespace tk::qt {

// ---- menus -----------------------------------------------------------------

QtMenuPeer::QtMenuPeer(MenuSite& site, QtShellPeer* shell, int style) : m_site(site), m_style(style) {
    m_bridge = new PeerBridge();
    QWidget* window = shell != nullptr ? shell->window() : nullptr;
    if ((style & BAR) != 0) {
        m_bar = new QMenuBar(window);
        m_bar->setNativeMenuBar(false);
        m_bar->hide();
        return;
    }
    m_menu = new QMenu(window);
    // Chosen or dismissed: the toolkit sends Hide (then the item's Selection).
    QObject::connect(m_menu, &QMenu::aboutToHide, m_bridge, [this] {
        if (!m_bridge->released()) m_site.userHidden();
    });
}

QtMenuPeer::~QtMenuPeer() {
    m_bridge->release();
    if (m_bar) retireWidget(m_bar);
    if (m_menu) {
        QSignalBlocker quiet(m_menu);
        retireWidget(m_menu);
    }
}

QWidget* QtMenuPeer::widget() const {
    if (m_bar) return m_bar;
    return m_menu;
}

void QtMenuPeer::insert(QAction* action, int index) {
    QWidget* owner = widget();
    if (owner == nullptr) return;
    QList<QAction*> actions = owner->actions();
    QAction* before = index >= 0 && index < actions.size() ? actions.at(index) : nullptr;
    owner->insertAction(before, action);
}

void QtMenuPeer::setVisible(bool visible, const std::optional<Point>& location) {
    if (!m_menu || (m_style & POP_UP) == 0) return;
    QSignalBlocker quiet(m_menu);
    if (visible) {
        m_menu->popup(location ? QPoint(location->x, location->y) : QCursor::pos());
    } else {
        m_menu->hide();
    }
}

void QtMenuPeer::setEnabled(bool enabled) {
    if (QWidget* owner = widget()) owner->setEnabled(enabled);
    if (m_menu) m_menu->menuAction()->setEnabled(enabled);
}

int QtMenuPeer::barHeight() {
    // An empty bar has no height; measure one with an item.
    static int height = [] {
        QMenuBar probe;
        probe.setNativeMenuBar(false);
        probe.addMenu(QStringLiteral("&File"));
        return probe.sizeHint().height();
    }();
    return height;
}

// ---- items -----------------------------------------------------------------

QtMenuItemPeer::QtMenuItemPeer(MenuItemSite& site, QtMenuPeer& menu, int style, int index) : m_site(site) {
    m_bridge = new PeerBridge();
    m_owner = menu.widget();
    m_action = new QAction(m_owner.data());
    if ((style & SEPARATOR) != 0) m_action->setSeparator(true);
    if ((style & (CHECK | RADIO)) != 0) m_action->setCheckable(true);
    // Icons in menus only where an item has an image.
    m_action->setIconVisibleInMenu(true);
    menu.insert(m_action, index);
    QObject::connect(m_action, &QAction::triggered, m_bridge, [this] {
        // The toolkit sets the new check state itself.
        if (!m_bridge->released()) m_site.userSelect();
    });
}

QtMenuItemPeer::~QtMenuItemPeer() {
    m_bridge->release();
    if (m_action) {
        m_action->setMenu(static_cast<QMenu*>(nullptr));
        if (m_owner) m_owner->removeAction(m_action);
        m_action->deleteLater();
    }
}

void QtMenuItemPeer::setText(const std::string& text) {
    if (m_action) m_action->setText(qs(text));
}

void QtMenuItemPeer::setAccelerator(int) {
    // Matched by the shell; the text carries the key's name.
}

void QtMenuItemPeer::setEnabled(bool enabled) {
    if (m_action) m_action->setEnabled(enabled);
}

void QtMenuItemPeer::setSelection(bool selected) {
    if (!m_action) return;
    QSignalBlocker quiet(m_action);
    m_action->setChecked(selected);
}

void QtMenuItemPeer::setImage(ImagePeer* image) {
    if (m_action) m_action->setIcon(QtImagePeer::iconOf(image));
}

void QtMenuItemPeer::setMenu(MenuPeer* cascade) {
    if (!m_action) return;
    auto* peer = dynamic_cast<QtMenuPeer*>(cascade);
    QMenu* menu = peer != nullptr ? peer->menu() : nullptr;
    // setMenu keeps the action's text; the menu's title shows in a bar.
    m_action->setMenu(menu);
    if (menu != nullptr) menu->setTitle(m_action->text());
}

// ---- tray ------------------------------------------------------------------

QtTrayItemPeer::QtTrayItemPeer(TrayItemSite& site) : m_site(site) {
    m_bridge = new PeerBridge();
    m_icon = new QSystemTrayIcon();
    QObject::connect(m_icon, &QSystemTrayIcon::activated, m_bridge, [this](QSystemTrayIcon::ActivationReason reason) {
        if (m_bridge->released()) return;
        switch (reason) {
            case QSystemTrayIcon::Trigger: m_site.userSelect(); break;
            case QSystemTrayIcon::DoubleClick: m_site.userDefaultSelect(); break;
            case QSystemTrayIcon::Context: m_site.userMenuDetect(); break;
            default: break;
        }
    });
    // Shown once it has a picture (a tray icon without one shows nothing).
}

QtTrayItemPeer::~QtTrayItemPeer() {
    m_bridge->release();
    if (m_icon) {
        m_icon->hide();
        m_icon->deleteLater();
    }
}

void QtTrayItemPeer::setImage(ImagePeer* image) {
    if (!m_icon) return;
    m_icon->setIcon(QtImagePeer::iconOf(image));
    if (!m_icon->icon().isNull() && m_visible) m_icon->show();
}

void QtTrayItemPeer::setToolTipText(const std::string& text) {
    if (m_icon) m_icon->setToolTip(qs(text));
}

void QtTrayItemPeer::setVisible(bool visible) {
    if (!m_icon) return;
    m_visible = visible;
    if (visible && !m_icon->icon().isNull()) {
        m_icon->show();
    } else {
        m_icon->hide();
    }
}

}  // namespace tk::qt
