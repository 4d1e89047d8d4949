#pragma once
// The engine of one retrieval as the account threads, the page writers and
// the window see it: the page paths, the changed flag, the completion count
// and the window callback, plus the engine thread itself (a
// foundation::Thread).
//
// Ownership: an engine is always held by std::shared_ptr (start() and
// BaseSource::setEngine need it). The engine thread's body holds one more
// reference until it ends, so the engine outlives its own thread; account
// threads hold the engine only weakly.
//
// Thread use:
//  - setupOutputandURLPaths, setDisplayer, setSourcesCreated: the window's
//    thread, before start().
//  - run(): the engine thread (subclasses implement it). The engine thread
//    runs with getStopToken() bound, so sleeps that wait on the token
//    (ThreadUtil) end early after requestStop().
//  - setDataUpdated, incrementCompletedCount, countCompletedOnce, threadDone:
//    any thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "foundation/Thread.h"

namespace tracker {

class IDisplayer;
class BaseSource;

class BaseEngine : public foundation::Thread {
public:
    BaseEngine();
    ~BaseEngine() override;

    // The body of the engine thread.
    void run() override = 0;

    // Starts the engine thread once (false, logged, when it was started
    // before); the body runs run() and catches every failure. The engine
    // must be owned by a shared_ptr. isAlive, requestStop (for the
    // program's exit), getStopToken and join(ms) come from
    // foundation::Thread.
    bool start();

    // Sets the page paths. folder is joined to the product name unchanged, so
    // it ends with "/" (or is empty for the working folder).
    void setupOutputandURLPaths(const std::string& folder);
    void setDisplayer(std::shared_ptr<IDisplayer> displayer);
    std::shared_ptr<IDisplayer> getDisplayer() const;

    // The changed flag: set by account threads after a recording, read and
    // cleared by the scheduler.
    void setDataUpdated(bool updated) { m_dataUpdated.store(updated, std::memory_order_release); }
    bool isDataUpdated() const { return m_dataUpdated.load(std::memory_order_acquire); }
    // Reads and clears the flag in one step (for the scheduler's pass).
    bool takeDataUpdated() { return m_dataUpdated.exchange(false, std::memory_order_acq_rel); }

    // Also wakes a waitForCompletion in progress.
    void requestStop() override;

    // Adds one to the completion count under its lock and wakes a
    // waitForCompletion in progress.
    void incrementCompletedCount();
    // Waits until the completion count differs from seen, a stop is
    // requested or the deadline passes; answers whether the count moved.
    bool waitForCompletion(int seen, std::chrono::steady_clock::time_point deadline);
    // Counts an account thread complete unless it was counted already (by
    // its own end bookkeeping or by the scheduler that stopped it); answers
    // whether this call counted it.
    bool countCompletedOnce(BaseSource& source);
    // An account thread ended: tells the window to update its progress.
    void threadDone();

    const std::string& getBalancesPath() const { return m_balancesPath; }
    const std::string& getPopupPath() const { return m_popupPath; }
    const std::string& getSummaryPath() const { return m_summaryPath; }
    const std::string& getInterstitialPath() const { return m_interstitialPath; }
    const std::string& getCSSPath() const { return m_cssPath; }
    const std::string& getJSPath() const { return m_jsPath; }
    const std::string& getCSSUrl() const { return m_cssURL; }
    const std::string& getJSUrl() const { return m_jsURL; }

    int getSourcesCreated() const { return m_sourcesCreated.load(std::memory_order_acquire); }
    void setSourcesCreated(int created) { m_sourcesCreated.store(created, std::memory_order_release); }
    int getSourcesCompleted() const;
    void setSourcesCompleted(int completed);
    // Completed against created, kept within 0 and 1 (0 when nothing was
    // created).
    double getProgress() const;

    // A proper file address for a local path (made absolute against the
    // working folder, reserved characters percent-encoded).
    static std::string toFileURL(const std::string& path);

protected:
    // This engine as its own type, for handing to account threads.
    std::shared_ptr<BaseEngine> sharedEngine() {
        return std::static_pointer_cast<BaseEngine>(shared_from_this());
    }

    std::atomic<bool> m_dataUpdated{false};
    std::shared_ptr<IDisplayer> m_displayer;
    std::string m_balancesPath;
    std::string m_popupPath;
    std::string m_summaryPath;
    std::string m_interstitialPath;
    std::string m_cssPath;
    std::string m_jsPath;
    std::string m_cssURL;
    std::string m_jsURL;
    std::atomic<int> m_sourcesCreated{0};
    int m_sourcesCompleted = 0;
    mutable std::mutex m_sourcesCompletedLock;
    std::condition_variable m_sourcesCompletedChanged;

private:
    mutable std::mutex m_displayerLock;
};

}  // namespace tracker
