#pragma once
// One event as listeners see it. Fields that an event type does not use keep
// their defaults.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tk {

class Widget;
class Display;
class Browser;

struct Event {
    int type = 0;
    Widget* widget = nullptr;  // the widget the listener was added to
    Widget* item = nullptr;    // a tab item, menu item, ... where relevant
    Display* display = nullptr;
    int64_t time = 0;          // display clock, milliseconds
    bool doit = true;          // a listener clears it to refuse (Close, LocationChanging)
    int x = 0, y = 0, width = 0, height = 0;
    int button = 0;            // mouse button 1..3
    int count = 0;             // clicks
    int stateMask = 0;         // CTRL, ALT, SHIFT
    int keyCode = 0;
    char32_t character = 0;
    int detail = 0;
    int index = -1;
    std::string text;
    // Browser events.
    std::string location;
    bool top = true;                   // top frame (false for a sub-frame)
    std::shared_ptr<Browser> browser;  // OpenWindow: the listener puts the browser that takes the new window here
};

using Listener = std::function<void(Event&)>;

// A task with an identity, so that a timer can be re-armed or cancelled by
// handing the same object again.
class Runnable {
public:
    virtual ~Runnable() = default;
    virtual void run() = 0;
};

std::shared_ptr<Runnable> runnable(std::function<void()> body);

}  // namespace tk
