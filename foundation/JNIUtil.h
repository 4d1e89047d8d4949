#pragma once
// Whether and how the machine is connected to the Internet, from the
// system layer's connection state, with a flag that makes every test
// answer connected for the rest of the run.

#include <atomic>
#include <string>

namespace foundation {

class JNIUtil {
public:
    // Collects the connection state (again).
    static void initConnectionCheck();
    static void refreshConnectionInfo();
    // The state as last collected.
    static bool isConnectedInternal();
    // True with the override flag set, else isConnectedInternal().
    static bool isConnected();
    // Collects afresh first unless onlyIfDisconnected is set and the
    // machine counts as connected; then isConnected().
    static bool isConnectedAfterRefresh(bool onlyIfDisconnected);
    static void setOverrideAlwaysConnected(bool on) { m_overrideAlwaysConnected.store(on); }
    static std::string getConnectionName();
    static bool isLAN();
    static bool isModem();
    static bool isViaProxy();

private:
    static std::atomic<bool> m_overrideAlwaysConnected;
};

}  // namespace foundation
