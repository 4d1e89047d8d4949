#include "platform/toolkit/qt/QtControlPeer.h"

namespace tk::qt {

namespace {
constexpr const char* OWNER_PROPERTY = "tkPeer";
}

QtWidgetPeer* QtWidgetPeer::ownerOf(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        QVariant owner = w->property(OWNER_PROPERTY);
        if (owner.isValid()) {
            auto* peer = reinterpret_cast<QtWidgetPeer*>(owner.value<quintptr>());
            if (peer != nullptr) return peer;
        }
        if (w->isWindow()) break;
    }
    return nullptr;
}

void QtWidgetPeer::markOwner(QWidget* widget, QtWidgetPeer* owner) {
    if (widget == nullptr) return;
    widget->setProperty(OWNER_PROPERTY, owner != nullptr ? QVariant::fromValue(reinterpret_cast<quintptr>(owner))
                                                          : QVariant());
}

bool QtWidgetPeer::firstReport(const QInputEvent* event) {
    static const QInputEvent* last = nullptr;
    static QEvent::Type lastType = QEvent::None;
    static quint64 lastTime = 0;
    if (event == last && event->type() == lastType && event->timestamp() == lastTime) return false;
    last = event;
    lastType = event->type();
    lastTime = event->timestamp();
    return true;
}

QWidget* containerOf(CompositePeer& parent) {
    if (auto* container = dynamic_cast<QtContainer*>(&parent)) return container->container();
    return widgetOf(&parent);
}

QWidget* widgetOf(ControlPeer* peer) {
    auto* native = dynamic_cast<QtWidgetPeer*>(peer);
    return native != nullptr ? native->widget() : nullptr;
}

}  // namespace tk::qt
