#pragma once
// Runs a list of network workers on a thread of its own: at most maxThreads
// at once, in list order, polled every threadPoll ms. A worker whose client
// has not touched the network for more than pageTimeout ms, or which has run
// for more than overallTimeout ms, is stopped ("Timing out thread (...)")
// and dropped from the list; forceThreadsToEnd() stops every running worker
// at the next poll ("Forcing end of thread ...") and ends the run without
// starting the waiting ones. When the run ends, by itself, forced or after a
// failure, the starter's threadsCompleted() is called exactly once.
// A worker whose thread has run before cannot run again: it is dropped from
// the list with an error line.
//
// Stopping is cooperative: a stopped worker's web requests and sleeps end at
// once, it leaves its body within about a second and records nothing more.
//
// Use (the controller must be held by a shared_ptr):
//   auto controller = std::make_shared<ThreadController>();
//   controller->setStarter(self);            // shared_ptr, or a raw pointer
//   controller->setSources(workers);         // that outlives the run
//   controller->setParameters(3, 500, 60000, 90000, false);
//   controller->start();
// A controller runs once.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/BaseNetThread.h"
#include "foundation/IThreadControllerStarter.h"
#include "foundation/Thread.h"

namespace foundation {

class ThreadController : public Thread {
public:
    ThreadController();

    void setStarter(std::shared_ptr<IThreadControllerStarter> starter);
    // Not owned: the starter must outlive the run.
    void setStarter(IThreadControllerStarter* starter);
    void setSources(std::vector<std::shared_ptr<BaseNetThread>> sources);
    void setSource(std::shared_ptr<BaseNetThread> source);
    void setParameters(int maxThreads, int threadPollMs, int pageTimeoutMs, int overallTimeoutMs,
                       bool persistDownloads);
    // Takes effect at the next poll, which it brings forward. Any thread.
    void forceThreadsToEnd();
    // A stop request of the controller forces its workers to end too.
    void requestStop() override;

    // The list as it stands (entries of stopped workers are nullptr).
    std::vector<std::shared_ptr<BaseNetThread>> getSources() const;
    int getMaxThreads() const { return m_maxThreads; }
    int getThreadPoll() const { return m_threadPoll; }
    int getPageTimeout() const { return m_pageTimeout; }
    int getOverallTimeout() const { return m_overallTimeout; }

protected:
    void run() override;

private:
    void pollLoop();
    void stopRunning(const char* reason);
    void tellStarter();

    std::atomic<bool> m_forceThreadsToEnd{false};
    std::shared_ptr<IThreadControllerStarter> m_starter;
    IThreadControllerStarter* m_plainStarter = nullptr;
    mutable std::mutex m_sourcesLock;
    std::vector<std::shared_ptr<BaseNetThread>> m_sources;
    int m_maxThreads = 1;
    int m_threadPoll = 500;
    int m_pageTimeout = 30000;
    int m_overallTimeout = 30000;
    bool m_persistDownloads = false;
    bool m_told = false;

    std::mutex m_wakeLock;
    std::condition_variable m_wake;
};

}  // namespace foundation
