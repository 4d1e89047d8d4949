#include "platform/automation/Dispatch.h"

#include "platform/automation/AutomationException.h"

namespace automation {

int Dispatch::advise(std::shared_ptr<EventSink>) { throw AutomationException("The object raises no events"); }

void Dispatch::unadvise(int) {}

}  // namespace automation
