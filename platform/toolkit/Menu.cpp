#include "platform/toolkit/Menu.h"

#include "platform/toolkit/Display.h"
#include "platform/toolkit/MenuItem.h"
#include "platform/toolkit/Shell.h"
#include "platform/toolkit/ToolkitException.h"

#include <algorithm>

namespace tk {

namespace {
Display* shellDisplay(Shell* shell) {
    if (shell == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
    if (shell->isDisposed() || shell->isBeingDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
    return shell->getDisplay();
}

int menuKind(int style) {
    if ((style & BAR) != 0) return BAR;
    if ((style & DROP_DOWN) != 0) return DROP_DOWN;
    return POP_UP;
}

Shell* itemShell(MenuItem* item) {
    if (item == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
    if (item->isDisposed() || item->isBeingDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
    if ((item->getStyle() & CASCADE) == 0) throw ToolkitException(ERROR_INVALID_ARGUMENT, "not a cascade item");
    return item->getParent()->getShell();
}
}  // namespace

Menu::Menu(Token, Shell* parent, int style) : Widget(shellDisplay(parent), menuKind(style)), m_shell(parent) {}

Menu::Menu(Token, MenuItem* parentItem)
    : Widget(shellDisplay(itemShell(parentItem)), DROP_DOWN), m_shell(itemShell(parentItem)), m_parentItem(parentItem) {}

void Menu::attach() {
    int style = getStyle();
    ShellPeer* shellPeer = (style & DROP_DOWN) != 0 ? nullptr : m_shell->getShellPeer();
    m_peer = getDisplay()->backend().createMenu(static_cast<MenuSite&>(*this), shellPeer, style);
    if (!m_peer) throw ToolkitException(ERROR_NO_HANDLES);
    m_shell->addMenu(std::static_pointer_cast<Menu>(shared_from_this()));
    if (m_parentItem != nullptr) m_parentItem->setMenu(this);
}

void Menu::collectOwned(std::vector<Widget*>& out) const {
    for (auto& item : m_items) out.push_back(item.get());
}

void Menu::releasePeer() { m_peer.reset(); }

void Menu::unlink() {
    if (!m_shell->isDisposed()) m_shell->removeMenu(this);
    if (m_parentItem != nullptr && !m_parentItem->isDisposed() && m_parentItem->m_menu == this) {
        m_parentItem->m_menu = nullptr;
        m_parentItem->apply([this] { m_parentItem->m_peer->setMenu(nullptr); });
    }
}

Menu* Menu::getParentMenu() const {
    checkWidget();
    return m_parentItem ? m_parentItem->getParent() : nullptr;
}

int Menu::getItemCount() const {
    checkWidget();
    return static_cast<int>(m_items.size());
}

MenuItem* Menu::getItem(int index) const {
    checkWidget();
    if (index < 0 || index >= static_cast<int>(m_items.size())) throw ToolkitException(ERROR_INVALID_RANGE);
    return m_items[index].get();
}

std::vector<MenuItem*> Menu::getItems() const {
    checkWidget();
    std::vector<MenuItem*> out;
    for (auto& item : m_items) out.push_back(item.get());
    return out;
}

int Menu::indexOf(const MenuItem* item) const {
    checkWidget();
    auto found = std::find_if(m_items.begin(), m_items.end(), [item](auto& i) { return i.get() == item; });
    return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
}

void Menu::setVisible(bool visible) {
    checkWidget();
    if ((getStyle() & POP_UP) == 0 || m_visible == visible) return;
    if (visible) {
        // Show goes first so that listeners can adjust the items.
        sendEvent(Show);
        if (isDisposed()) return;
        m_visible = true;
        std::optional<Point> location;
        if (m_hasLocation) location = m_location;
        m_hasLocation = false;
        apply([&] { m_peer->setVisible(true, location); });
    } else {
        hide();
    }
}

void Menu::hide() {
    if (!m_visible) return;
    m_visible = false;
    apply([this] { m_peer->setVisible(false, std::nullopt); });
    sendEvent(Hide);
}

bool Menu::getVisible() const {
    checkWidget();
    return m_visible;
}

bool Menu::isVisible() const {
    checkWidget();
    int style = getStyle();
    if ((style & POP_UP) != 0) return m_visible;
    if ((style & BAR) != 0) return m_shell->getVisible() && m_shell->getMenuBar() == this;
    return m_parentItem != nullptr && !m_parentItem->isDisposed() && m_parentItem->getParent()->isVisible();
}

void Menu::setLocation(int x, int y) {
    checkWidget();
    m_location = {x, y};
    m_hasLocation = true;
}

void Menu::setLocation(const Point& location) { setLocation(location.x, location.y); }

void Menu::setEnabled(bool enabled) {
    checkWidget();
    m_enabled = enabled;
    apply([&] { m_peer->setEnabled(enabled); });
}

bool Menu::getEnabled() const {
    checkWidget();
    return m_enabled;
}

bool Menu::isEnabled() const {
    checkWidget();
    if (!m_enabled) return false;
    return m_parentItem == nullptr || m_parentItem->isEnabled();
}

void Menu::insertItem(const std::shared_ptr<MenuItem>& item, int index) {
    m_items.insert(m_items.begin() + index, item);
}

void Menu::removeItem(MenuItem* item) {
    m_items.erase(std::remove_if(m_items.begin(), m_items.end(), [item](auto& i) { return i.get() == item; }),
                  m_items.end());
}

void Menu::closeChain() {
    Menu* root = this;
    while (root->m_parentItem != nullptr && !root->m_parentItem->isDisposed()) root = root->m_parentItem->getParent();
    if ((root->getStyle() & POP_UP) != 0) root->hide();
}

MenuItem* Menu::findAccelerator(int accelerator) const {
    for (auto& item : m_items) {
        if (item->isDisposed()) continue;
        if (item->m_accelerator != 0 && item->m_accelerator == accelerator) return item.get();
        if (item->m_menu != nullptr && !item->m_menu->isDisposed()) {
            if (MenuItem* found = item->m_menu->findAccelerator(accelerator)) return found;
        }
    }
    return nullptr;
}

void Menu::userHidden() {
    fromUser([this] { hide(); });
}

}  // namespace tk
