#include "platform/automation/DispatchEvents.h"

#include "platform/automation/AutomationException.h"

namespace automation {

DispatchEvents::DispatchEvents(DispatchPtr source, std::shared_ptr<EventSink> sink, const std::string& progId) {
    if (!source || !sink) throw AutomationException("No object or no sink to connect");
    if (source->progId() != progId) {
        throw AutomationException("The object has no event interface of " + progId);
    }
    m_cookie = source->advise(std::move(sink));
    m_source = std::move(source);
}

DispatchEvents::~DispatchEvents() { safeRelease(); }

void DispatchEvents::safeRelease() {
    DispatchPtr source = std::move(m_source);
    m_source.reset();
    if (source) source->unadvise(m_cookie);
}

}  // namespace automation
