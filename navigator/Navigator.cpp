// The Navigator program: logs the user into one loyalty site in a visible
// browser (Launcher.h). The browser is the automation server program
// installed beside this one.

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/Logger.h"
#include "foundation/Thread.h"
#include "navigator/BaseNavigator.h"
#include "navigator/Launcher.h"
#include "platform/automation/Automation.h"
#include "platform/automation/RemoteServer.h"

namespace {

std::string besideThisProgram(const std::string& name) {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? name : (self.parent_path() / name).string();
}

}  // namespace

int main(int argc, char** argv) {
    const char* progId = navigator::BaseNavigator::INTERNET_EXPLORER_PROG_ID;
    automation::registerServer(progId, automation::remoteServer(progId, besideThisProgram("automation-browser")));
    const int status = navigator::Launcher::main(std::vector<std::string>(argv + 1, argv + argc));
    // The program's threads end before the browser's event threads do.
    const int code = foundation::Thread::endProcess(status);
    automation::shutdown();
    foundation::Logger::close();
    return code;
}
