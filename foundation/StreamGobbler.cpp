#include "foundation/StreamGobbler.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <system_error>

#include "foundation/ExceptionUtil.h"

namespace foundation {

namespace {
// Longest wait between two looks at the stop request.
constexpr int kPollMs = 50;
}  // namespace

StreamGobbler::StreamGobbler(int in, const std::string& type, std::ostream* redirect)
    : m_is(in), m_type(type), m_os(redirect) {}

StreamGobbler::~StreamGobbler() {
    if (m_is >= 0) ::close(m_is);
}

std::shared_ptr<StreamGobbler> StreamGobbler::create(int in, const std::string& type) {
    return create(in, type, nullptr);
}

std::shared_ptr<StreamGobbler> StreamGobbler::create(int in, const std::string& type, std::ostream* redirect) {
    return std::shared_ptr<StreamGobbler>(new StreamGobbler(in, type, redirect));
}

void StreamGobbler::run() {
    try {
        std::string pending;
        char buf[8192];
        bool lastWasCr = false;
        auto emit = [&](const std::string& line) {
            if (m_os) *m_os << line << '\n';
        };
        while (true) {
            // Waits in short steps so that a stop request ends the reading
            // even when the child keeps its stream open.
            pollfd ready{m_is, POLLIN, 0};
            int polled = ::poll(&ready, 1, kPollMs);
            if (polled < 0 && errno != EINTR) {
                throw std::system_error(errno, std::generic_category(), "Waiting for the " + m_type + " stream");
            }
            ThreadStop::checkpoint();
            if (polled <= 0) continue;
            ssize_t n = ::read(m_is, buf, sizeof buf);
            if (n < 0) {
                if (errno == EINTR) continue;
                throw std::system_error(errno, std::generic_category(), "Reading the " + m_type + " stream");
            }
            if (n == 0) break;
            for (ssize_t i = 0; i < n; ++i) {
                char c = buf[i];
                // A line ends with LF, CR or CR LF.
                if (c == '\n' && lastWasCr) {
                    lastWasCr = false;
                    continue;
                }
                lastWasCr = c == '\r';
                if (c == '\n' || c == '\r') {
                    emit(pending);
                    pending.clear();
                } else {
                    pending += c;
                }
            }
        }
        if (!pending.empty()) emit(pending);
        if (m_os) m_os->flush();
    } catch (const ThreadStopped&) {
        // Stopped: the rest of the stream is not read.
    } catch (const std::exception& e) {
        std::cerr << ExceptionUtil::getStackTrace(e);
    }
    ::close(m_is);
    m_is = -1;
    std::lock_guard<std::mutex> guard(m_mutex);
    m_ended = true;
    m_cond.notify_all();
}

bool StreamGobbler::waitForEnd(int ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cond.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_ended; });
}

}  // namespace foundation
