#pragma once
// Starts one navigator with the account's credentials and waits until it
// is done or the user closes the browser.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace navigator {

class RLNavigator;

// A navigator class: its full name and how to make one (which starts the
// browser).
struct NavigatorClass {
    std::string name;
    std::function<std::unique_ptr<RLNavigator>()> create;
};

class AbstractLauncher {
public:
    // The period of the wait loop, in milliseconds.
    static constexpr int POLLING_DURATION = 200;

    static void stopRunning();
    static bool isRunning() { return m_keepRunning.load(); }

protected:
    // Creates the navigator, hands it the credentials, starts it and waits:
    // every POLLING_DURATION ms it asks whether the navigator is done, until
    // then or until the browser's quit event. No time limit.
    static void launchNavigatorInternal(const NavigatorClass& navigatorClass, const std::string& username,
                                        const std::string& password, const std::optional<std::string>& password2);

    static std::atomic<bool> m_keepRunning;
};

}  // namespace navigator
