#include "platform/toolkit/MenuItem.h"

#include "platform/system/Ascii.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/Image.h"
#include "platform/toolkit/Menu.h"
#include "platform/toolkit/ToolkitException.h"


namespace tk {

namespace {
Display* menuDisplay(Menu* parent) {
    if (parent == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
    if (parent->isDisposed() || parent->isBeingDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
    return parent->getDisplay();
}

int itemKind(int style) {
    if ((style & SEPARATOR) != 0) return SEPARATOR;
    if ((style & CASCADE) != 0) return CASCADE;
    if ((style & CHECK) != 0) return CHECK;
    if ((style & RADIO) != 0) return RADIO;
    return PUSH;
}
}  // namespace

MenuItem::MenuItem(Token token, Menu* parent, int style) : MenuItem(token, parent, style, -1) {}

MenuItem::MenuItem(Token, Menu* parent, int style, int index)
    : Widget(menuDisplay(parent), itemKind(style)), m_parent(parent), m_index(index) {
    if (index != -1 && (index < 0 || index > parent->getItemCount())) throw ToolkitException(ERROR_INVALID_RANGE);
}

void MenuItem::attach() {
    int index = m_index < 0 ? m_parent->getItemCount() : m_index;
    m_peer = getDisplay()->backend().createMenuItem(static_cast<MenuItemSite&>(*this), *m_parent->getPeer(),
                                                    getStyle(), index);
    if (!m_peer) throw ToolkitException(ERROR_NO_HANDLES);
    m_parent->insertItem(std::static_pointer_cast<MenuItem>(shared_from_this()), index);
}

void MenuItem::collectOwned(std::vector<Widget*>& out) const {
    if (m_menu != nullptr) out.push_back(m_menu);
}

void MenuItem::releasePeer() { m_peer.reset(); }

void MenuItem::unlink() {
    if (!m_parent->isDisposed()) m_parent->removeItem(this);
}

int MenuItem::normalizeAccelerator(int accelerator) {
    int modifiers = accelerator & MODIFIER_MASK;
    int key = accelerator & ~MODIFIER_MASK;
    if (key >= 'a' && key <= 'z') key = sys::toAsciiUpper(static_cast<char>(key));
    return modifiers | key;
}

void MenuItem::setText(const std::string& text) {
    checkWidget();
    if ((getStyle() & SEPARATOR) != 0) return;
    m_text = text;
    apply([&] { m_peer->setText(text); });
}

std::string MenuItem::getText() const {
    checkWidget();
    return m_text;
}

void MenuItem::setAccelerator(int accelerator) {
    checkWidget();
    m_accelerator = normalizeAccelerator(accelerator);
    apply([this] { m_peer->setAccelerator(m_accelerator); });
}

int MenuItem::getAccelerator() const {
    checkWidget();
    return m_accelerator;
}

void MenuItem::setEnabled(bool enabled) {
    checkWidget();
    m_enabled = enabled;
    apply([&] { m_peer->setEnabled(enabled); });
}

bool MenuItem::getEnabled() const {
    checkWidget();
    return m_enabled;
}

bool MenuItem::isEnabled() const {
    checkWidget();
    return m_enabled && m_parent->isEnabled();
}

void MenuItem::setSelection(bool selected) {
    checkWidget();
    if ((getStyle() & (CHECK | RADIO)) == 0) return;
    m_selection = selected;
    apply([&] { m_peer->setSelection(selected); });
}

bool MenuItem::getSelection() const {
    checkWidget();
    return m_selection;
}

void MenuItem::setImage(const std::shared_ptr<Image>& image) {
    checkWidget();
    if (image && image->isDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
    m_image = image;
    apply([&] { m_peer->setImage(image ? image->getPeer() : nullptr); });
}

std::shared_ptr<Image> MenuItem::getImage() const {
    checkWidget();
    return m_image;
}

void MenuItem::setMenu(Menu* menu) {
    checkWidget();
    if ((getStyle() & CASCADE) == 0) throw ToolkitException(ERROR_INVALID_ARGUMENT, "not a cascade item");
    if (menu != nullptr) {
        if (menu->isDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
        if ((menu->getStyle() & DROP_DOWN) == 0 || menu->getShell() != m_parent->getShell()) {
            throw ToolkitException(ERROR_INVALID_PARENT);
        }
        menu->m_parentItem = this;
    }
    m_menu = menu;
    apply([&] { m_peer->setMenu(menu ? menu->getPeer() : nullptr); });
}

Menu* MenuItem::getMenu() const {
    checkWidget();
    return m_menu;
}

void MenuItem::choose() {
    if (!isEnabled()) return;
    int style = getStyle();
    if ((style & (CASCADE | SEPARATOR)) != 0) return;
    // The menu closes before the item acts.
    m_parent->closeChain();
    if (isDisposed()) return;
    if ((style & CHECK) != 0) {
        m_selection = !m_selection;
        apply([this] { m_peer->setSelection(m_selection); });
    } else if ((style & RADIO) != 0) {
        for (MenuItem* sibling : m_parent->getItems()) {
            if (sibling == this || (sibling->getStyle() & RADIO) == 0 || !sibling->m_selection) continue;
            sibling->m_selection = false;
            sibling->apply([sibling] { sibling->m_peer->setSelection(false); });
            sibling->sendEvent(Selection);
            if (isDisposed()) return;
        }
        m_selection = true;
        apply([this] { m_peer->setSelection(true); });
    }
    sendEvent(Selection);
}

void MenuItem::userSelect() {
    fromUser([this] { choose(); });
}

}  // namespace tk
