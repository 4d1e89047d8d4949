#include "foundation/ProcessUtil.h"

#include <iostream>

#include "foundation/ExceptionUtil.h"
#include "foundation/Logger.h"
#include "foundation/StreamGobbler.h"
#include "foundation/Thread.h"
#include "foundation/ThreadUtil.h"
#include "platform/system/Process.h"

namespace foundation {

namespace {

// Waits for a child that nobody waits for, so that it leaves no zombie. A
// stop leaves the child running; the system adopts it when we end.
class ChildReaper : public Thread {
public:
    explicit ChildReaper(pid_t pid) : m_pid(pid) {}

protected:
    void run() override {
        while (!sys::reapIfEnded(m_pid)) ThreadUtil::sleepWithoutAlarm(kPollMs);
    }

private:
    static constexpr int64_t kPollMs = 100;
    pid_t m_pid;
};

}  // namespace

void ProcessUtil::spawnSeparateProcess(const std::string& command) {
    Logger::info("Spawning separate process: " + command);
    sys::startDetached(sys::splitCommandLine(command));
}

void ProcessUtil::spawnSeparateProcess(const std::vector<std::string>& command) {
    std::string text = "Spawning separate process: ";
    for (const auto& word : command) text += word + " ";
    Logger::info(text);
    sys::startDetached(command);
}

std::string ProcessUtil::commandLine(const std::string& command, const std::vector<std::string>& arguments) {
    std::string line = command;
    for (const auto& argument : arguments) line += " " + argument;
    return line;
}

int ProcessUtil::launchProcess(const std::string& command, const std::vector<std::string>& arguments, bool waitFor) {
    return launch(command, arguments, waitFor, nullptr);
}

int ProcessUtil::launchProcess(const std::string& command, const std::vector<std::string>& arguments, bool waitFor,
                               const std::string& input) {
    return launch(command, arguments, waitFor, &input);
}

int ProcessUtil::launch(const std::string& command, const std::vector<std::string>& arguments, bool waitFor,
                        const std::string* input) {
    try {
        Logger::info("Launching " + command + " (arguments not listed)");
        std::vector<std::string> argv = sys::splitCommandLine(command);
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        sys::Child child = input != nullptr ? sys::startWithPipes(argv, *input) : sys::startWithPipes(argv);
        auto errorReader = StreamGobbler::create(child.errFd, "ERROR");
        auto outputReader = StreamGobbler::create(child.outFd, "OUTPUT");
        errorReader->start();
        outputReader->start();
        if (!waitFor) {
            std::make_shared<ChildReaper>(child.pid)->start();
            return 0;
        }
        int exitValue = sys::waitForExit(child.pid);
        Logger::info(command + " exiting with value " + std::to_string(exitValue));
        return exitValue;
    } catch (const std::exception& e) {
        Logger::error("Could not launch " + command + " (arguments not listed)");
        std::cerr << ExceptionUtil::getStackTrace(e);
        return -1;
    }
}

}  // namespace foundation
