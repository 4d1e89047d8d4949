#pragma once
// The tracker window. What the rest of the program asks of it without
// holding the window: the edition of this run, the display and shell it was
// built on, the host's identifier and whether a retrieval is running.

#include <atomic>
#include <mutex>
#include <string>

namespace tk {
class Display;
class Shell;
}  // namespace tk

namespace tracker::ui {

class BaseRLApp {
public:
    static constexpr int APP_TYPE_LANTERNBAY = 0;
    static constexpr int APP_TYPE_FARHAVEN = 1;
    static constexpr int APP_TYPE_BRTW = 2;
    static constexpr int APP_TYPE_ROAMBAY = 3;

    // 0 until the window is created.
    static int getAppType() { return m_appType.load(); }
    static bool isAppTypeLanternbay() { return getAppType() == APP_TYPE_LANTERNBAY; }
    static bool isAppTypeFarhaven() { return getAppType() == APP_TYPE_FARHAVEN; }
    static bool isAppTypeBRTW() { return getAppType() == APP_TYPE_BRTW; }
    static bool isAppTypeRoambay() { return getAppType() == APP_TYPE_ROAMBAY; }
    static bool isAppTypeBranded() { return isAppTypeBRTW() || isAppTypeRoambay(); }

    // The display the window was built on; nullptr before.
    static tk::Display* getDisplay() { return m_display.load(); }
    // The top-level shell that holds the window (its own or the host's);
    // nullptr before.
    static tk::Shell* getShell() { return m_parentShell.load(); }
    // The identifier the host gave the window; empty when none.
    static std::string getParentUUID();
    static bool isCheckInProgress() { return m_isCheckInProgress.load(); }

    // Set by the window while it is built and as retrievals start and end.
    static void setAppType(int appType) { m_appType.store(appType); }
    static void setDisplay(tk::Display* display) { m_display.store(display); }
    static void setShell(tk::Shell* shell) { m_parentShell.store(shell); }
    static void setParentUUID(const std::string& uuid);
    static void setCheckInProgress(bool inProgress) { m_isCheckInProgress.store(inProgress); }

private:
    static std::atomic<int> m_appType;
    static std::atomic<tk::Display*> m_display;
    static std::atomic<tk::Shell*> m_parentShell;
    static std::mutex m_parentUUIDLock;
    static std::string m_parentUUID;
    static std::atomic<bool> m_isCheckInProgress;
};

}  // namespace tracker::ui
