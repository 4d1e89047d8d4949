// The Navigator program: logs the user into one loyalty site in a visible
// browser (Launcher.h). It works in its install folder (the folder of its
// own file), where it writes its log; the browser is the automation server
// program installed beside it.

#include <string>
#include <vector>

#include "foundation/Logger.h"
#include "foundation/Thread.h"
#include "navigator/BaseNavigator.h"
#include "navigator/Launcher.h"
#include "platform/automation/Automation.h"
#include "platform/automation/RemoteServer.h"
#include "platform/system/ProgramFolder.h"

int main(int argc, char** argv) {
    const std::string folder = sys::enterProgramFolder();
    if (folder.empty()) return 1;
    const char* progId = navigator::BaseNavigator::INTERNET_EXPLORER_PROG_ID;
    automation::registerServer(progId, automation::remoteServer(progId, folder + "/automation-browser"));
    const int status = navigator::Launcher::main(std::vector<std::string>(argv + 1, argv + argc));
    // The program's threads end before the browser's event threads do.
    const int code = foundation::Thread::endProcess(status);
    automation::shutdown();
    foundation::Logger::close();
    return code;
}
