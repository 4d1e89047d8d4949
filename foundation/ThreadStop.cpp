#include "foundation/ThreadStop.h"

namespace foundation {

void StopToken::requestStop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requested.store(true, std::memory_order_release);
    }
    m_cond.notify_all();
}

bool StopToken::waitFor(int64_t ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (ms <= 0) return !stopRequested();
    return !m_cond.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopRequested(); });
}

namespace ThreadStop {
namespace {
thread_local std::shared_ptr<StopToken> t_token;
}

void bind(std::shared_ptr<StopToken> token) { t_token = std::move(token); }

StopToken* current() { return t_token.get(); }

bool requested() { return t_token && t_token->stopRequested(); }

void checkpoint() {
    if (requested()) throw ThreadStopped{};
}
}  // namespace ThreadStop

}  // namespace foundation
