#include "platform/toolkit/Control.h"

#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/Shell.h"
#include "platform/toolkit/ToolkitException.h"

#include <algorithm>

namespace tk {

Display* Control::displayOf(Composite* parent) {
    if (parent == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
    if (parent->isDisposed() || parent->isBeingDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
    return parent->getDisplay();
}

Control::Control(Display* display, Composite* parent, int style) : Widget(display, style), m_parent(parent) {
    if (parent != nullptr) {
        if (parent->isDisposed() || parent->isBeingDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
        if (parent->getDisplay() != display) throw ToolkitException(ERROR_INVALID_PARENT);
    }
}

void Control::attachTo(std::unique_ptr<ControlPeer> peer) {
    if (!peer) throw ToolkitException(ERROR_NO_HANDLES);
    m_peer = std::move(peer);
    if (m_parent != nullptr) m_parent->addChild(std::static_pointer_cast<Control>(shared_from_this()));
    apply([this] { pushState(); });
}

void Control::pushState() {
    m_peer->setBounds(m_bounds);
    if (!m_visible) m_peer->setVisible(false);
    if (!m_enabled) m_peer->setEnabled(false);
}

void Control::releasePeer() { m_peer.reset(); }

void Control::unlink() {
    if (m_parent != nullptr && !m_parent->isDisposed()) m_parent->removeChild(this);
}

CompositePeer* Control::parentPeer() const {
    if (m_parent == nullptr) return nullptr;
    return m_parent->getCompositePeer();
}

Shell* Control::getShell() const {
    checkWidget();
    const Control* control = this;
    while (control->m_parent != nullptr) control = control->m_parent;
    return dynamic_cast<Shell*>(const_cast<Control*>(control));
}

void Control::setBounds(int x, int y, int width, int height) { setBounds(Rectangle{x, y, width, height}); }

void Control::setBounds(const Rectangle& bounds) {
    checkWidget();
    applyBounds(bounds, false);
}

Rectangle Control::getBounds() const {
    checkWidget();
    return m_bounds;
}

void Control::setLocation(int x, int y) {
    checkWidget();
    applyBounds(Rectangle{x, y, m_bounds.width, m_bounds.height}, false);
}

void Control::setLocation(const Point& location) { setLocation(location.x, location.y); }

Point Control::getLocation() const {
    checkWidget();
    return {m_bounds.x, m_bounds.y};
}

void Control::setSize(int width, int height) {
    checkWidget();
    applyBounds(Rectangle{m_bounds.x, m_bounds.y, width, height}, false);
}

void Control::setSize(const Point& size) { setSize(size.x, size.y); }

Point Control::getSize() const {
    checkWidget();
    return {m_bounds.width, m_bounds.height};
}

void Control::applyBounds(const Rectangle& requested, bool fromUser) {
    // Sizes below zero are taken as zero; positions may be anywhere.
    Rectangle bounds{requested.x, requested.y, std::max(0, requested.width), std::max(0, requested.height)};
    Rectangle old = m_bounds;
    if (bounds == old) return;
    m_bounds = bounds;
    if (!fromUser && m_peer) apply([&] { m_peer->setBounds(bounds); });
    bool moved = old.x != bounds.x || old.y != bounds.y;
    bool sized = old.width != bounds.width || old.height != bounds.height;
    if (moved) sendEvent(Move);
    if (sized && !isDisposed()) {
        sendEvent(Resize);
        if (!isDisposed()) resized();
    }
}

Point Control::computeSize(int widthHint, int heightHint, bool) {
    checkWidget();
    return m_peer->computeSize(widthHint, heightHint);
}

void Control::pack() {
    checkWidget();
    Point size = computeSize(DEFAULT, DEFAULT, true);
    setSize(size);
}

void Control::setVisible(bool visible) {
    checkWidget();
    if (m_visible == visible) return;
    if (visible) {
        sendEvent(Show);
        if (isDisposed()) return;
        placeForShowing();
    }
    if (isDisposed()) return;
    m_visible = visible;
    apply([&] { m_peer->setVisible(visible); });
    if (!visible) {
        if (isFocusControl()) getDisplay()->focusChanged(nullptr);
        if (!isDisposed()) sendEvent(Hide);
    }
}

bool Control::getVisible() const {
    checkWidget();
    return m_visible;
}

bool Control::isVisible() const {
    checkWidget();
    for (const Control* c = this; c != nullptr; c = c->m_parent) {
        if (!c->m_visible) return false;
    }
    return true;
}

void Control::setEnabled(bool enabled) {
    checkWidget();
    if (m_enabled == enabled) return;
    m_enabled = enabled;
    apply([&] { m_peer->setEnabled(enabled); });
    if (!enabled && isFocusControl()) getDisplay()->focusChanged(nullptr);
}

bool Control::getEnabled() const {
    checkWidget();
    return m_enabled;
}

bool Control::isEnabled() const {
    checkWidget();
    for (const Control* c = this; c != nullptr; c = c->m_parent) {
        if (!c->m_enabled) return false;
    }
    return true;
}

bool Control::canTakeFocus() const { return true; }

bool Control::setFocus() {
    checkWidget();
    if (!canTakeFocus() || !isVisible() || !isEnabled()) return false;
    getDisplay()->focusChanged(this);
    if (!isDisposed() && isFocusControl()) apply([this] { m_peer->setFocus(); });
    return !isDisposed() && isFocusControl();
}

bool Control::isFocusControl() const {
    checkWidget();
    return getDisplay()->getFocusControl() == this;
}

void Control::setForeground(const std::optional<Color>& color) {
    checkWidget();
    m_foreground = color;
    apply([&] { m_peer->setForeground(color); });
}

Color Control::getForeground() const {
    checkWidget();
    return m_foreground ? *m_foreground : getDisplay()->getSystemColor(COLOR_WIDGET_FOREGROUND);
}

void Control::setBackground(const std::optional<Color>& color) {
    checkWidget();
    m_background = color;
    apply([&] { m_peer->setBackground(color); });
}

Color Control::getBackground() const {
    checkWidget();
    return m_background ? *m_background : getDisplay()->getSystemColor(COLOR_WIDGET_BACKGROUND);
}

void Control::setFont(const std::optional<Font>& font) {
    checkWidget();
    m_font = font;
    apply([&] { m_peer->setFont(font); });
}

Font Control::getFont() const {
    checkWidget();
    return m_font ? *m_font : getDisplay()->getSystemFont();
}

void Control::setCursor(const std::optional<Cursor>& cursor) {
    checkWidget();
    m_cursor = cursor;
    apply([&] { m_peer->setCursor(cursor); });
}

std::optional<Cursor> Control::getCursor() const {
    checkWidget();
    return m_cursor;
}

void Control::setToolTipText(const std::string& text) {
    checkWidget();
    m_toolTip = text;
    apply([&] { m_peer->setToolTipText(text); });
}

std::string Control::getToolTipText() const {
    checkWidget();
    return m_toolTip;
}

void Control::moveAbove(Control* sibling) {
    checkWidget();
    if (sibling != nullptr && (sibling->isDisposed() || sibling->isBeingDisposed())) {
        throw ToolkitException(ERROR_INVALID_ARGUMENT);
    }
    if (m_parent == nullptr) {
        // A shell moves among the windows of the screen.
        apply([&] { m_peer->moveAbove(sibling ? sibling->getShell()->m_peer.get() : nullptr); });
        return;
    }
    if (sibling == this || (sibling != nullptr && sibling->m_parent != m_parent)) return;
    m_parent->restack(this, sibling, true);
    apply([&] { m_peer->moveAbove(sibling ? sibling->m_peer.get() : nullptr); });
}

void Control::moveBelow(Control* sibling) {
    checkWidget();
    if (sibling != nullptr && (sibling->isDisposed() || sibling->isBeingDisposed())) {
        throw ToolkitException(ERROR_INVALID_ARGUMENT);
    }
    if (m_parent == nullptr) {
        apply([&] { m_peer->moveBelow(sibling ? sibling->getShell()->m_peer.get() : nullptr); });
        return;
    }
    if (sibling == this || (sibling != nullptr && sibling->m_parent != m_parent)) return;
    m_parent->restack(this, sibling, false);
    apply([&] { m_peer->moveBelow(sibling ? sibling->m_peer.get() : nullptr); });
}

int Control::getBorderWidth() const {
    checkWidget();
    return m_peer->getBorderWidth();
}

Point Control::toDisplay(int x, int y) const {
    checkWidget();
    Point origin = clientOrigin();
    int px = m_bounds.x + origin.x + x;
    int py = m_bounds.y + origin.y + y;
    if (m_parent == nullptr) return {px, py};
    return m_parent->toDisplay(px, py);
}

Point Control::toDisplay(const Point& point) const { return toDisplay(point.x, point.y); }

void Control::userFocusIn() {
    fromUser([this] {
        if (!canTakeFocus()) return;
        getDisplay()->focusChanged(this);
    });
}

void Control::userMouse(int type, int button, int x, int y, int stateMask) {
    fromUser([&] {
        Event event;
        event.button = button;
        event.x = x;
        event.y = y;
        event.stateMask = stateMask;
        event.count = type == MouseDoubleClick ? 2 : 1;
        sendEvent(type, event);
    });
}

bool Control::userKey(int type, int keyCode, char32_t character, int stateMask) {
    bool doit = true;
    fromUser([&] {
        Event event;
        event.keyCode = keyCode;
        event.character = character;
        event.stateMask = stateMask;
        sendEvent(type, event);
        doit = event.doit;
        if (!doit || type != KeyDown || keyCode != ESC || isDisposed()) return;
        // Escape in a dialog is its close box (Close listeners may refuse).
        Shell* shell = getShell();
        if (shell == nullptr || !shell->closesOnEscape()) return;
        doit = false;
        shell->close();
    });
    return doit;
}

void Control::userBounds(const Rectangle& bounds) {
    fromUser([&] { applyBounds(bounds, true); });
}

}  // namespace tk
