#include "platform/toolkit/TabFolder.h"

#include "platform/toolkit/Display.h"
#include "platform/toolkit/Image.h"
#include "platform/toolkit/TabItem.h"
#include "platform/toolkit/ToolkitException.h"

#include <algorithm>

namespace tk {

TabFolder::TabFolder(Token, Composite* parent, int style) : Composite(displayOf(parent), parent, style) {}

void TabFolder::attach() {
    attachTo(getDisplay()->backend().createTabFolder(static_cast<TabFolderSite&>(*this), *parentPeer(), getStyle()));
}

void TabFolder::pushState() { Control::pushState(); }

TabFolderPeer* TabFolder::getTabFolderPeer() const { return static_cast<TabFolderPeer*>(m_peer.get()); }

void TabFolder::collectOwned(std::vector<Widget*>& out) const {
    Composite::collectOwned(out);
    for (auto& item : m_items) out.push_back(item.get());
}

int TabFolder::getItemCount() const {
    checkWidget();
    return static_cast<int>(m_items.size());
}

TabItem* TabFolder::getItem(int index) const {
    checkWidget();
    if (index < 0 || index >= static_cast<int>(m_items.size())) throw ToolkitException(ERROR_INVALID_RANGE);
    return m_items[index].get();
}

std::vector<TabItem*> TabFolder::getItems() const {
    checkWidget();
    std::vector<TabItem*> out;
    for (auto& item : m_items) out.push_back(item.get());
    return out;
}

int TabFolder::indexOf(const TabItem* item) const {
    checkWidget();
    auto found = std::find_if(m_items.begin(), m_items.end(), [item](auto& i) { return i.get() == item; });
    return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
}

int TabFolder::getSelectionIndex() const {
    checkWidget();
    return m_selection;
}

TabItem* TabFolder::getSelection() const {
    checkWidget();
    return m_selection < 0 ? nullptr : m_items[m_selection].get();
}

void TabFolder::setSelection(int index) {
    checkWidget();
    if (index < 0 || index >= static_cast<int>(m_items.size())) return;
    m_selection = index;
    apply([&] { getTabFolderPeer()->setSelection(index); });
    showSelected();
}

void TabFolder::setSelection(TabItem* item) {
    checkWidget();
    if (item == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
    int index = indexOf(item);
    if (index >= 0) setSelection(index);
}

void TabFolder::setTabHeight(int height) {
    checkWidget();
    m_tabHeight = std::max(0, height);
    apply([this] { getTabFolderPeer()->setTabHeight(m_tabHeight); });
    resized();
}

int TabFolder::getTabHeight() const {
    checkWidget();
    return m_tabHeight;
}

void TabFolder::setSelectionBackground(const std::optional<Color>& color) {
    checkWidget();
    m_selectionBackground = color;
    apply([this] { getTabFolderPeer()->setSelectionColors(m_selectionBackground, m_selectionForeground); });
}

std::optional<Color> TabFolder::getSelectionBackground() const {
    checkWidget();
    return m_selectionBackground;
}

void TabFolder::setSelectionForeground(const std::optional<Color>& color) {
    checkWidget();
    m_selectionForeground = color;
    apply([this] { getTabFolderPeer()->setSelectionColors(m_selectionBackground, m_selectionForeground); });
}

std::optional<Color> TabFolder::getSelectionForeground() const {
    checkWidget();
    return m_selectionForeground;
}

void TabFolder::insertItem(const std::shared_ptr<TabItem>& item, int index) {
    if (index < 0 || index > static_cast<int>(m_items.size())) throw ToolkitException(ERROR_INVALID_RANGE);
    m_items.insert(m_items.begin() + index, item);
    apply([&] { getTabFolderPeer()->insertItem(index); });
    if (m_selection < 0) {
        m_selection = 0;
        apply([this] { getTabFolderPeer()->setSelection(0); });
    } else if (index <= m_selection) {
        ++m_selection;
    }
}

void TabFolder::removeItem(TabItem* item) {
    if (isDisposed() || isBeingDisposed()) return;
    int index = indexOf(item);
    if (index < 0) return;
    m_items.erase(m_items.begin() + index);
    apply([&] { getTabFolderPeer()->removeItem(index); });
    int count = static_cast<int>(m_items.size());
    if (count == 0) {
        m_selection = -1;
    } else if (index < m_selection || m_selection >= count) {
        --m_selection;
    }
    if (m_selection >= 0) apply([this] { getTabFolderPeer()->setSelection(m_selection); });
    showSelected();
}

void TabFolder::itemChanged(TabItem* item) {
    int index = indexOf(item);
    if (index < 0) return;
    auto control = std::dynamic_pointer_cast<Control>(item->m_control.lock());
    apply([&] {
        TabFolderPeer* peer = getTabFolderPeer();
        peer->setItemText(index, item->m_text);
        peer->setItemImage(index, item->m_image ? item->m_image->getPeer() : nullptr);
        peer->setItemToolTipText(index, item->m_toolTip);
        peer->setItemControl(index, control && !control->isDisposed() ? control->getPeer() : nullptr);
    });
    showSelected();
}

void TabFolder::showSelected() {
    Control* shown = nullptr;
    if (m_selection >= 0) {
        auto control = std::dynamic_pointer_cast<Control>(m_items[m_selection]->m_control.lock());
        if (control && !control->isDisposed()) shown = control.get();
    }
    Rectangle area = getClientArea();
    for (auto& item : m_items) {
        auto control = std::dynamic_pointer_cast<Control>(item->m_control.lock());
        if (!control || control->isDisposed() || control.get() == shown) continue;
        control->setVisible(false);
    }
    if (shown != nullptr) {
        shown->setBounds(area);
        shown->setVisible(true);
    }
}

void TabFolder::resized() {
    Composite::resized();
    if (!isDisposed()) showSelected();
}

void TabFolder::userSelect(int index) {
    fromUser([&] {
        if (isApplying() || index < 0 || index >= static_cast<int>(m_items.size()) || index == m_selection) return;
        m_selection = index;
        showSelected();
        Event event;
        event.item = m_items[index].get();
        event.index = index;
        sendEvent(Selection, event);
    });
}

}  // namespace tk
