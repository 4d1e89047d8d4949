#include "platform/toolkit/Label.h"

#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/Image.h"
#include "platform/toolkit/ToolkitException.h"

namespace tk {

namespace {
int alignmentOf(int style) {
    if ((style & CENTER) != 0) return CENTER;
    if ((style & RIGHT) != 0) return RIGHT;
    return LEFT;
}
}  // namespace

Label::Label(Token, Composite* parent, int style)
    : Control(displayOf(parent), parent, style), m_alignment(alignmentOf(style)) {}

void Label::attach() {
    attachTo(getDisplay()->backend().createLabel(controlSite(), *parentPeer(), getStyle()));
}

void Label::pushState() {
    Control::pushState();
    if (m_alignment != LEFT) getLabelPeer()->setAlignment(m_alignment);
}

LabelPeer* Label::getLabelPeer() const { return static_cast<LabelPeer*>(m_peer.get()); }

void Label::setText(const std::string& text) {
    checkWidget();
    if ((getStyle() & SEPARATOR) != 0) return;
    m_text = text;
    apply([&] { getLabelPeer()->setText(text); });
}

std::string Label::getText() const {
    checkWidget();
    return m_text;
}

void Label::setImage(const std::shared_ptr<Image>& image) {
    checkWidget();
    if (image && image->isDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
    m_image = image;
    apply([&] { getLabelPeer()->setImage(image ? image->getPeer() : nullptr); });
}

std::shared_ptr<Image> Label::getImage() const {
    checkWidget();
    return m_image;
}

void Label::setAlignment(int alignment) {
    checkWidget();
    int value = alignmentOf(alignment);
    if ((alignment & (LEFT | CENTER | RIGHT)) == 0) return;
    m_alignment = value;
    apply([&] { getLabelPeer()->setAlignment(value); });
}

int Label::getAlignment() const {
    checkWidget();
    return m_alignment;
}

}  // namespace tk
