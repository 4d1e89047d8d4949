#pragma once
// Base of every widget and item: display, style, disposal and listeners.
// Only the display's thread may call a widget; any other thread gets
// "Invalid thread access", a disposed widget "Widget is disposed".

#include "platform/toolkit/Event.h"
#include "platform/toolkit/Made.h"
#include "platform/toolkit/Style.h"

#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace tk {

class Display;
class TestDriver;

class Widget : public Made, public std::enable_shared_from_this<Widget> {
public:
    ~Widget() override;
    Widget(const Widget&) = delete;
    Widget& operator=(const Widget&) = delete;

    Display* getDisplay() const;
    int getStyle() const;
    // Any thread; no check.
    bool isDisposed() const { return m_disposed; }
    // True from the start of dispose until the widget is released.
    bool isBeingDisposed() const { return m_disposing; }
    // Sends Dispose to this widget and everything it owns (parents first,
    // all still usable inside the listeners), then releases them.
    void dispose();

    // Returns an id for removeListener.
    int addListener(int eventType, Listener listener);
    void removeListener(int eventType, int id);
    bool isListening(int eventType) const;
    int addSelectionListener(Listener listener) { return addListener(Selection, std::move(listener)); }
    int addDisposeListener(Listener listener) { return addListener(Dispose, std::move(listener)); }
    // Delivers an event to this widget's listeners as if the widget had
    // raised it (type, widget, display and time are filled in).
    void notifyListeners(int eventType, Event& event);

protected:
    Widget(Display* display, int style);
    void checkWidget() const;
    static void checkArgument(const void* pointer);
    void sendEvent(int eventType, Event& event);
    void sendEvent(int eventType);
    // Owned widgets, released with this one.
    virtual void collectOwned(std::vector<Widget*>& out) const;
    // Drops the peer; called children first.
    virtual void releasePeer() {}
    // Detaches from the owner's lists; called on the top of a disposed tree.
    virtual void unlink() {}
    // While a peer setter runs, text and selection reports are ignored.
    class Applying {
    public:
        explicit Applying(const Widget& widget);
        ~Applying();

    private:
        Display* m_display;
    };
    bool isApplying() const;
    template <class F>
    void apply(F&& body) const {
        Applying guard(*this);
        body();
    }
    // Runs a site report: failures raised while the display is inside a
    // native dispatch are kept for readAndDispatch to rethrow.
    template <class F>
    void fromUser(F&& body);

private:
    void deferFailure();
    bool userCallsAllowed() const;

    Display* m_display;
    int m_style;
    bool m_disposed = false;
    bool m_disposing = false;
    int m_nextListenerId = 1;
    std::map<int, std::vector<std::pair<int, Listener>>> m_listeners;

    friend class TestDriver;
};

template <class F>
void Widget::fromUser(F&& body) {
    if (!userCallsAllowed()) return;
    try {
        body();
    } catch (...) {
        deferFailure();
    }
}

}  // namespace tk
