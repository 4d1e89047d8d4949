#include "tests/support/PrivateXServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace rltest {

namespace {
constexpr int kStartLimitMs = 20000;
}  // namespace

PrivateXServer::PrivateXServer(const std::vector<std::string>& extraArguments) {
    if (const char* previous = std::getenv("DISPLAY")) {
        m_hadDisplay = true;
        m_previousDisplay = previous;
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        m_error = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    // The server writes its display number to its standard output. Without
    // -noreset it would reset whenever its last client leaves, and a client
    // connecting meanwhile could be refused.
    std::vector<std::string> words{"Xvfb",         "-displayfd", "1",   "-screen", "0",
                                   "1280x1024x24", "-nolisten",  "tcp", "-noreset"};
    words.insert(words.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    int rc = ::posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        m_error = std::string("Xvfb: ") + std::strerror(rc);
        return;
    }
    m_pid = pid;
    std::string number;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMs);
    while (number.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd fd{pipeFds[0], POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
        char buf[32];
        ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
        if (n <= 0) break;
        number.append(buf, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    size_t end = number.find('\n');
    if (end == std::string::npos || end == 0) {
        m_error = "Xvfb did not tell its display";
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
        return;
    }
    m_name = ":" + number.substr(0, end);
    ::setenv("DISPLAY", m_name.c_str(), 1);
}

PrivateXServer::~PrivateXServer() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_hadDisplay) {
        ::setenv("DISPLAY", m_previousDisplay.c_str(), 1);
    } else {
        ::unsetenv("DISPLAY");
    }
}

}  // namespace rltest
