#include "platform/toolkit/Shell.h"

#include "platform/toolkit/Button.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/Image.h"
#include "platform/toolkit/Menu.h"
#include "platform/toolkit/MenuItem.h"
#include "platform/toolkit/ToolkitException.h"

#include <algorithm>
#include <functional>

namespace tk {

namespace {
// Where a shell stands before the program places it.
constexpr Rectangle DEFAULT_BOUNDS{0, 0, 640, 480};

Control* firstFocusable(Composite& composite) {
    // The children list is in creation order, as the tab order goes.
    for (Control* child : composite.getChildren()) {
        if (!child->getVisible() || !child->getEnabled()) continue;
        if (auto* inner = dynamic_cast<Composite*>(child)) {
            if (dynamic_cast<Shell*>(child) == nullptr) {
                if (Control* found = firstFocusable(*inner)) return found;
            }
        }
        if (child->setFocus()) return child;
    }
    return nullptr;
}

bool inside(const Control* control, const Shell* shell) {
    return control != nullptr && control->getShell() == shell;
}
}  // namespace

Shell::Shell(Token, Display* display, int style) : Composite(display, nullptr, style) {
    m_visible = false;
    m_bounds = DEFAULT_BOUNDS;
}

Shell::Shell(Token, Shell* parent, int style) : Composite(displayOf(parent), nullptr, style), m_parentShell(parent) {
    m_visible = false;
    m_bounds = DEFAULT_BOUNDS;
}

void Shell::attach() {
    ShellPeer* parentPeer = m_parentShell ? m_parentShell->getShellPeer() : nullptr;
    auto peer = getDisplay()->backend().createShell(static_cast<ShellSite&>(*this), parentPeer, getStyle());
    if (!peer) throw ToolkitException(ERROR_NO_HANDLES);
    m_peer = std::move(peer);
    auto self = std::static_pointer_cast<Shell>(shared_from_this());
    if (m_parentShell != nullptr) {
        m_parentShell->addChildShell(self);
    } else {
        getDisplay()->addShell(self);
    }
    apply([this] { pushState(); });
}

void Shell::pushState() {
    Control::pushState();
}

ShellPeer* Shell::getShellPeer() const { return static_cast<ShellPeer*>(m_peer.get()); }

void Shell::collectOwned(std::vector<Widget*>& out) const {
    Composite::collectOwned(out);
    for (auto& menu : m_menus) out.push_back(menu.get());
    for (auto& shell : m_shells) out.push_back(shell.get());
}

void Shell::unlink() {
    if (m_parentShell != nullptr) {
        if (!m_parentShell->isDisposed()) m_parentShell->removeChildShell(this);
    } else {
        getDisplay()->removeShell(this);
    }
}

void Shell::setText(const std::string& text) {
    checkWidget();
    m_text = text;
    apply([&] { getShellPeer()->setText(text); });
}

std::string Shell::getText() const {
    checkWidget();
    return m_text;
}

void Shell::setImage(const std::shared_ptr<Image>& image) {
    checkWidget();
    if (image && image->isDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
    m_image = image;
    apply([&] { getShellPeer()->setImage(image ? image->getPeer() : nullptr); });
}

std::shared_ptr<Image> Shell::getImage() const {
    checkWidget();
    return m_image;
}

void Shell::open() {
    checkWidget();
    setVisible(true);
    if (isDisposed()) return;
    setActive();
    if (isDisposed()) return;
    Control* focus = getDisplay()->getFocusControl();
    if (inside(focus, this)) return;
    auto button = std::dynamic_pointer_cast<Button>(m_defaultButton.lock());
    if (button && !button->isDisposed() && button->setFocus()) return;
    firstFocusable(*this);
}

void Shell::placeForShowing() {
    const int style = getStyle();
    const bool trimmed = (style & NO_TRIM) == 0 && (style & TITLE) != 0;
    if (!trimmed && m_parentShell != nullptr) return;
    const Rectangle area = getDisplay()->getClientArea();
    if (area.width <= 0 || area.height <= 0) return;
    const Rectangle bounds = getBounds();
    const int x = std::max(area.x, std::min(bounds.x, area.x + area.width - bounds.width));
    const int y = std::max(area.y, std::min(bounds.y, area.y + area.height - bounds.height));
    if (x != bounds.x || y != bounds.y) setLocation(x, y);
}

void Shell::close() {
    checkWidget();
    Event event;
    sendEvent(Close, event);
    if (event.doit && !isDisposed()) dispose();
}

void Shell::setActive() {
    checkWidget();
    if (!getVisible()) return;
    getDisplay()->shellActivated(this);
    if (!isDisposed()) apply([this] { getShellPeer()->setActive(); });
}

bool Shell::isActive() const {
    checkWidget();
    return m_active;
}

void Shell::activationChanged(bool active) {
    if (m_active == active) return;
    m_active = active;
    sendEvent(active ? Activate : Deactivate);
}

void Shell::setMinimumSize(int width, int height) { setMinimumSize(Point{width, height}); }

void Shell::setMinimumSize(const Point& size) {
    checkWidget();
    m_minimumSize = {std::max(0, size.x), std::max(0, size.y)};
    apply([&] { getShellPeer()->setMinimumSize(m_minimumSize); });
    Point current = getSize();
    if (current.x < m_minimumSize.x || current.y < m_minimumSize.y) {
        setSize(std::max(current.x, m_minimumSize.x), std::max(current.y, m_minimumSize.y));
    }
}

Point Shell::getMinimumSize() const {
    checkWidget();
    return m_minimumSize;
}

void Shell::setMenuBar(Menu* menu) {
    checkWidget();
    if (menu != nullptr) {
        if (menu->isDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
        if (menu->getShell() != this || (menu->getStyle() & BAR) == 0) throw ToolkitException(ERROR_INVALID_PARENT);
    }
    m_menuBar = menu;
    apply([&] { getShellPeer()->setMenuBar(menu ? menu->getPeer() : nullptr); });
}

Menu* Shell::getMenuBar() const {
    checkWidget();
    return m_menuBar;
}

void Shell::setDefaultButton(Button* button) {
    checkWidget();
    if (button != nullptr) {
        if (button->isDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
        if (button->getShell() != this) throw ToolkitException(ERROR_INVALID_PARENT);
        m_defaultButton = button->shared_from_this();
    } else {
        m_defaultButton.reset();
    }
    apply([&] { getShellPeer()->setDefaultButton(button ? button->getButtonPeer() : nullptr); });
}

Button* Shell::getDefaultButton() const {
    checkWidget();
    auto button = std::dynamic_pointer_cast<Button>(m_defaultButton.lock());
    return button && !button->isDisposed() ? button.get() : nullptr;
}

void Shell::setMinimized(bool minimized) {
    checkWidget();
    if (m_minimized == minimized) return;
    m_minimized = minimized;
    apply([&] { getShellPeer()->setMinimized(minimized); });
    sendEvent(minimized ? Iconify : Deiconify);
}

bool Shell::getMinimized() const {
    checkWidget();
    return m_minimized;
}

void Shell::setMaximized(bool maximized) {
    checkWidget();
    if (m_maximized == maximized) return;
    m_maximized = maximized;
    apply([&] { getShellPeer()->setMaximized(maximized); });
}

bool Shell::getMaximized() const {
    checkWidget();
    return m_maximized;
}

void Shell::removeSizeCommands() {
    checkWidget();
    m_sizeCommands = false;
    apply([this] { getShellPeer()->removeSizeCommands(); });
}

bool Shell::hasSizeCommands() const {
    checkWidget();
    return m_sizeCommands;
}

std::vector<Shell*> Shell::getShells() const {
    checkWidget();
    std::vector<Shell*> out;
    for (auto& shell : m_shells) {
        if (!shell->isDisposed() && !shell->isBeingDisposed()) out.push_back(shell.get());
    }
    return out;
}

int Shell::getModality() const {
    return getStyle() & (APPLICATION_MODAL | PRIMARY_MODAL | SYSTEM_MODAL);
}

Point Shell::computeSize(int widthHint, int heightHint, bool changed) {
    return Composite::computeSize(widthHint, heightHint, changed);
}

void Shell::addMenu(const std::shared_ptr<Menu>& menu) { m_menus.push_back(menu); }

void Shell::removeMenu(Menu* menu) {
    if (m_menuBar == menu) m_menuBar = nullptr;
    m_menus.erase(std::remove_if(m_menus.begin(), m_menus.end(), [menu](auto& m) { return m.get() == menu; }),
                  m_menus.end());
}

void Shell::addChildShell(const std::shared_ptr<Shell>& shell) { m_shells.push_back(shell); }

void Shell::removeChildShell(Shell* shell) {
    m_shells.erase(std::remove_if(m_shells.begin(), m_shells.end(), [shell](auto& s) { return s.get() == shell; }),
                   m_shells.end());
}

bool Shell::runAccelerator(int accelerator) {
    if (m_menuBar == nullptr || m_menuBar->isDisposed()) return false;
    MenuItem* item = m_menuBar->findAccelerator(MenuItem::normalizeAccelerator(accelerator));
    if (item == nullptr || !item->isEnabled()) return false;
    item->choose();
    return true;
}

bool Shell::closesOnEscape() const {
    const int style = getStyle();
    return m_parentShell != nullptr && (style & CLOSE) != 0 && (style & NO_TRIM) == 0;
}

void Shell::userClose() {
    fromUser([this] {
        Event event;
        sendEvent(Close, event);
        if (event.doit && !isDisposed()) dispose();
    });
}

void Shell::userActivate(bool active) {
    fromUser([&] {
        if (active) {
            getDisplay()->shellActivated(this);
        } else if (getDisplay()->getActiveShell() == this) {
            getDisplay()->shellActivated(nullptr);
        }
    });
}

void Shell::userIconify(bool minimized) {
    fromUser([&] {
        if (m_minimized == minimized) return;
        m_minimized = minimized;
        sendEvent(minimized ? Iconify : Deiconify);
    });
}

void Shell::userFrame() {
    fromUser([this] {
        // A layout fills the client area as it now is.
        resized();
        if (!isDisposed()) sendEvent(FrameChanged);
    });
}

bool Shell::userAccelerator(int accelerator) {
    bool taken = false;
    fromUser([&] { taken = runAccelerator(accelerator); });
    return taken;
}

}  // namespace tk
