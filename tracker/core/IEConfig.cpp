#include "tracker/core/IEConfig.h"

#include <sstream>
#include <vector>

#include "foundation/HostTable.h"
#include "foundation/Logger.h"
#include "foundation/ProcessUtil.h"

namespace tracker {

void IEConfig::displayOptions() {
    std::string line = foundation::HostTable::has(COMMAND_ROLE) ? foundation::HostTable::get(COMMAND_ROLE) : "";
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command.empty()) {
        foundation::Logger::error(std::string("Could not launch the Internet options: no command in the host table (") +
                                  COMMAND_ROLE + ")");
        return;
    }
    std::vector<std::string> arguments;
    for (std::string word; words >> word;) arguments.push_back(word);
    // The panel runs on its own; failures are logged by the launcher.
    (void)foundation::ProcessUtil::launchProcess(command, arguments, false);
}

}  // namespace tracker
