// LanternbayLauncher: starts the Lanternbay of its own folder, passing on its
// first argument, and ends.

#include <string>
#include <vector>

#include "foundation/Thread.h"
#include "platform/system/ProgramFolder.h"
#include "portal/LBLauncher.h"

int main(int argc, char** argv) {
    // Its log, the start-up override marker and Lanternbay are those of
    // the install folder.
    if (sys::enterProgramFolder().empty()) return 1;
    const std::vector<std::string> args(argv + 1, argv + argc);
    return foundation::Thread::endProcess(portal::LBLauncher::main(args));
}
