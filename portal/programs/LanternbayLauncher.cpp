// LanternbayLauncher: starts Lanternbay from the working folder, passing on
// its first argument, and ends.

#include <string>
#include <vector>

#include "portal/LBLauncher.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return portal::LBLauncher::main(args);
}
