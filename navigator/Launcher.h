#pragma once
// The program's entry: Navigator <program key> <user name> <password>
// [<second credential>]. It logs into "Navigator.log" in the working
// folder, opens the browser on the program's site, lets the site's
// navigator log the user in and ends; the browser stays open.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "navigator/AbstractLauncher.h"

namespace navigator {

class Launcher : public AbstractLauncher {
public:
    static constexpr const char* LOG_FILE = "Navigator.log";
    // The navigator classes a command line reaches, in table order, by
    // simple name (the program key).
    static const std::array<const char*, 112> CLASSES;

    // The whole program: -1 for a wrong number of arguments, else 0.
    static int main(const std::vector<std::string>& args);
    // Runs the navigator whose full class name ends with "." + key (every
    // class of the table is tried); nothing when none matches.
    static void launchNavigator(const std::string& key, const std::string& username, const std::string& password,
                                const std::optional<std::string>& password2);
};

}  // namespace navigator
