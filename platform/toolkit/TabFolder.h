#pragma once
// Tabs over a shared area. A user choice sends Selection with the item;
// setSelection sends nothing. One control may serve several tabs.

#include "platform/toolkit/Composite.h"

#include <memory>
#include <optional>
#include <vector>

namespace tk {

class TabItem;

class TabFolder : public Composite, private TabFolderSite {
public:
    TabFolder(Token, Composite* parent, int style);

    int getItemCount() const;
    TabItem* getItem(int index) const;
    std::vector<TabItem*> getItems() const;
    int indexOf(const TabItem* item) const;
    int getSelectionIndex() const;  // -1 when there are no tabs
    TabItem* getSelection() const;
    void setSelection(int index);
    void setSelection(TabItem* item);
    void setTabHeight(int height);
    int getTabHeight() const;
    void setSelectionBackground(const std::optional<Color>& color);
    std::optional<Color> getSelectionBackground() const;
    void setSelectionForeground(const std::optional<Color>& color);
    std::optional<Color> getSelectionForeground() const;

    TabFolderPeer* getTabFolderPeer() const;

    // ---- for TabItem ----
    void insertItem(const std::shared_ptr<TabItem>& item, int index);
    void removeItem(TabItem* item);
    void itemChanged(TabItem* item);

protected:
    void attach() override;
    void pushState() override;
    void collectOwned(std::vector<Widget*>& out) const override;
    void resized() override;
    bool canTakeFocus() const override { return true; }

private:
    TK_CONTROL_SITE_FORWARDS
    void userSelect(int index) override;
    void showSelected();

    std::vector<std::shared_ptr<TabItem>> m_items;
    int m_selection = -1;
    int m_tabHeight = 0;
    std::optional<Color> m_selectionBackground;
    std::optional<Color> m_selectionForeground;

    friend class TestDriver;
};

}  // namespace tk
