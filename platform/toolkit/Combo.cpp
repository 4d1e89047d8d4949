#include "platform/toolkit/Combo.h"

#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/ToolkitException.h"
#include "platform/toolkit/Utf8.h"

#include <algorithm>

namespace tk {

Combo::Combo(Token, Composite* parent, int style) : Control(displayOf(parent), parent, style) {}

void Combo::attach() {
    attachTo(getDisplay()->backend().createCombo(static_cast<ComboSite&>(*this), *parentPeer(), getStyle()));
}

void Combo::pushState() { Control::pushState(); }

ComboPeer* Combo::getComboPeer() const { return static_cast<ComboPeer*>(m_peer.get()); }

void Combo::add(const std::string& item) { add(item, getItemCount()); }

void Combo::add(const std::string& item, int index) {
    checkWidget();
    if (index < 0 || index > static_cast<int>(m_items.size())) throw ToolkitException(ERROR_INVALID_RANGE);
    m_items.insert(m_items.begin() + index, item);
    if (m_selection >= index) ++m_selection;
    apply([this] {
        getComboPeer()->setItems(m_items);
        getComboPeer()->setSelection(m_selection);
    });
}

void Combo::setItems(const std::vector<std::string>& items) {
    checkWidget();
    m_items = items;
    m_selection = -1;
    if ((getStyle() & READ_ONLY) != 0) m_text.clear();
    apply([this] {
        getComboPeer()->setItems(m_items);
        getComboPeer()->setSelection(-1);
        getComboPeer()->setText(m_text);
    });
}

std::vector<std::string> Combo::getItems() const {
    checkWidget();
    return m_items;
}

std::string Combo::getItem(int index) const {
    checkWidget();
    if (index < 0 || index >= static_cast<int>(m_items.size())) throw ToolkitException(ERROR_INVALID_RANGE);
    return m_items[index];
}

int Combo::getItemCount() const {
    checkWidget();
    return static_cast<int>(m_items.size());
}

void Combo::remove(int index) {
    checkWidget();
    if (index < 0 || index >= static_cast<int>(m_items.size())) throw ToolkitException(ERROR_INVALID_RANGE);
    m_items.erase(m_items.begin() + index);
    if (m_selection == index) {
        m_selection = -1;
        if ((getStyle() & READ_ONLY) != 0) m_text.clear();
    } else if (m_selection > index) {
        --m_selection;
    }
    apply([this] {
        getComboPeer()->setItems(m_items);
        getComboPeer()->setSelection(m_selection);
        getComboPeer()->setText(m_text);
    });
}

void Combo::removeAll() { setItems({}); }

int Combo::indexOf(const std::string& item) const {
    checkWidget();
    auto found = std::find(m_items.begin(), m_items.end(), item);
    return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
}

void Combo::select(int index) {
    checkWidget();
    if (index < 0 || index >= static_cast<int>(m_items.size())) return;
    m_selection = index;
    m_text = m_items[index];
    apply([this] {
        getComboPeer()->setSelection(m_selection);
        getComboPeer()->setText(m_text);
    });
}

void Combo::deselectAll() {
    checkWidget();
    m_selection = -1;
    if ((getStyle() & READ_ONLY) != 0) m_text.clear();
    apply([this] {
        getComboPeer()->setSelection(-1);
        getComboPeer()->setText(m_text);
    });
}

int Combo::getSelectionIndex() const {
    checkWidget();
    return m_selection;
}

void Combo::setText(const std::string& text) {
    checkWidget();
    if ((getStyle() & READ_ONLY) != 0) {
        int index = indexOf(text);
        if (index >= 0) select(index);
        return;
    }
    m_text = m_limit < utf8::length(text) ? utf8::prefix(text, m_limit) : text;
    m_selection = indexOf(m_text);
    apply([this] {
        getComboPeer()->setText(m_text);
        getComboPeer()->setSelection(m_selection);
    });
}

std::string Combo::getText() const {
    checkWidget();
    return m_text;
}

void Combo::setTextLimit(int limit) {
    checkWidget();
    if (limit <= 0) throw ToolkitException(ERROR_INVALID_ARGUMENT, "a text limit must be positive");
    m_limit = limit;
    apply([&] { getComboPeer()->setTextLimit(limit); });
}

void Combo::userSelect(int index) {
    fromUser([&] {
        if (isApplying() || index < 0 || index >= static_cast<int>(m_items.size())) return;
        bool changed = m_text != m_items[index];
        m_selection = index;
        m_text = m_items[index];
        if (changed) sendEvent(Modify);
        if (!isDisposed()) sendEvent(Selection);
    });
}

void Combo::userText(const std::string& text) {
    fromUser([&] {
        if (isApplying() || (getStyle() & READ_ONLY) != 0) return;
        std::string next = m_limit < utf8::length(text) ? utf8::prefix(text, m_limit) : text;
        if (next == m_text) return;
        m_text = next;
        m_selection = -1;
        sendEvent(Modify);
    });
}

}  // namespace tk
