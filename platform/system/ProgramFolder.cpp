#include "platform/system/ProgramFolder.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

namespace sys {

std::string enterProgramFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        std::cerr << "Cannot find the program's folder: " << error.message() << std::endl;
        return "";
    }
    const std::string folder = self.parent_path().string();
    if (::chdir(folder.c_str()) != 0) {
        std::cerr << "Cannot work in " << folder << ": " << std::strerror(errno) << std::endl;
        return "";
    }
    return folder;
}

}  // namespace sys
