#include "navigator/AbstractLauncher.h"

#include "foundation/ThreadUtil.h"
#include "navigator/RLNavigator.h"

namespace navigator {

std::atomic<bool> AbstractLauncher::m_keepRunning{true};

void AbstractLauncher::stopRunning() { m_keepRunning.store(false); }

void AbstractLauncher::launchNavigatorInternal(const NavigatorClass& navigatorClass, const std::string& username,
                                               const std::string& password,
                                               const std::optional<std::string>& password2) {
    std::unique_ptr<RLNavigator> navigator = navigatorClass.create();
    // However the wait ends, the site logic finishes before the navigator goes.
    struct Stop {
        RLNavigator& navigator;
        ~Stop() { navigator.stopEvents(); }
    } stop{*navigator};
    navigator->setUsername(username);
    navigator->setPassword(password);
    navigator->setPassword2(password2);
    navigator->go();
    while (m_keepRunning.load()) {
        foundation::ThreadUtil::sleepWithoutAlarm(POLLING_DURATION);
        if (navigator->isDone()) m_keepRunning.store(false);
    }
}

}  // namespace navigator
