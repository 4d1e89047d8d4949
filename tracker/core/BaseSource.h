#pragma once
// One account retrieval thread: its own web client, the log of the pages it
// fetched, its start and activity times, and its end bookkeeping towards the
// engine.
//
// Threads. A source is a foundation::Thread: held by std::shared_ptr (the
// engine's slot) and, while its body runs, by the body itself; start() needs
// the shared_ptr. The engine stops a source cooperatively: requestStop()
// sets the source's StopToken, which is bound to the source's thread, so
// the web client gives up its request and sleeps end at once; the body then
// leaves by foundation::ThreadStopped. After the stop request the source records
// nothing (RLSource drops every recording that its own thread attempts) and
// leaves the engine alone: the engine that stopped it counts it
// (BaseEngine::countCompletedOnce) and tells the window.
//
// What the engine calls, in order: setEngine, RLSource::setUser,
// setExcluded, init (engine thread, before any start), start, then on every
// poll isStarted / isRunning / isExcluded / getStartTime /
// getLastActiveTime; to end a source early RLSource::timeOut or
// RLSource::cancel (or setRunning(false) + requestStop by hand). join(ms)
// waits a bounded time for the body to end; a source never has to be joined:
// its destructor never blocks on a body that is still running.

#include <atomic>
#include <cstdint>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/Thread.h"

namespace foundation {
class TextBrowser;
class TextBrowserException;
}  // namespace foundation

namespace tracker {

class BaseEngine;
class SourceConfig;

class BaseSource : public foundation::Thread {
public:
    // Start time of a source that never started: never overdue.
    static constexpr int64_t NEVER_STARTED = std::numeric_limits<int64_t>::max();

    BaseSource();
    ~BaseSource() override;

    // --- thread control -------------------------------------------------
    // Marks the source started and running, stamps its start and activity
    // times, and starts its thread. Only once, never for an excluded source;
    // false when nothing was started.
    bool start();
    // requestStop, isStopRequested, getStopToken and join(ms) come from
    // foundation::Thread; after a stop request the source records nothing.
    // True once a started body has finished.
    bool hasEnded() const { return hasBeenStarted() && !isAlive(); }

    // The thread body: update() with the failure handling and the end
    // bookkeeping. start() runs it on the source's thread; it may also be
    // called directly.
    void run() override;
    // Only the end bookkeeping (once per source); it does not stop a body
    // that is still running, and leaves the page log and the client to it.
    virtual void destroy();

    // --- what each adapter supplies --------------------------------------
    virtual void update() = 0;
    virtual const SourceConfig& getSourceConfig() const = 0;

    // --- reports and fetches ---------------------------------------------
    // At most one report per source; later calls are dropped.
    virtual void reportError(const std::string& info);
    // Skipped for network failures of the web client.
    virtual void reportError(const std::exception& failure);
    virtual void logTextBrowserException(const foundation::TextBrowserException& failure);
    virtual void init();
    // A saved page for offline analysis; "" when unreadable.
    virtual std::string doReadFromFileForDebug(const std::string& path);
    virtual std::string doPost(const std::string& url, const std::string& formBody, int maxBytes);
    virtual std::string doPost(const std::string& url, const std::string& formBody);
    virtual std::string doGet(const std::string& url, int maxBytes);
    virtual std::string doGet(const std::string& url);

    std::string storeAndReturnPage(const std::string& page, const std::string& url);

    // --- flags the engine reads (any thread) -----------------------------
    void setRunning(bool running) { m_running.store(running, std::memory_order_release); }
    void setEngine(const std::shared_ptr<BaseEngine>& engine);
    void setExcluded(bool excluded) { m_excluded.store(excluded, std::memory_order_release); }
    bool isStarted() const { return m_started.load(std::memory_order_acquire); }
    bool isRunning() const { return m_running.load(std::memory_order_acquire); }
    bool isExcluded() const { return m_excluded.load(std::memory_order_acquire); }
    int64_t getStartTime() const { return m_startTime.load(std::memory_order_acquire); }
    // The later of the start stamp and the client's last access; safe while
    // the source drops its client.
    int64_t getLastActiveTime() const;
    std::string getKey() const;
    bool isErrorReportedAlready() const { return m_isErrorReportedAlready.load(std::memory_order_acquire); }

    // Claims the one count of this source in the engine's completion count;
    // true for the first caller only.
    bool claimCompletion() { return !m_completionClaimed.exchange(true, std::memory_order_acq_rel); }

    // Pages kept so far (source thread only).
    const std::vector<std::string>& getPages() const { return m_pages; }
    const std::vector<std::string>& getUrls() const { return m_urls; }

    static int64_t currentTimeMillis();

protected:
    // Hooks of the body: a failure that is not a web-client failure, and the
    // normal end of update(). The base only logs.
    virtual void handleBodyFailure(const std::exception* failure);
    virtual void afterUpdate() {}
    // The user name shown in reports (the account's, in RLSource).
    virtual std::string getReportUsername() const { return ""; }
    // Replaces the account's secrets in a text that is logged, stored or sent.
    virtual std::string maskSecrets(const std::string& text) const { return text; }
    // Hands a finished report to the reporter.
    virtual void sendErrorReport(const std::string& key, const std::string& uuid, const std::string& userTag,
                                 const std::string& reportText);
    std::shared_ptr<BaseEngine> lockEngine() const;

    std::atomic<bool> m_started{false};
    std::atomic<int64_t> m_startTime{NEVER_STARTED};
    std::vector<std::string> m_pages;
    std::vector<std::string> m_urls;
    std::shared_ptr<foundation::TextBrowser> m_tb;
    std::weak_ptr<BaseEngine> m_engine;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_excluded{false};
    std::atomic<bool> m_isErrorReportedAlready{false};

    // Guard the client and engine pointers, which the source drops at its
    // end while the engine may still read them.
    mutable std::mutex m_tbLock;
    mutable std::mutex m_engineLock;

private:
    void endBookkeeping();
    void dropResources();

    std::atomic<int64_t> m_activityStamp{0};
    std::atomic<bool> m_completionClaimed{false};
    std::atomic<bool> m_endDone{false};
};

}  // namespace tracker
