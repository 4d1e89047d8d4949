#pragma once
// An automation object reached by name: property reads and writes and
// method calls, each by the member's name, and for objects that raise
// events, sinks that receive them by event name.
//
// Names compare without regard to letter case, as the browser's objects
// take them. Objects may be called from any thread; an object that raises
// events delivers them on an event thread of its own, one at a time.

#include <memory>
#include <string>
#include <vector>

#include "platform/automation/Variant.h"

namespace automation {

class EventSink {
public:
    virtual ~EventSink() = default;
    // One event with its arguments, on the object's event thread.
    virtual void invoke(const std::string& event, std::vector<Variant>& args) = 0;
};

class Dispatch {
public:
    virtual ~Dispatch() = default;

    virtual Variant get(const std::string& name) = 0;
    virtual void put(const std::string& name, const Variant& value) = 0;
    virtual Variant call(const std::string& name, const std::vector<Variant>& args) = 0;
    Variant call(const std::string& name) { return call(name, {}); }

    // The ProgID the object was created under ("" for objects it hands out).
    virtual std::string progId() const { return ""; }

    // Starts delivering this object's events to the sink; the answer names
    // the connection for unadvise. Objects without events refuse
    // (AutomationException).
    virtual int advise(std::shared_ptr<EventSink> sink);
    // Stops a connection; no event reaches its sink once this returns,
    // except one being delivered by the calling thread itself.
    virtual void unadvise(int cookie);
};

}  // namespace automation
