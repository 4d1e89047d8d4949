#include "platform/toolkit/ProgressBar.h"

#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Display.h"

namespace tk {

ProgressBar::ProgressBar(Token, Composite* parent, int style)
    : Control(displayOf(parent), parent, (style & VERTICAL) != 0 ? style : (style | HORIZONTAL)) {}

void ProgressBar::attach() {
    attachTo(getDisplay()->backend().createProgressBar(controlSite(), *parentPeer(), getStyle()));
}

void ProgressBar::pushState() {
    Control::pushState();
    pushRange();
}

void ProgressBar::pushRange() {
    apply([this] {
        static_cast<RangePeer*>(m_peer.get())->setRange(m_range.minimum, m_range.maximum, m_range.selection);
    });
}

void ProgressBar::setMinimum(int value) {
    checkWidget();
    m_range.setMinimum(value);
    pushRange();
}

int ProgressBar::getMinimum() const {
    checkWidget();
    return m_range.minimum;
}

void ProgressBar::setMaximum(int value) {
    checkWidget();
    m_range.setMaximum(value);
    pushRange();
}

int ProgressBar::getMaximum() const {
    checkWidget();
    return m_range.maximum;
}

void ProgressBar::setSelection(int value) {
    checkWidget();
    m_range.setSelection(value);
    pushRange();
}

int ProgressBar::getSelection() const {
    checkWidget();
    return m_range.selection;
}

}  // namespace tk
