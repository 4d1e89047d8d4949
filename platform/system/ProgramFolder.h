#pragma once
// The folder a program is installed in: the folder of the program's own file
// (/proc/self/exe, the real file with every link resolved), as desktop
// toolkits take an application's folder. The programs of an install folder
// work there, whatever folder they were started from.

#include <string>

namespace sys {

// Makes the folder of this program's file the working folder and answers
// it; "" when it cannot, with the reason on standard error.
std::string enterProgramFolder();

}  // namespace sys
