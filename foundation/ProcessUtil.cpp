#include "foundation/ProcessUtil.h"

#include <iostream>

#include "foundation/ExceptionUtil.h"
#include "foundation/Logger.h"
#include "foundation/StreamGobbler.h"
#include "platform/system/Process.h"

namespace foundation {

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
    try {
        Logger::info("Launching " + command + " (arguments not listed)");
        std::vector<std::string> argv = sys::splitCommandLine(command);
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        sys::Child child = sys::startWithPipes(argv);
        auto errorReader = StreamGobbler::create(child.errFd, "ERROR");
        auto outputReader = StreamGobbler::create(child.outFd, "OUTPUT");
        errorReader->start();
        outputReader->start();
        if (!waitFor) {
            sys::reapInBackground(child.pid);
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
