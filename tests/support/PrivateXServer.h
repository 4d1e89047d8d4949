#pragma once
// A virtual X display of a test's own (Xvfb), so that keys the test types
// at the window-system level reach nobody else's windows. The server picks
// a free display number itself; DISPLAY names it for the life of the
// object and is restored afterwards.

#include <sys/types.h>

#include <string>
#include <vector>

namespace rltest {

class PrivateXServer {
public:
    // Extra server arguments, e.g. {"-extension", "RECORD"} to switch one off.
    explicit PrivateXServer(const std::vector<std::string>& extraArguments = {});
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // False when Xvfb could not be started; the reason is in error().
    bool running() const { return m_pid > 0; }
    const std::string& error() const { return m_error; }
    // ":N"
    const std::string& name() const { return m_name; }

private:
    pid_t m_pid = -1;
    std::string m_name;
    std::string m_error;
    bool m_hadDisplay = false;
    std::string m_previousDisplay;
};

}  // namespace rltest
