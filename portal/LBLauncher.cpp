#include "portal/LBLauncher.h"

#include "foundation/AsynchURL.h"
#include "foundation/FileUtil.h"
#include "foundation/Logger.h"
#include "platform/system/Process.h"
#include "portal/LBApp.h"

namespace portal {

using foundation::Logger;

int LBLauncher::main(const std::vector<std::string>& args) {
    Logger::setLogFilePath(LOG_FILE);
    Logger::setLevel(Logger::LEVEL_INFO);
    Logger::setUseConsole(true);
    try {
        // Logged by its bare name; started from the working folder.
        std::vector<std::string> command{PROGRAM_NAME};
        if (!args.empty()) {
            Logger::info("Launch not at startup");
            command.push_back(args.front());
        } else {
            Logger::info("Launch at startup");
            if (foundation::FileUtil::doesFileExist(LBApp::STARTUP_OVERRIDE_FILE)) {
                Logger::info("Startup override file exists.  Exiting.");
                return 0;
            }
            Logger::info("No startup override file");
        }
        std::string line = "Spawning separate process:";
        for (const std::string& word : command) line += " " + word;
        Logger::info(line);
        // The value passed on stays one argument, blanks and all.
        command.front() = PROGRAM;
        sys::startDetached(command);
    } catch (const std::exception& failure) {
        foundation::AsynchURL::reportNonRLSourceError(failure.what(), "-", "-", VERSION_LABEL, "LanternbayLauncher",
                                                      &failure, 0);
        Logger::error(std::string("Unable to launch ") + PROGRAM_NAME, failure);
    }
    return 0;
}

}  // namespace portal
