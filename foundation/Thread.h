#pragma once
// A thread of the program: an object held through std::shared_ptr by whoever
// starts it and, while its body runs, by the body itself. The body runs with
// the object's StopToken bound, so a stop request ends its web requests and
// sleeps at once (they throw ThreadStopped, which the body wrapper takes).
// No exception leaves a body: ordinary failures are logged.
//
// start() runs once per object. The thread is detached; join() waits for the
// body with a time limit, and the object may be dropped at any time without
// waiting for a body that is still running.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "foundation/ThreadStop.h"

namespace foundation {

class Thread : public std::enable_shared_from_this<Thread> {
public:
    Thread();
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts the body; false when it was started before. The object must
    // be held by a shared_ptr (std::logic_error otherwise).
    bool start();
    // Cooperative stop: the body's requests and sleeps end by ThreadStopped.
    virtual void requestStop();
    bool isStopRequested() const { return m_token->stopRequested(); }
    const std::shared_ptr<StopToken>& getStopToken() const { return m_token; }

    bool hasBeenStarted() const { return m_launched.load(std::memory_order_acquire); }
    // Started and the body has not returned yet.
    bool isAlive() const;
    // Waits up to timeoutMs for the body to return; true when it has (or
    // the thread was never started).
    bool join(int64_t timeoutMs);

    // The object's class name without namespaces, for log lines.
    std::string getClassName() const;

protected:
    virtual void run() = 0;
    // Runs on the thread after run() however it ended (also after a stop).
    virtual void afterRun() {}

private:
    void body();

    std::shared_ptr<StopToken> m_token;
    std::atomic<bool> m_launched{false};
    mutable std::mutex m_lock;
    std::condition_variable m_ended;
    bool m_alive = false;
};

}  // namespace foundation
