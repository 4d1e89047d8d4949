#include "foundation/BaseNetThread.h"

#include <algorithm>

#include "foundation/Logger.h"
#include "foundation/TextBrowser.h"

namespace foundation {

BaseNetThread::BaseNetThread() = default;

BaseNetThread::~BaseNetThread() = default;

void BaseNetThread::stamp() {
    int64_t now = BaseTextBrowser::currentTimeMillis();
    m_startTime.store(now, std::memory_order_release);
    m_activityStamp.store(now, std::memory_order_release);
}

void BaseNetThread::run() {
    stamp();
    m_started.store(true, std::memory_order_release);
    m_running.store(true, std::memory_order_release);
}

bool BaseNetThread::startWorker() {
    if (hasBeenStarted()) return false;
    stamp();
    m_started.store(true, std::memory_order_release);
    m_running.store(true, std::memory_order_release);
    return start();
}

void BaseNetThread::afterRun() {
    if (!isStopRequested()) {
        destroy();
        return;
    }
    // Stopped: the controller has done the bookkeeping; just let go.
    std::shared_ptr<TextBrowser> dropped;
    {
        std::lock_guard<std::mutex> guard(m_browserLock);
        dropped.swap(m_browser);
    }
    if (dropped) m_activityStamp.store(std::max(m_activityStamp.load(), dropped->getLastAccessTime()));
    m_running.store(false, std::memory_order_release);
}

void BaseNetThread::destroy() {
    if (m_destroyed.exchange(true, std::memory_order_acq_rel)) return;
    std::shared_ptr<TextBrowser> dropped;
    {
        std::lock_guard<std::mutex> guard(m_browserLock);
        dropped.swap(m_browser);
        if (dropped) m_activityStamp.store(std::max(m_activityStamp.load(), dropped->getLastAccessTime()));
    }
    m_running.store(false, std::memory_order_release);
    Logger::verbose("Destroying: " + getClassName());
}

void BaseNetThread::init(bool persistDownloads) {
    m_started.store(false, std::memory_order_release);
    m_running.store(false, std::memory_order_release);
    m_destroyed.store(false, std::memory_order_release);
    auto browser = std::make_shared<TextBrowser>(persistDownloads, 0);
    std::lock_guard<std::mutex> guard(m_browserLock);
    m_browser = std::move(browser);
}

int64_t BaseNetThread::getLastActiveTime() const {
    int64_t stamp = m_activityStamp.load(std::memory_order_acquire);
    std::lock_guard<std::mutex> guard(m_browserLock);
    return m_browser ? std::max(stamp, m_browser->getLastAccessTime()) : stamp;
}

std::shared_ptr<TextBrowser> BaseNetThread::getBrowser() const {
    std::lock_guard<std::mutex> guard(m_browserLock);
    return m_browser;
}

}  // namespace foundation
