#include "platform/toolkit/Spinner.h"

#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Display.h"

#include <algorithm>

namespace tk {

Spinner::Spinner(Token, Composite* parent, int style)
    : Control(displayOf(parent), parent, style) {}

void Spinner::attach() {
    attachTo(getDisplay()->backend().createSpinner(static_cast<RangeSite&>(*this), *parentPeer(), getStyle()));
}

void Spinner::pushState() {
    Control::pushState();
    pushRange();
}

void Spinner::pushRange() {
    apply([this] {
        static_cast<RangePeer*>(m_peer.get())->setRange(m_range.minimum, m_range.maximum, m_range.selection);
        static_cast<RangePeer*>(m_peer.get())->setIncrements(m_range.increment, m_range.pageIncrement);
    });
}

void Spinner::setMinimum(int value) {
    checkWidget();
    m_range.setMinimum(value);
    pushRange();
}

int Spinner::getMinimum() const {
    checkWidget();
    return m_range.minimum;
}

void Spinner::setMaximum(int value) {
    checkWidget();
    m_range.setMaximum(value);
    pushRange();
}

int Spinner::getMaximum() const {
    checkWidget();
    return m_range.maximum;
}

void Spinner::setSelection(int value) {
    checkWidget();
    m_range.setSelection(value);
    pushRange();
}

int Spinner::getSelection() const {
    checkWidget();
    return m_range.selection;
}

void Spinner::setIncrement(int value) {
    checkWidget();
    if (value < 1) return;
    m_range.increment = value;
    pushRange();
}

int Spinner::getIncrement() const {
    checkWidget();
    return m_range.increment;
}

void Spinner::setPageIncrement(int value) {
    checkWidget();
    if (value < 1) return;
    m_range.pageIncrement = value;
    pushRange();
}

int Spinner::getPageIncrement() const {
    checkWidget();
    return m_range.pageIncrement;
}

void Spinner::userSelect(int value) {
    fromUser([&] {
        if (isApplying()) return;
        int clamped = std::clamp(value, m_range.minimum, m_range.maximum);
        if (clamped == m_range.selection) return;
        m_range.selection = clamped;
        sendEvent(Selection);
    });
}

}  // namespace tk
