#include "platform/toolkit/Widget.h"

#include "platform/toolkit/Display.h"
#include "platform/toolkit/ToolkitException.h"

#include <algorithm>
#include <unordered_set>

namespace tk {

Widget::Widget(Display* display, int style) : m_display(display), m_style(style) {
    if (display == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
    display->checkDevice();
}

Widget::~Widget() = default;

Display* Widget::getDisplay() const { return m_display; }

int Widget::getStyle() const {
    checkWidget();
    return m_style;
}

void Widget::checkWidget() const {
    // Disposed first: the display may be gone by then.
    if (m_disposed) throw ToolkitException(ERROR_WIDGET_DISPOSED);
    if (!m_display->isUserInterfaceThread()) throw ToolkitException(ERROR_THREAD_INVALID_ACCESS);
}

void Widget::checkArgument(const void* pointer) {
    if (pointer == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
}

void Widget::collectOwned(std::vector<Widget*>&) const {}

void Widget::dispose() {
    if (m_disposed || m_disposing) return;
    if (!m_display->isUserInterfaceThread()) throw ToolkitException(ERROR_THREAD_INVALID_ACCESS);

    // The tree in pre-order, each widget once (a cascade menu is owned by
    // both its item and its shell), kept alive until the end.
    std::vector<std::shared_ptr<Widget>> tree;
    std::unordered_set<Widget*> seen;
    std::vector<Widget*> pending{this};
    while (!pending.empty()) {
        Widget* widget = pending.back();
        pending.pop_back();
        if (widget->m_disposed || widget->m_disposing || !seen.insert(widget).second) continue;
        widget->m_disposing = true;
        tree.push_back(widget->shared_from_this());
        std::vector<Widget*> owned;
        widget->collectOwned(owned);
        for (auto it = owned.rbegin(); it != owned.rend(); ++it) pending.push_back(*it);
    }

    for (auto& widget : tree) {
        Event event;
        widget->sendEvent(Dispose, event);
    }
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
        Widget* widget = it->get();
        widget->releasePeer();
        widget->m_disposed = true;
        widget->m_disposing = false;
        widget->m_listeners.clear();
        m_display->widgetReleased(widget);
    }
    // Owners of inner widgets are released with them; only the top one has
    // a live owner to leave.
    unlink();
}

int Widget::addListener(int eventType, Listener listener) {
    checkWidget();
    if (!listener) throw ToolkitException(ERROR_NULL_ARGUMENT);
    int id = m_nextListenerId++;
    m_listeners[eventType].emplace_back(id, std::move(listener));
    return id;
}

void Widget::removeListener(int eventType, int id) {
    checkWidget();
    auto found = m_listeners.find(eventType);
    if (found == m_listeners.end()) return;
    auto& list = found->second;
    list.erase(std::remove_if(list.begin(), list.end(), [id](const auto& entry) { return entry.first == id; }),
               list.end());
}

bool Widget::isListening(int eventType) const {
    checkWidget();
    auto found = m_listeners.find(eventType);
    return found != m_listeners.end() && !found->second.empty();
}

void Widget::notifyListeners(int eventType, Event& event) {
    checkWidget();
    sendEvent(eventType, event);
}

void Widget::sendEvent(int eventType) {
    Event event;
    sendEvent(eventType, event);
}

void Widget::sendEvent(int eventType, Event& event) {
    event.type = eventType;
    event.widget = this;
    event.display = m_display;
    event.time = m_display->now();
    auto found = m_listeners.find(eventType);
    if (found == m_listeners.end()) return;
    // Listeners may add or remove listeners while they run.
    auto snapshot = found->second;
    for (auto& [id, listener] : snapshot) {
        if (m_disposed) return;
        if (m_disposing && eventType != Dispose) return;
        auto& current = m_listeners[eventType];
        bool stillThere = std::any_of(current.begin(), current.end(),
                                      [id = id](const auto& entry) { return entry.first == id; });
        if (stillThere) listener(event);
    }
}

Widget::Applying::Applying(const Widget& widget) : m_display(widget.m_display) { m_display->beginApplying(); }

Widget::Applying::~Applying() { m_display->endApplying(); }

bool Widget::isApplying() const { return m_display->applyingDepth() > 0; }

bool Widget::userCallsAllowed() const {
    return !m_disposed && !m_disposing && m_display->isUserInterfaceThread();
}

void Widget::deferFailure() {
    if (m_display->nativeDepth() > 0) {
        m_display->deferFailure(std::current_exception());
        return;
    }
    throw;
}

}  // namespace tk
