#pragma once
// Runs a program of the build the way a user or another program would
// start it, and waits for it: its exit status and both output streams.

#include <string>
#include <vector>

namespace rltest {

struct ProgramRun {
    int status = -1;  // the exit value, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

// Starts argv (from the working folder, with this process's environment)
// and waits until the program has ended and closed both streams.
ProgramRun runProgram(const std::vector<std::string>& argv);

}  // namespace rltest
