#pragma once
// Menus, their items and the tray icon on Qt: a menu bar is a QMenuBar the
// shell places at the top of its client widget, popups and drop-downs are
// QMenus, items are QActions. Accelerators are matched by the shell (the
// item texts show them after "\t"), so no Qt shortcut is bound here.

#include "platform/toolkit/Backend.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSystemTrayIcon>

namespace tk::qt {

class PeerBridge;
class QtShellPeer;

class QtMenuPeer : public MenuPeer {
public:
    // shell is nullptr for a drop-down.
    QtMenuPeer(MenuSite& site, QtShellPeer* shell, int style);
    ~QtMenuPeer() override;

    void setVisible(bool visible, const std::optional<Point>& location) override;
    void setEnabled(bool enabled) override;

    QMenuBar* bar() const { return m_bar; }
    QMenu* menu() const { return m_menu; }
    // The widget the items are actions of.
    QWidget* widget() const;
    void insert(QAction* action, int index);
    // Height of a one-row menu bar in the current font.
    static int barHeight();

private:
    MenuSite& m_site;
    int m_style;
    QPointer<QMenuBar> m_bar;
    QPointer<QMenu> m_menu;
    PeerBridge* m_bridge = nullptr;
};

class QtMenuItemPeer : public MenuItemPeer {
public:
    QtMenuItemPeer(MenuItemSite& site, QtMenuPeer& menu, int style, int index);
    ~QtMenuItemPeer() override;

    void setText(const std::string& text) override;
    void setAccelerator(int accelerator) override;
    void setEnabled(bool enabled) override;
    void setSelection(bool selected) override;
    void setImage(ImagePeer* image) override;
    void setMenu(MenuPeer* cascade) override;

    QAction* action() const { return m_action; }

private:
    MenuItemSite& m_site;
    QPointer<QWidget> m_owner;
    QPointer<QAction> m_action;
    PeerBridge* m_bridge = nullptr;
};

class QtTrayItemPeer : public TrayItemPeer {
public:
    explicit QtTrayItemPeer(TrayItemSite& site);
    ~QtTrayItemPeer() override;

    void setImage(ImagePeer* image) override;
    void setToolTipText(const std::string& text) override;
    void setVisible(bool visible) override;

    QSystemTrayIcon* icon() const { return m_icon; }

private:
    TrayItemSite& m_site;
    QPointer<QSystemTrayIcon> m_icon;
    PeerBridge* m_bridge = nullptr;
    bool m_visible = true;
};

}  // namespace tk::qt
