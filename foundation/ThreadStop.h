#pragma once
// Cooperative stop of worker threads. A worker runs with a StopToken bound to
// its thread; whoever owns the worker may request a stop at any time. The web
// client and every sleep check the token and leave the worker's body by
// throwing ThreadStopped, which derives from nothing so that ordinary
// `catch (const std::exception&)` handlers let it pass. Thread bodies end with
// `catch (...)`, which takes it.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace foundation {

struct ThreadStopped {};

class StopToken {
public:
    void requestStop();
    bool stopRequested() const { return m_requested.load(std::memory_order_acquire); }
    // Waits up to ms milliseconds; returns false when a stop was requested
    // before or during the wait.
    bool waitFor(int64_t ms);

private:
    std::atomic<bool> m_requested{false};
    std::mutex m_mutex;
    std::condition_variable m_cond;
};

namespace ThreadStop {
// Binds a token to the calling thread (nullptr unbinds).
void bind(std::shared_ptr<StopToken> token);
// The token bound to the calling thread, or nullptr.
StopToken* current();
// True when the calling thread has been asked to stop.
bool requested();
// Throws ThreadStopped when the calling thread has been asked to stop.
void checkpoint();

// Binds a token for the lifetime of the guard.
class Scope {
public:
    explicit Scope(std::shared_ptr<StopToken> token) { bind(std::move(token)); }
    ~Scope() { bind(nullptr); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};
}  // namespace ThreadStop

}  // namespace foundation
