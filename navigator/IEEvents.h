#pragma once
// The event sink of a navigator's browser. One lock, shared by every sink,
// makes page handling and the quit handling strictly one after another:
// a page is handled completely, site logic included, before the next.

#include <mutex>
#include <string>
#include <vector>

#include "platform/automation/Dispatch.h"

namespace navigator {

class BaseNavigator;

class IEEvents : public automation::EventSink {
public:
    IEEvents(BaseNavigator* nav, automation::DispatchPtr ie);

    void invoke(const std::string& event, std::vector<automation::Variant>& args) override;

    // The page (or one of its frames) has completed: unless the navigator
    // is done, it gets the browser's top-level document and the event's
    // address.
    void DocumentComplete(std::vector<automation::Variant>& args);
    // The browser has closed: the launcher stops waiting.
    void OnQuit(std::vector<automation::Variant>& args);

    // Cuts the sink off its navigator; no handler runs for it afterwards.
    void detach();

    static std::recursive_mutex& lock();

private:
    BaseNavigator* m_nav;
    automation::DispatchPtr m_ie;
};

}  // namespace navigator
