#include "platform/toolkit/List.h"

#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/ToolkitException.h"

#include <algorithm>

namespace tk {

List::List(Token, Composite* parent, int style) : Control(displayOf(parent), parent, style) {}

void List::attach() {
    attachTo(getDisplay()->backend().createList(static_cast<ListSite&>(*this), *parentPeer(), getStyle()));
}

void List::pushState() { Control::pushState(); }

ListPeer* List::getListPeer() const { return static_cast<ListPeer*>(m_peer.get()); }

void List::checkIndex(int index, int count) const {
    if (index < 0 || index >= count) throw ToolkitException(ERROR_INVALID_RANGE);
}

void List::add(const std::string& item) { add(item, static_cast<int>(getItems().size())); }

void List::add(const std::string& item, int index) {
    checkWidget();
    if (index < 0 || index > static_cast<int>(m_items.size())) throw ToolkitException(ERROR_INVALID_RANGE);
    m_items.insert(m_items.begin() + index, item);
    if (m_selection >= index) ++m_selection;
    apply([this] {
        getListPeer()->setItems(m_items);
        getListPeer()->setSelection(m_selection);
    });
}

void List::setItems(const std::vector<std::string>& items) {
    checkWidget();
    m_items = items;
    m_selection = -1;
    apply([this] {
        getListPeer()->setItems(m_items);
        getListPeer()->setSelection(-1);
    });
}

std::vector<std::string> List::getItems() const {
    checkWidget();
    return m_items;
}

std::string List::getItem(int index) const {
    checkWidget();
    checkIndex(index, static_cast<int>(m_items.size()));
    return m_items[index];
}

int List::getItemCount() const {
    checkWidget();
    return static_cast<int>(m_items.size());
}

void List::setItem(int index, const std::string& item) {
    checkWidget();
    checkIndex(index, static_cast<int>(m_items.size()));
    m_items[index] = item;
    apply([this] {
        getListPeer()->setItems(m_items);
        getListPeer()->setSelection(m_selection);
    });
}

void List::remove(int index) {
    checkWidget();
    checkIndex(index, static_cast<int>(m_items.size()));
    m_items.erase(m_items.begin() + index);
    if (m_selection == index) {
        m_selection = -1;
    } else if (m_selection > index) {
        --m_selection;
    }
    apply([this] {
        getListPeer()->setItems(m_items);
        getListPeer()->setSelection(m_selection);
    });
}

void List::removeAll() { setItems({}); }

int List::indexOf(const std::string& item) const {
    checkWidget();
    auto found = std::find(m_items.begin(), m_items.end(), item);
    return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
}

void List::select(int index) {
    checkWidget();
    if (index < 0 || index >= static_cast<int>(m_items.size())) return;
    m_selection = index;
    apply([this] { getListPeer()->setSelection(m_selection); });
}

void List::setSelection(int index) {
    checkWidget();
    m_selection = (index >= 0 && index < static_cast<int>(m_items.size())) ? index : -1;
    apply([this] { getListPeer()->setSelection(m_selection); });
}

void List::deselectAll() { setSelection(-1); }

int List::getSelectionIndex() const {
    checkWidget();
    return m_selection;
}

std::vector<std::string> List::getSelection() const {
    checkWidget();
    if (m_selection < 0) return {};
    return {m_items[m_selection]};
}

int List::getSelectionCount() const {
    checkWidget();
    return m_selection < 0 ? 0 : 1;
}

void List::userSelect(int index) {
    fromUser([&] {
        if (isApplying() || index < 0 || index >= static_cast<int>(m_items.size())) return;
        m_selection = index;
        sendEvent(Selection);
    });
}

void List::userDefaultSelect(int index) {
    fromUser([&] {
        if (isApplying() || index < 0 || index >= static_cast<int>(m_items.size())) return;
        m_selection = index;
        sendEvent(DefaultSelection);
    });
}

}  // namespace tk
