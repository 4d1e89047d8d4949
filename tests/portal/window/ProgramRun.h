#pragma once
// The real Lanternbay program of the current folder as a child process, for
// the program tests: started with its own toolkit and no standard output,
// and its exit status read within a limit; and the install folder it runs in.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"

namespace rltest::portaltest {

// Fills dir as an installation of the build: what Lanternbay ships, its
// control (registered in dir's own registry) and the program itself.
inline void installLanternbay(const TempWorkDir& dir) {
    ::setenv("RL_REGISTRY_DIR", dir.file("registry").c_str(), 1);
    for (const char* entry :
         {"content", "images", "Lanternbay.ico", "Lanternbay.versions", "Roamledger.ico", "tiraleaf-images"}) {
        std::filesystem::copy(std::string(RL_INSTALL_DIR) + "/" + entry, dir.file(entry),
                              std::filesystem::copy_options::recursive);
    }
    std::filesystem::copy_file(std::string(RL_INSTALL_DIR) + "/Tiraleaf.so", dir.file("Tiraleaf.so"));
    std::filesystem::create_symlink(RL_LANTERNBAY, dir.file("Lanternbay"));
}

// Starts ./Lanternbay with the arguments.
inline pid_t startLanternbay(const std::vector<std::string>& arguments) {
    pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv{const_cast<char*>("./Lanternbay")};
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::freopen("/dev/null", "w", stdout);
        // The program's own toolkit, whatever the tests use.
        ::unsetenv("RL_TOOLKIT");
        ::execv("./Lanternbay", argv.data());
        ::_exit(127);
    }
    return pid;
}

// The exit status (128 + the signal for a program killed by one), or -1
// when it did not end within timeoutMs; then it is killed.
inline int exitStatusOf(pid_t pid, int timeoutMs) {
    int status = 0;
    if (!waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace rltest::portaltest
