#include "platform/system/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <system_error>

#include "platform/system/FileIo.h"

extern char** environ;

namespace sys {

namespace {

[[noreturn]] void fail(const std::string& program, int err) {
    throw std::system_error(err, std::generic_category(), "Cannot run program \"" + program + "\"");
}

bool isExecutableFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The file to execute; resolved here because the child may only make
// async-signal-safe calls between fork and exec.
std::string resolve(const std::string& program) {
    if (program.empty()) fail(program, ENOENT);
    if (program.find('/') != std::string::npos) {
        struct stat st;
        if (::stat(program.c_str(), &st) != 0) fail(program, errno);
        if (S_ISDIR(st.st_mode)) fail(program, EACCES);
        return program;
    }
    const char* env = std::getenv("PATH");
    std::string path = env && *env ? env : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= path.size()) {
        size_t colon = path.find(':', start);
        std::string dir = path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
        if (isExecutableFile(candidate)) return candidate;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    fail(program, ENOENT);
}

void closePair(int fds[2]) {
    if (fds[0] >= 0) ::close(fds[0]);
    if (fds[1] >= 0) ::close(fds[1]);
}

// In the child: everything above 2 closes at exec, default signal handling,
// then exec; a failure goes back through the status pipe.
[[noreturn]] void execChild(const char* file, char* const* argv, int statusFd) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(SIGPIPE, &dfl, nullptr);
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd < 4096; ++fd) {
            if (fd != statusFd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    ::execve(file, argv, environ);
    int err = errno;
    ssize_t ignored = ::write(statusFd, &err, sizeof err);
    (void)ignored;
    ::_exit(127);
}

// Reads the exec status: 0 when the child is running the program.
int readExecStatus(int statusFd) {
    int err = 0;
    ssize_t n;
    do {
        n = ::read(statusFd, &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof err) ? err : 0;
}

std::vector<char*> argvPointers(std::vector<std::string>& words) {
    std::vector<char*> out;
    for (auto& w : words) out.push_back(w.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& command) {
    std::vector<std::string> words;
    std::string current;
    for (char c : command) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
            if (!current.empty()) words.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) words.push_back(current);
    return words;
}

void ignoreSigpipe() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction ign {};
        ign.sa_handler = SIG_IGN;
        sigemptyset(&ign.sa_mask);
        sigaction(SIGPIPE, &ign, nullptr);
    });
}

namespace {

Child start(const std::vector<std::string>& argvIn, const std::string_view* input) {
    if (argvIn.empty()) fail("", ENOENT);
    ignoreSigpipe();
    std::string file = resolve(argvIn[0]);
    std::vector<std::string> words = argvIn;
    std::vector<char*> argv = argvPointers(words);

    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1}, status[2] = {-1, -1};
    int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0 || (input != nullptr && ::pipe2(in, O_CLOEXEC) != 0) || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0 || ::pipe2(status, O_CLOEXEC) != 0) {
        int e = errno;
        if (devNull >= 0) ::close(devNull);
        closePair(in);
        closePair(out);
        closePair(err);
        closePair(status);
        fail(argvIn[0], e);
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(input != nullptr ? in[0] : devNull, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        execChild(file.c_str(), argv.data(), status[1]);
    }
    int forkErr = errno;
    ::close(devNull);
    if (in[0] >= 0) ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    ::close(status[1]);
    if (pid < 0) {
        if (in[1] >= 0) ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        ::close(status[0]);
        fail(argvIn[0], forkErr);
    }
    int execErr = readExecStatus(status[0]);
    ::close(status[0]);
    if (execErr != 0) {
        if (in[1] >= 0) ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        waitForExit(pid);
        fail(argvIn[0], execErr);
    }
    if (input != nullptr) {
        // A reader that went away ends the writing.
        (void)writeAll(in[1], input->data(), input->size());
        ::close(in[1]);
    }
    return Child{pid, out[0], err[0]};
}

}  // namespace

Child startWithPipes(const std::vector<std::string>& argv) { return start(argv, nullptr); }

Child startWithPipes(const std::vector<std::string>& argv, std::string_view input) { return start(argv, &input); }

int waitForExit(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "waitpid");
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

bool reapIfEnded(pid_t pid) {
    int status = 0;
    for (;;) {
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == 0) return false;
        if (r > 0 || errno != EINTR) return true;
    }
}

void startDetached(const std::vector<std::string>& argvIn) {
    if (argvIn.empty()) fail("", ENOENT);
    ignoreSigpipe();
    std::string file = resolve(argvIn[0]);
    std::vector<std::string> words = argvIn;
    std::vector<char*> argv = argvPointers(words);

    int status[2] = {-1, -1};
    int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0 || ::pipe2(status, O_CLOEXEC) != 0) {
        int e = errno;
        if (devNull >= 0) ::close(devNull);
        closePair(status);
        fail(argvIn[0], e);
    }
    // Fork twice so that the program is adopted by the system and never
    // left as a zombie of ours; its own session keeps it apart from ours.
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        pid_t grandchild = ::_Fork();
        if (grandchild != 0) {
            if (grandchild < 0) {
                int e = errno;
                ssize_t ignored = ::write(status[1], &e, sizeof e);
                (void)ignored;
            }
            ::_exit(0);
        }
        ::dup2(devNull, 0);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        execChild(file.c_str(), argv.data(), status[1]);
    }
    int forkErr = errno;
    ::close(devNull);
    ::close(status[1]);
    if (pid < 0) {
        ::close(status[0]);
        fail(argvIn[0], forkErr);
    }
    waitForExit(pid);
    int execErr = readExecStatus(status[0]);
    ::close(status[0]);
    if (execErr != 0) fail(argvIn[0], execErr);
}

}  // namespace sys
