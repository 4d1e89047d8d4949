// Vantrell: installs a downloaded upgrade and starts the program again.

#include <string>
#include <vector>

#include "finisher/Vantrell.h"
#include "foundation/Thread.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return foundation::Thread::endProcess(finisher::Vantrell::main(args));
}
