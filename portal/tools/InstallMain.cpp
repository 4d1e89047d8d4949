// lanternbay-install FOLDER
//
// Prepares an install folder as the installer would: registers the
// Tiraleaf control found there (FOLDER/Tiraleaf.so) in the registry store
// (RL_REGISTRY_DIR, else the user's), so that Lanternbay can make its
// panel by ProgID.

#include <filesystem>
#include <iostream>
#include <string>

#include "platform/com/ComException.h"
#include "platform/com/Registration.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: lanternbay-install FOLDER\n";
        return 2;
    }
    const std::filesystem::path module = std::filesystem::absolute(std::filesystem::path(argv[1]) / "Tiraleaf.so");
    if (!std::filesystem::exists(module)) {
        std::cerr << "lanternbay-install: " << module.string() << " does not exist\n";
        return 1;
    }
    try {
        com::registerModule(module.string());
    } catch (const com::ComException& failure) {
        std::cerr << "lanternbay-install: cannot register " << module.string() << ": " << failure.what() << "\n";
        return 1;
    }
    std::cout << "Registered " << module.string() << "\n";
    return 0;
}
