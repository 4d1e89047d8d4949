#include "platform/toolkit/Button.h"

#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/Image.h"
#include "platform/toolkit/ToolkitException.h"

namespace tk {

namespace {
int kindOf(int style) {
    if ((style & CHECK) != 0) return CHECK;
    if ((style & RADIO) != 0) return RADIO;
    if ((style & TOGGLE) != 0) return TOGGLE;
    if ((style & ARROW) != 0) return ARROW;
    return PUSH;
}
}  // namespace

Button::Button(Token, Composite* parent, int style)
    : Control(displayOf(parent), parent, (style & ~(PUSH | CHECK | RADIO | TOGGLE | ARROW)) | kindOf(style)) {}

void Button::attach() {
    attachTo(getDisplay()->backend().createButton(static_cast<ButtonSite&>(*this), *parentPeer(), getStyle()));
}

void Button::pushState() { Control::pushState(); }

ButtonPeer* Button::getButtonPeer() const { return static_cast<ButtonPeer*>(m_peer.get()); }

void Button::setText(const std::string& text) {
    checkWidget();
    m_text = text;
    apply([&] { getButtonPeer()->setText(text); });
}

std::string Button::getText() const {
    checkWidget();
    return m_text;
}

void Button::setImage(const std::shared_ptr<Image>& image) {
    checkWidget();
    if (image && image->isDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
    m_image = image;
    apply([&] { getButtonPeer()->setImage(image ? image->getPeer() : nullptr); });
}

std::shared_ptr<Image> Button::getImage() const {
    checkWidget();
    return m_image;
}

void Button::setSelection(bool selected) {
    checkWidget();
    if ((getStyle() & (CHECK | RADIO | TOGGLE)) == 0) return;
    m_selection = selected;
    apply([&] { getButtonPeer()->setSelection(selected); });
}

bool Button::getSelection() const {
    checkWidget();
    return m_selection;
}

void Button::userSelect(bool selection) {
    fromUser([&] {
        if (isApplying()) return;
        int style = getStyle();
        if ((style & (CHECK | TOGGLE)) != 0) {
            m_selection = selection;
        } else if ((style & RADIO) != 0) {
            if (m_selection) return;  // clicking the chosen radio changes nothing
            // The sibling that loses the choice hears of it first.
            for (Control* sibling : getParent()->getChildren()) {
                auto* radio = dynamic_cast<Button*>(sibling);
                if (radio == nullptr || radio == this || (radio->getStyle() & RADIO) == 0 || !radio->m_selection) {
                    continue;
                }
                radio->m_selection = false;
                radio->apply([radio] { radio->getButtonPeer()->setSelection(false); });
                radio->sendEvent(Selection);
                if (isDisposed()) return;
            }
            m_selection = true;
            apply([this] { getButtonPeer()->setSelection(true); });
        }
        sendEvent(Selection);
    });
}

}  // namespace tk
