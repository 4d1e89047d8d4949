#pragma once
// Runs the built Navigator program in the working folder, with the test's
// environment, and waits for it within a time limit.

#include <string>
#include <vector>

namespace rltest {

struct NavigatorRun {
    bool ended = false;
    int exitCode = -1;
    std::string output;
    double seconds = 0;
};

NavigatorRun runNavigator(const std::vector<std::string>& args, int timeoutMs);
// The same with input on the program's standard input.
NavigatorRun runNavigator(const std::vector<std::string>& args, int timeoutMs, const std::string& input);

}  // namespace rltest
