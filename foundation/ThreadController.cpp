#include "foundation/ThreadController.h"

#include <algorithm>
#include <chrono>

#include "foundation/Logger.h"
#include "foundation/TextBrowser.h"

namespace foundation {

ThreadController::ThreadController() = default;

void ThreadController::setStarter(std::shared_ptr<IThreadControllerStarter> starter) {
    m_starter = std::move(starter);
    m_plainStarter = nullptr;
}

void ThreadController::setStarter(IThreadControllerStarter* starter) {
    m_starter.reset();
    m_plainStarter = starter;
}

void ThreadController::setSources(std::vector<std::shared_ptr<BaseNetThread>> sources) {
    std::lock_guard<std::mutex> guard(m_sourcesLock);
    m_sources = std::move(sources);
}

void ThreadController::setSource(std::shared_ptr<BaseNetThread> source) {
    std::lock_guard<std::mutex> guard(m_sourcesLock);
    m_sources = {std::move(source)};
}

void ThreadController::setParameters(int maxThreads, int threadPollMs, int pageTimeoutMs, int overallTimeoutMs,
                                     bool persistDownloads) {
    m_maxThreads = maxThreads;
    m_threadPoll = threadPollMs;
    m_pageTimeout = pageTimeoutMs;
    m_overallTimeout = overallTimeoutMs;
    m_persistDownloads = persistDownloads;
}

void ThreadController::forceThreadsToEnd() {
    {
        std::lock_guard<std::mutex> guard(m_wakeLock);
        m_forceThreadsToEnd.store(true, std::memory_order_release);
    }
    m_wake.notify_all();
}

void ThreadController::requestStop() {
    forceThreadsToEnd();
    Thread::requestStop();
}

std::vector<std::shared_ptr<BaseNetThread>> ThreadController::getSources() const {
    std::lock_guard<std::mutex> guard(m_sourcesLock);
    return m_sources;
}

void ThreadController::run() {
    try {
        for (const auto& source : getSources()) {
            if (source) source->init(m_persistDownloads);
        }
        pollLoop();
    } catch (const std::exception& failure) {
        Logger::error("Error in ThreadController", failure);
        // No worker goes on unwatched after the run.
        stopRunning("Forcing end of thread ");
    } catch (...) {
        stopRunning("Forcing end of thread ");
        tellStarter();
        throw;
    }
    tellStarter();
}

void ThreadController::stopRunning(const char* reason) {
    std::lock_guard<std::mutex> guard(m_sourcesLock);
    for (auto& source : m_sources) {
        if (!source || !source->isRunning()) continue;
        Logger::info(reason + source->getClassName());
        source->setRunning(false);
        if (source->isAlive()) source->requestStop();
        source.reset();
    }
}

void ThreadController::pollLoop() {
    const auto poll = std::chrono::milliseconds(std::max(1, m_threadPoll));
    while (true) {
        if (m_forceThreadsToEnd.load(std::memory_order_acquire)) {
            stopRunning("Forcing end of thread ");
            return;
        }
        int running = 0;
        {
            std::lock_guard<std::mutex> guard(m_sourcesLock);
            for (auto& source : m_sources) {
                if (!source || !source->isRunning()) continue;
                int64_t now = BaseTextBrowser::currentTimeMillis();
                int64_t page = now - source->getLastActiveTime();
                int64_t overall = now - source->getStartTime();
                if (page > m_pageTimeout || overall > m_overallTimeout) {
                    Logger::info("Timing out thread (" + source->getClassName() + "): page - " + std::to_string(page) +
                                 " ms / overall - " + std::to_string(overall) + " ms");
                    source->setRunning(false);
                    if (source->isAlive()) source->requestStop();
                    source.reset();
                }
                ++running;
            }
            int free = m_maxThreads - running;
            int startedNow = 0;
            for (auto& source : m_sources) {
                if (startedNow >= free) break;
                if (!source || source->isStarted() || source->isRunning()) continue;
                if (!source->startWorker()) {
                    // A thread runs once: a worker that ran before would be
                    // waited for forever.
                    Logger::error("Unable to start thread " + source->getClassName() + ": it has run before");
                    source.reset();
                    continue;
                }
                ++startedNow;
                ++running;
            }
        }
        if (running == 0) return;
        std::unique_lock<std::mutex> guard(m_wakeLock);
        m_wake.wait_for(guard, poll, [this] { return m_forceThreadsToEnd.load(std::memory_order_acquire); });
    }
}

void ThreadController::tellStarter() {
    if (m_told) return;
    m_told = true;
    std::shared_ptr<IThreadControllerStarter> owned = std::move(m_starter);
    IThreadControllerStarter* starter = owned ? owned.get() : m_plainStarter;
    m_plainStarter = nullptr;
    if (!starter) return;
    try {
        starter->threadsCompleted();
    } catch (const std::exception& failure) {
        Logger::error("Error in ThreadController", failure);
    } catch (...) {
        // The starter's own trouble ends here.
    }
}

}  // namespace foundation
