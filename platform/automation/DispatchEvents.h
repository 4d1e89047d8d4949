#pragma once
// The connection of an event sink to an object's events, made from the
// object, the sink and the ProgID whose event interface is meant. It lasts
// until safeRelease (or its end).

#include <memory>
#include <string>

#include "platform/automation/Dispatch.h"

namespace automation {

class DispatchEvents {
public:
    // AutomationException when the object was not made under that ProgID
    // or raises no events.
    DispatchEvents(DispatchPtr source, std::shared_ptr<EventSink> sink, const std::string& progId);
    ~DispatchEvents();
    DispatchEvents(const DispatchEvents&) = delete;
    DispatchEvents& operator=(const DispatchEvents&) = delete;

    // Disconnects; later calls do nothing.
    void safeRelease();

private:
    DispatchPtr m_source;
    int m_cookie = 0;
};

}  // namespace automation
