#pragma once
// LanternbayLauncher: starts Lanternbay from the working folder, which the
// program makes its own install folder, and ends.
// It is what runs at logon (no argument) and from shortcuts (an argument,
// passed on). At logon the start-up override marker stops it, as it stops
// Lanternbay itself.

#include <string>
#include <vector>

namespace portal {

class LBLauncher {
public:
    static constexpr const char* LOG_FILE = "LanternbayLauncher.log";
    static constexpr const char* PROGRAM = "./Lanternbay";
    static constexpr const char* PROGRAM_NAME = "Lanternbay";
    static constexpr const char* VERSION_LABEL = "Lanternbay 20060430";

    // args without the program's own name. Answers the exit status: 0,
    // also when Lanternbay could not be started (the log tells).
    static int main(const std::vector<std::string>& args);
};

}  // namespace portal
