#include "platform/toolkit/Composite.h"

#include "platform/toolkit/Display.h"
#include "platform/toolkit/ToolkitException.h"

#include <algorithm>

namespace tk {

namespace {
// Size of an empty composite without a layout.
constexpr int EMPTY_SIZE = 64;
// Outer size used to measure the trim of a composite.
constexpr int PROBE = 1000;
}  // namespace

Composite::Composite(Token, Composite* parent, int style) : Control(displayOf(parent), parent, style) {}

Composite::Composite(Display* display, Composite* parent, int style) : Control(display, parent, style) {}

void Composite::attach() {
    attachTo(getDisplay()->backend().createComposite(controlSite(), *parentPeer(), getStyle()));
}

CompositePeer* Composite::getCompositePeer() const { return static_cast<CompositePeer*>(m_peer.get()); }

void Composite::addChild(const std::shared_ptr<Control>& child) { m_children.push_back(child); }

void Composite::removeChild(Control* child) {
    m_children.erase(std::remove_if(m_children.begin(), m_children.end(),
                                    [child](const auto& c) { return c.get() == child; }),
                     m_children.end());
}

void Composite::restack(Control* child, Control* sibling, bool above) {
    auto found = std::find_if(m_children.begin(), m_children.end(), [child](const auto& c) { return c.get() == child; });
    if (found == m_children.end()) return;
    std::shared_ptr<Control> keep = *found;
    m_children.erase(found);
    auto at = std::find_if(m_children.begin(), m_children.end(), [sibling](const auto& c) { return c.get() == sibling; });
    if (sibling == nullptr || at == m_children.end()) {
        if (above) {
            m_children.insert(m_children.begin(), keep);
        } else {
            m_children.push_back(keep);
        }
    } else {
        m_children.insert(above ? at : at + 1, keep);
    }
}

std::vector<Control*> Composite::getChildren() const {
    checkWidget();
    std::vector<Control*> out;
    for (auto& child : m_children) {
        if (!child->isDisposed() && !child->isBeingDisposed()) out.push_back(child.get());
    }
    return out;
}

void Composite::collectOwned(std::vector<Widget*>& out) const {
    for (auto& child : m_children) out.push_back(child.get());
}

void Composite::setLayout(std::shared_ptr<Layout> layout) {
    checkWidget();
    m_layout = std::move(layout);
}

std::shared_ptr<Layout> Composite::getLayout() const {
    checkWidget();
    return m_layout;
}

void Composite::layout() {
    checkWidget();
    if (m_layout) m_layout->layout(*this);
}

void Composite::resized() {
    if (m_layout) m_layout->layout(*this);
}

bool Composite::canTakeFocus() const { return false; }

Rectangle Composite::getClientArea() const {
    checkWidget();
    Rectangle bounds = getBounds();
    Rectangle area = getCompositePeer()->clientArea(bounds.width, bounds.height);
    return {0, 0, std::max(0, area.width), std::max(0, area.height)};
}

Point Composite::clientOrigin() const {
    if (!m_peer) return {};
    Rectangle bounds = getBounds();
    Rectangle area = getCompositePeer()->clientArea(bounds.width, bounds.height);
    return {area.x, area.y};
}

Point Composite::trimmedSize(int clientWidth, int clientHeight) const {
    Rectangle area = getCompositePeer()->clientArea(PROBE, PROBE);
    return {clientWidth + (PROBE - area.width), clientHeight + (PROBE - area.height)};
}

Point Composite::computeSize(int widthHint, int heightHint, bool) {
    checkWidget();
    Point inner;
    if (m_layout) {
        inner = m_layout->computeSize(*this, widthHint, heightHint);
    } else {
        bool any = false;
        for (Control* child : getChildren()) {
            Rectangle b = child->getBounds();
            inner.x = std::max(inner.x, b.x + b.width);
            inner.y = std::max(inner.y, b.y + b.height);
            any = true;
        }
        if (!any) inner = {EMPTY_SIZE, EMPTY_SIZE};
    }
    if (widthHint != DEFAULT) inner.x = widthHint;
    if (heightHint != DEFAULT) inner.y = heightHint;
    return trimmedSize(inner.x, inner.y);
}

}  // namespace tk
