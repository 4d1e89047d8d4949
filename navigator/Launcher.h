#pragma once
// The program's entry: Navigator <program key> <user name> <password>
// [<second credential>], or Navigator --stdin with those values on standard
// input, each ended by a NUL byte, so that no password shows in the process
// list (the tracker starts it so). It logs into "Navigator.log" in the
// working folder, opens the browser on the program's site, lets the site's
// navigator log the user in and ends; the browser stays open.

#include <array>
#include <istream>
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

    static constexpr const char* STDIN_FLAG = "--stdin";

    // The whole program: -1 for a wrong number of arguments, else 0. With
    // STDIN_FLAG alone the values come from input.
    static int main(const std::vector<std::string>& args);
    static int main(const std::vector<std::string>& args, std::istream& input);
    // The values on input: each ended by a NUL byte (the last one may lack
    // it), until the end of input.
    static std::vector<std::string> readArguments(std::istream& input);
    // Runs the navigator whose full class name ends with "." + key (every
    // class of the table is tried); nothing when none matches.
    static void launchNavigator(const std::string& key, const std::string& username, const std::string& password,
                                const std::optional<std::string>& password2);
};

}  // namespace navigator
