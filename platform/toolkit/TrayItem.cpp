#include "platform/toolkit/TrayItem.h"

#include "platform/toolkit/Display.h"
#include "platform/toolkit/Image.h"
#include "platform/toolkit/ToolkitException.h"
#include "platform/toolkit/Tray.h"

namespace tk {

namespace {
Display* trayDisplay(Tray* tray) {
    if (tray == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
    return tray->getDisplay();
}
}  // namespace

TrayItem::TrayItem(Token, Tray* parent, int style) : Widget(trayDisplay(parent), style), m_parent(parent) {}

void TrayItem::attach() {
    m_peer = getDisplay()->backend().createTrayItem(static_cast<TrayItemSite&>(*this), getStyle());
    if (!m_peer) throw ToolkitException(ERROR_NO_HANDLES);
    m_parent->addItem(std::static_pointer_cast<TrayItem>(shared_from_this()));
}

void TrayItem::releasePeer() { m_peer.reset(); }

void TrayItem::unlink() { m_parent->removeItem(this); }

void TrayItem::setImage(const std::shared_ptr<Image>& image) {
    checkWidget();
    if (image && image->isDisposed()) throw ToolkitException(ERROR_INVALID_ARGUMENT);
    m_image = image;
    apply([&] { m_peer->setImage(image ? image->getPeer() : nullptr); });
}

std::shared_ptr<Image> TrayItem::getImage() const {
    checkWidget();
    return m_image;
}

void TrayItem::setToolTipText(const std::string& text) {
    checkWidget();
    m_toolTip = text;
    apply([&] { m_peer->setToolTipText(text); });
}

std::string TrayItem::getToolTipText() const {
    checkWidget();
    return m_toolTip;
}

void TrayItem::setVisible(bool visible) {
    checkWidget();
    if (m_visible == visible) return;
    m_visible = visible;
    apply([&] { m_peer->setVisible(visible); });
}

bool TrayItem::getVisible() const {
    checkWidget();
    return m_visible;
}

void TrayItem::userSelect() {
    fromUser([this] { sendEvent(Selection); });
}

void TrayItem::userDefaultSelect() {
    fromUser([this] { sendEvent(DefaultSelection); });
}

void TrayItem::userMenuDetect() {
    fromUser([this] { sendEvent(MenuDetect); });
}

}  // namespace tk
