#pragma once
// Runs the built Navigator program, installed in the working folder with
// the browser it drives (as files of the folder), with the test's
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
// The same started from another folder, as a shell elsewhere starts it.
NavigatorRun runNavigatorFrom(const std::string& folder, const std::vector<std::string>& args, int timeoutMs);

}  // namespace rltest
