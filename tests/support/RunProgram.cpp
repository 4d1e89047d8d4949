#include "tests/support/RunProgram.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/system/Process.h"

namespace rltest {

ProgramRun runProgram(const std::vector<std::string>& argv) {
    ProgramRun run;
    sys::Child child = sys::startWithPipes(argv);
    // Both streams at once, so that neither pipe can fill up and stall it.
    struct pollfd fds[2] = {{child.outFd, POLLIN, 0}, {child.errFd, POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    char buffer[4096];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& fd : fds) {
        if (fd.fd >= 0) ::close(fd.fd);
    }
    run.status = sys::waitForExit(child.pid);
    return run;
}

}  // namespace rltest
