#pragma once
// The base of every worker that talks to web sites under a ThreadController:
// it owns one web client and tells the controller when it started, whether
// it runs and when its client last touched the network.
//
// A subclass overrides run(), begins with BaseNetThread::run() (start time,
// started, running), does its job with getBrowser(), and ends with
// destroy(). A body that ends some other way is destroyed when its thread
// ends; a worker stopped by its controller drops its client quietly and
// records nothing more.
//
// Flags and times are read by the controller's thread at any moment; the
// client is handed out through getBrowser() so that destroy() on another
// thread can never pull it from under a running request.

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>

#include "foundation/Thread.h"

namespace foundation {

class TextBrowser;

class BaseNetThread : public Thread {
public:
    // The start time of a worker that has not started.
    static constexpr int64_t NOT_STARTED = std::numeric_limits<int64_t>::max();

    BaseNetThread();
    ~BaseNetThread() override;

    // First call only: drops the client, clears running, marks destroyed and
    // logs "Destroying: " and the class name.
    virtual void destroy();
    // Clears started, running and destroyed and gives the worker a fresh
    // client without politeness delay.
    virtual void init(bool persistDownloads);

    void setRunning(bool running) { m_running.store(running, std::memory_order_release); }
    bool isStarted() const { return m_started.load(std::memory_order_acquire); }
    bool isRunning() const { return m_running.load(std::memory_order_acquire); }
    bool isDestroyed() const { return m_destroyed.load(std::memory_order_acquire); }
    int64_t getStartTime() const { return m_startTime.load(std::memory_order_acquire); }
    // The later of the start stamp and the client's last access time.
    int64_t getLastActiveTime() const;

    // How a controller starts the worker: marks it started and running and
    // stamps its start and activity times before the thread runs, so that
    // no later pass starts it again or finds it idle. False when the
    // worker's thread was started before.
    bool startWorker();

    // The worker's client; nullptr before init() and after destroy().
    std::shared_ptr<TextBrowser> getBrowser() const;

protected:
    // The base body: start time, started, running.
    void run() override;
    void afterRun() override;

    std::atomic<bool> m_started{false};
    std::atomic<int64_t> m_startTime{NOT_STARTED};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_destroyed{false};

private:
    void stamp();

    mutable std::mutex m_browserLock;
    std::shared_ptr<TextBrowser> m_browser;
    std::atomic<int64_t> m_activityStamp{0};
};

}  // namespace foundation
