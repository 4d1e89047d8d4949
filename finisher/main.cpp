// Vantrell: installs a downloaded upgrade and starts the program again.

#include <filesystem>
#include <string>
#include <vector>

#include "finisher/Vantrell.h"
#include "foundation/TempFiles.h"
#include "foundation/Thread.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // Writes of an earlier run that was killed: it writes only the table of
    // versions (the install folder's, given last).
    if (args.size() == 5) foundation::TempFiles::removeStale(std::filesystem::path(args[4]).parent_path().string());
    return foundation::Thread::endProcess(finisher::Vantrell::main(args));
}
