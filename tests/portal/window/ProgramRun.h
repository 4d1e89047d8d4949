#pragma once
// The real Lanternbay program of the current folder as a child process, for
// the program tests: started with its own toolkit, no standard output and a
// machine with a network connection, and its exit status read within a
// limit; and the install folder it runs in.

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
// control (registered in dir's own registry) and the program itself; and,
// in "net", the routing tables of a machine with a network connection.
inline void installLanternbay(const TempWorkDir& dir) {
    ::setenv("RL_REGISTRY_DIR", dir.file("registry").c_str(), 1);
    for (const char* entry :
         {"content", "images", "Lanternbay.ico", "Lanternbay.versions", "Roamledger.ico", "tiraleaf-images"}) {
        std::filesystem::copy(std::string(RL_INSTALL_DIR) + "/" + entry, dir.file(entry),
                              std::filesystem::copy_options::recursive);
    }
    std::filesystem::copy_file(std::string(RL_INSTALL_DIR) + "/Tiraleaf.so", dir.file("Tiraleaf.so"));
    installProgram(RL_LANTERNBAY, dir.path());
    std::filesystem::create_directory(dir.file("net"));
    writeFile(dir.file("net/route"), "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\tMTU\tWindow\tIRTT\n"
                                     "eth0\t00000000\t010200C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n");
    writeFile(dir.file("net/ipv6_route"), "");
}

// Starts the Lanternbay of the working folder with the arguments, from the
// folder `from` when one is given (as a desktop launcher or a shell in
// another folder starts it).
inline pid_t startLanternbay(const std::vector<std::string>& arguments, const std::string& from = "") {
    const std::string install = std::filesystem::current_path().string();
    const std::string program = install + "/Lanternbay";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // The program's own toolkit, whatever the tests use, and the prepared
    // routing tables.
    std::vector<std::string> environment{"RL_ROUTE_TABLES=" + install + "/net"};
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("RL_TOOLKIT=", 0) != 0 && entry.rfind("RL_ROUTE_TABLES=", 0) != 0) environment.push_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        if (!from.empty() && ::chdir(from.c_str()) != 0) ::_exit(126);
        ::execve(program.c_str(), argv.data(), envp.data());
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
