#include "platform/toolkit/Group.h"

#include "platform/toolkit/Display.h"

namespace tk {

Group::Group(Token, Composite* parent, int style) : Composite(displayOf(parent), parent, style) {}

void Group::attach() {
    attachTo(getDisplay()->backend().createGroup(controlSite(), *parentPeer(), getStyle()));
}

void Group::pushState() { Control::pushState(); }

void Group::setText(const std::string& text) {
    checkWidget();
    m_text = text;
    apply([&] { static_cast<GroupPeer*>(m_peer.get())->setText(text); });
}

std::string Group::getText() const {
    checkWidget();
    return m_text;
}

}  // namespace tk
