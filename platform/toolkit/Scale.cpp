#include "platform/toolkit/Scale.h"

#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Display.h"

#include <algorithm>

namespace tk {

void RangeValues::setMinimum(int value) {
    minimum = value;
    if (maximum < value) maximum = value;
    selection = std::clamp(selection, minimum, maximum);
}

void RangeValues::setMaximum(int value) {
    maximum = value;
    if (minimum > value) minimum = value;
    selection = std::clamp(selection, minimum, maximum);
}

void RangeValues::setSelection(int value) { selection = std::clamp(value, minimum, maximum); }

Scale::Scale(Token, Composite* parent, int style)
    : Control(displayOf(parent), parent, (style & VERTICAL) != 0 ? style : (style | HORIZONTAL)) {}

void Scale::attach() {
    attachTo(getDisplay()->backend().createScale(static_cast<RangeSite&>(*this), *parentPeer(), getStyle()));
}

void Scale::pushState() {
    Control::pushState();
    pushRange();
}

RangePeer* Scale::getRangePeer() const { return static_cast<RangePeer*>(m_peer.get()); }

void Scale::pushRange() {
    apply([this] {
        getRangePeer()->setRange(m_range.minimum, m_range.maximum, m_range.selection);
        getRangePeer()->setIncrements(m_range.increment, m_range.pageIncrement);
    });
}

void Scale::setMinimum(int value) {
    checkWidget();
    m_range.setMinimum(value);
    pushRange();
}

int Scale::getMinimum() const {
    checkWidget();
    return m_range.minimum;
}

void Scale::setMaximum(int value) {
    checkWidget();
    m_range.setMaximum(value);
    pushRange();
}

int Scale::getMaximum() const {
    checkWidget();
    return m_range.maximum;
}

void Scale::setSelection(int value) {
    checkWidget();
    m_range.setSelection(value);
    pushRange();
}

int Scale::getSelection() const {
    checkWidget();
    return m_range.selection;
}

void Scale::setIncrement(int value) {
    checkWidget();
    if (value < 1) return;
    m_range.increment = value;
    pushRange();
}

int Scale::getIncrement() const {
    checkWidget();
    return m_range.increment;
}

void Scale::setPageIncrement(int value) {
    checkWidget();
    if (value < 1) return;
    m_range.pageIncrement = value;
    pushRange();
}

int Scale::getPageIncrement() const {
    checkWidget();
    return m_range.pageIncrement;
}

void Scale::userSelect(int value) {
    fromUser([&] {
        if (isApplying()) return;
        int clamped = std::clamp(value, m_range.minimum, m_range.maximum);
        if (clamped == m_range.selection) return;
        m_range.selection = clamped;
        sendEvent(Selection);
    });
}

}  // namespace tk
