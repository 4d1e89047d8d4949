#include "platform/toolkit/TabItem.h"

#include "platform/toolkit/Control.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/Image.h"
#include "platform/toolkit/TabFolder.h"
#include "platform/toolkit/ToolkitException.h"

namespace tk {

namespace {
Display* folderDisplay(TabFolder* parent) {
    if (parent == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
    if (parent->isDisposed() || parent->isBeingDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
    return parent->getDisplay();
}
}  // namespace

TabItem::TabItem(Token token, TabFolder* parent, int style) : TabItem(token, parent, style, -1) {}

TabItem::TabItem(Token, TabFolder* parent, int style, int index)
    : Widget(folderDisplay(parent), style), m_parent(parent), m_index(index) {
    if (index != -1 && (index < 0 || index > parent->getItemCount())) throw ToolkitException(ERROR_INVALID_RANGE);
}

void TabItem::attach() {
    int index = m_index < 0 ? m_parent->getItemCount() : m_index;
    m_parent->insertItem(std::static_pointer_cast<TabItem>(shared_from_this()), index);
}

void TabItem::unlink() { m_parent->removeItem(this); }

void TabItem::setText(const std::string& text) {
    checkWidget();
    m_text = text;
    m_parent->itemChanged(this);
}

std::string TabItem::getText() const {
    checkWidget();
    return m_text;
}

void TabItem::setImage(const std::shared_ptr<Image>& image) {
    checkWidget();
    if (image && image->isDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
    m_image = image;
    m_parent->itemChanged(this);
}

std::shared_ptr<Image> TabItem::getImage() const {
    checkWidget();
    return m_image;
}

void TabItem::setControl(Control* control) {
    checkWidget();
    if (control != nullptr) {
        if (control->isDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
        if (control->getParent() != m_parent) throw ToolkitException(ERROR_INVALID_PARENT);
        m_control = control->shared_from_this();
    } else {
        auto old = std::dynamic_pointer_cast<Control>(m_control.lock());
        m_control.reset();
        if (old && !old->isDisposed()) old->setVisible(false);
    }
    m_parent->itemChanged(this);
}

Control* TabItem::getControl() const {
    checkWidget();
    auto control = std::dynamic_pointer_cast<Control>(m_control.lock());
    return control && !control->isDisposed() ? control.get() : nullptr;
}

void TabItem::setToolTipText(const std::string& text) {
    checkWidget();
    m_toolTip = text;
    m_parent->itemChanged(this);
}

std::string TabItem::getToolTipText() const {
    checkWidget();
    return m_toolTip;
}

}  // namespace tk
