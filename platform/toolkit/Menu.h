#pragma once
// A menu bar (BAR), a popup menu (POP_UP) or the drop-down of a CASCADE
// item. Menus belong to their shell. A popup shown with setVisible(true)
// sends Show; it closes when an item is chosen (Hide, then the item's
// Selection) or dismissed (Hide). It opens where setLocation put it, or at
// the pointer when no location was given since it last opened.

#include "platform/toolkit/Backend.h"
#include "platform/toolkit/Widget.h"

#include <memory>
#include <vector>

namespace tk {

class Shell;
class MenuItem;

class Menu : public Widget, private MenuSite {
public:
    Menu(Token, Shell* parent, int style);
    // The drop-down of a CASCADE item (also set as its menu).
    Menu(Token, MenuItem* parentItem);

    Shell* getShell() const { return m_shell; }
    MenuItem* getParentItem() const { return m_parentItem; }
    Menu* getParentMenu() const;
    int getItemCount() const;
    MenuItem* getItem(int index) const;
    std::vector<MenuItem*> getItems() const;
    int indexOf(const MenuItem* item) const;
    void setVisible(bool visible);
    bool getVisible() const;
    bool isVisible() const;
    void setLocation(int x, int y);
    void setLocation(const Point& location);
    Point getLocation() const { return m_location; }
    void setEnabled(bool enabled);
    bool getEnabled() const;
    bool isEnabled() const;

    MenuPeer* getPeer() const { return m_peer.get(); }

    // ---- for MenuItem ----
    void insertItem(const std::shared_ptr<MenuItem>& item, int index);
    void removeItem(MenuItem* item);
    // Closes this popup chain before an item of it runs.
    void closeChain();
    MenuItem* findAccelerator(int accelerator) const;

protected:
    void attach() override;
    void collectOwned(std::vector<Widget*>& out) const override;
    void releasePeer() override;
    void unlink() override;

private:
    void userHidden() override;
    void hide();

    Shell* m_shell;
    MenuItem* m_parentItem = nullptr;
    std::unique_ptr<MenuPeer> m_peer;
    std::vector<std::shared_ptr<MenuItem>> m_items;
    bool m_visible = false;
    bool m_enabled = true;
    Point m_location;
    // Taken by the next showing only.
    bool m_hasLocation = false;

    friend class TestDriver;
    friend class MenuItem;
};

}  // namespace tk
