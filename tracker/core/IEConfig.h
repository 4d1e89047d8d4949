#pragma once
// Opens the machine's Internet connection settings for the Options dialog.
// The command comes from the host table (role "InternetOptions.command",
// the program and its arguments separated by blanks); an installation that
// names none gets the log line "Could not launch ..." and nothing else.

#include <string>

namespace tracker {

class IEConfig {
public:
    static constexpr const char* COMMAND_ROLE = "InternetOptions.command";

    // Starts the settings program and returns at once; a failure is logged.
    static void displayOptions();
};

}  // namespace tracker
