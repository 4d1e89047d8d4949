// LanternbayLauncher: starts Lanternbay from the working folder, passing on
// its first argument, and ends.

#include <string>
#include <vector>

#include "foundation/Thread.h"
#include "portal/LBLauncher.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return foundation::Thread::endProcess(portal::LBLauncher::main(args));
}
