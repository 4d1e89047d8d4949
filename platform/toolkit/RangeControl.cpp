#include "platform/toolkit/RangeControl.h"

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

void RangeControl::pushState() {
    Control::pushState();
    pushRange();
}

RangePeer* RangeControl::getRangePeer() const { return static_cast<RangePeer*>(m_peer.get()); }

void RangeControl::pushRange() {
    apply([this] {
        getRangePeer()->setRange(m_range.minimum, m_range.maximum, m_range.selection);
        getRangePeer()->setIncrements(m_range.increment, m_range.pageIncrement);
    });
}

void RangeControl::setMinimum(int value) {
    checkWidget();
    m_range.setMinimum(value);
    pushRange();
}

int RangeControl::getMinimum() const {
    checkWidget();
    return m_range.minimum;
}

void RangeControl::setMaximum(int value) {
    checkWidget();
    m_range.setMaximum(value);
    pushRange();
}

int RangeControl::getMaximum() const {
    checkWidget();
    return m_range.maximum;
}

void RangeControl::setSelection(int value) {
    checkWidget();
    m_range.setSelection(value);
    pushRange();
}

int RangeControl::getSelection() const {
    checkWidget();
    return m_range.selection;
}

void RangeControl::setIncrement(int value) {
    checkWidget();
    if (value < 1) return;
    m_range.increment = value;
    pushRange();
}

int RangeControl::getIncrement() const {
    checkWidget();
    return m_range.increment;
}

void RangeControl::setPageIncrement(int value) {
    checkWidget();
    if (value < 1) return;
    m_range.pageIncrement = value;
    pushRange();
}

int RangeControl::getPageIncrement() const {
    checkWidget();
    return m_range.pageIncrement;
}

void RangeControl::userSelect(int value) {
    fromUser([&] {
        if (isApplying()) return;
        int clamped = std::clamp(value, m_range.minimum, m_range.maximum);
        if (clamped == m_range.selection) return;
        m_range.selection = clamped;
        sendEvent(Selection);
    });
}

}  // namespace tk
