#include "tests/navigator/program/NavigatorRun.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "platform/system/Process.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"

namespace rltest {

namespace {

// Navigator and, where the build has one, the browser it drives.
const std::vector<const char*> PROGRAMS{NAVIGATOR_PATH,
#ifdef AUTOMATION_BROWSER_PATH
                                        AUTOMATION_BROWSER_PATH,
#endif
};

NavigatorRun run(const std::vector<std::string>& args, int timeoutMs, const std::string* input,
                 const std::string& from = "") {
    const std::string folder = std::filesystem::current_path().string();
    for (const char* program : PROGRAMS) {
        const std::string name = std::filesystem::path(program).filename().string();
        if (!fileExists(folder + "/" + name)) installProgram(program, folder);
    }
    std::vector<std::string> argv{folder + "/Navigator"};
    argv.insert(argv.end(), args.begin(), args.end());
    NavigatorRun result;
    const auto start = std::chrono::steady_clock::now();
    const auto until = start + std::chrono::milliseconds(scaled(timeoutMs));
    // The child starts in the working folder of the moment.
    if (!from.empty()) std::filesystem::current_path(from);
    sys::Child child;
    try {
        child = input != nullptr ? sys::startWithPipes(argv, *input) : sys::startWithPipes(argv);
    } catch (...) {
        std::filesystem::current_path(folder);
        throw;
    }
    std::filesystem::current_path(folder);
    pollfd fds[2] = {{child.outFd, POLLIN, 0}, {child.errFd, POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        if (::poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
        for (pollfd& p : fds) {
            if (p.fd < 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[4096];
            ssize_t n = ::read(p.fd, buffer, sizeof buffer);
            if (n > 0) {
                result.output.append(buffer, static_cast<size_t>(n));
            } else {
                ::close(p.fd);
                p.fd = -1;
                --open;
            }
        }
    }
    for (pollfd& p : fds) {
        if (p.fd >= 0) ::close(p.fd);
    }
    int status = 0;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    const bool reaped = waitFor([&] { return ::waitpid(child.pid, &status, WNOHANG) == child.pid; },
                                static_cast<int>(std::max<long>(0, static_cast<long>(left.count()))));
    if (!reaped) {
        ::kill(child.pid, SIGKILL);
        ::waitpid(child.pid, &status, 0);
    } else if (WIFEXITED(status)) {
        result.ended = true;
        result.exitCode = WEXITSTATUS(status);
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

}  // namespace

NavigatorRun runNavigator(const std::vector<std::string>& args, int timeoutMs) { return run(args, timeoutMs, nullptr); }

NavigatorRun runNavigator(const std::vector<std::string>& args, int timeoutMs, const std::string& input) {
    return run(args, timeoutMs, &input);
}

NavigatorRun runNavigatorFrom(const std::string& folder, const std::vector<std::string>& args, int timeoutMs) {
    return run(args, timeoutMs, nullptr, folder);
}

}  // namespace rltest
