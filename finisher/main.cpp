// Vantrell: installs a downloaded upgrade and starts the program again.

#include <string>
#include <vector>

#include "finisher/Vantrell.h"
#include "foundation/TempFiles.h"
#include "foundation/Thread.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // Writes of an earlier run that was killed, in the install folder and its
    // download folder.
    if (args.size() == 5) foundation::TempFiles::removeStale(args[1], 1);
    return foundation::Thread::endProcess(finisher::Vantrell::main(args));
}
