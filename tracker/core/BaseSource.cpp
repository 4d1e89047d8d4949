#include "tracker/core/BaseSource.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

#include "foundation/AsynchURL.h"
#include "foundation/ExceptionUtil.h"
#include "foundation/Logger.h"
#include "foundation/MiscUtil.h"
#include "foundation/TextBrowser.h"
#include "foundation/TextBrowserException.h"
#include "tracker/core/BaseEngine.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/SourceConfig.h"
#include "tracker/ui/BaseRLApp.h"

namespace tracker {

using foundation::ExceptionUtil;
using foundation::Logger;

int64_t BaseSource::currentTimeMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

BaseSource::BaseSource() = default;

BaseSource::~BaseSource() = default;

bool BaseSource::start() {
    if (!weak_from_this().lock()) {
        Logger::error("Cannot start a source that is not held by a shared pointer: " + getKey());
        return false;
    }
    if (hasBeenStarted() || isExcluded() || m_endDone.load()) return false;
    // Claims the start against a concurrent caller.
    if (m_started.exchange(true, std::memory_order_acq_rel)) return false;
    const int64_t now = currentTimeMillis();
    m_startTime.store(now, std::memory_order_release);
    m_activityStamp.store(now, std::memory_order_release);
    m_running.store(true, std::memory_order_release);
    try {
        if (Thread::start()) return true;
    } catch (const std::exception& failure) {
        Logger::error("Cannot start thread of type: " + getKey(), failure);
    }
    m_running.store(false, std::memory_order_release);
    return false;
}

void BaseSource::run() {
    if (!isStarted()) {
        // Run directly rather than through start().
        const int64_t now = currentTimeMillis();
        m_startTime.store(now, std::memory_order_release);
        m_activityStamp.store(now, std::memory_order_release);
        m_started.store(true, std::memory_order_release);
        m_running.store(true, std::memory_order_release);
    }
    try {
        try {
            update();
            if (!isStopRequested()) afterUpdate();
        } catch (const foundation::TextBrowserException& failure) {
            if (!isStopRequested()) {
                reportError(failure);
                logTextBrowserException(failure);
            }
        }
    } catch (const foundation::ThreadStopped&) {
        // Stopped by the engine: it records the outcome.
    } catch (const std::exception& failure) {
        if (!isStopRequested()) {
            try {
                handleBodyFailure(&failure);
            } catch (...) {
            }
        }
    } catch (...) {
        if (!isStopRequested()) {
            try {
                handleBodyFailure(nullptr);
            } catch (...) {
            }
        }
    }
    try {
        endBookkeeping();
    } catch (...) {
    }
    dropResources();
}

void BaseSource::destroy() {
    endBookkeeping();
    // A body that is still running keeps its page log and client.
    if (!isStarted() || hasEnded()) dropResources();
}

void BaseSource::endBookkeeping() {
    if (m_endDone.exchange(true, std::memory_order_acq_rel)) return;
    m_running.store(false, std::memory_order_release);
    if (!isStopRequested()) {
        if (std::shared_ptr<BaseEngine> engine = lockEngine()) {
            if (engine->countCompletedOnce(*this)) engine->threadDone();
        }
    }
    Logger::verbose("Ending thread of type: " + getKey());
}

void BaseSource::dropResources() {
    m_pages.clear();
    m_pages.shrink_to_fit();
    m_urls.clear();
    m_urls.shrink_to_fit();
    std::shared_ptr<foundation::TextBrowser> client;
    {
        std::lock_guard<std::mutex> lock(m_tbLock);
        client.swap(m_tb);
    }
    std::lock_guard<std::mutex> lock(m_engineLock);
    m_engine.reset();
}

void BaseSource::handleBodyFailure(const std::exception* failure) {
    if (failure) {
        Logger::error(maskSecrets("Failure in thread of type " + getKey() + ": " +
                                  ExceptionUtil::getStackTrace(failure)));
    } else {
        Logger::error("Unknown failure in thread of type " + getKey());
    }
}

void BaseSource::reportError(const std::string& info) {
    if (isStopRequested()) return;
    if (m_isErrorReportedAlready.exchange(true, std::memory_order_acq_rel)) return;

    std::string dump;
    const size_t n = m_pages.size();
    for (size_t i = 0; i < n; ++i) {
        dump += "\r\n<!--Page " + std::to_string(i + 1) + "/" + std::to_string(n) + ": " +
                (i < m_urls.size() ? m_urls[i] : std::string()) + " -->\r\n";
        dump += m_pages[i];
    }

    const std::string username = getReportUsername();
    const std::string uuid = RLPreferences::getUUID();
    std::string text = "<!--\r\nUUID=" + uuid + "\r\nVersion=" + "Roamledger 20060430" + "\r\nTime=" +
                       foundation::MiscUtil::getCurrentDateTimeString() + "\r\nSource=" + getKey() +
                       "\r\nUsername=" + username + " [Passwords are NEVER sent]\r\nInfo=" + info +
                       "\r\nStack=" + ExceptionUtil::dumpStack() + "\r\n-->\r\n" + dump;

    std::string userTag = "??";
    // Whole characters, not bytes: a name is UTF-8.
    auto isContinuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    const size_t characters = static_cast<size_t>(
        std::count_if(username.begin(), username.end(), [&](char c) { return !isContinuation(c); }));
    if (characters >= 2) {
        size_t firstEnd = 1;
        while (firstEnd < username.size() && isContinuation(username[firstEnd])) ++firstEnd;
        size_t lastStart = username.size() - 1;
        while (lastStart > 0 && isContinuation(username[lastStart])) --lastStart;
        userTag = username.substr(0, firstEnd) + username.substr(lastStart);
    }

    sendErrorReport(getKey(), uuid, userTag, maskSecrets(text));
}

void BaseSource::reportError(const std::exception& failure) {
    if (isErrorReportedAlready()) return;
    if (const auto* clientFailure = dynamic_cast<const foundation::TextBrowserException*>(&failure)) {
        if (clientFailure->isExceptionNetworkRelated()) return;
    }
    reportError(ExceptionUtil::getStackTrace(failure));
}

void BaseSource::sendErrorReport(const std::string& key, const std::string& uuid, const std::string& userTag,
                                 const std::string& reportText) {
    foundation::AsynchURL::reportRLSourceError(key, uuid, userTag, reportText, ui::BaseRLApp::getAppType());
}

void BaseSource::logTextBrowserException(const foundation::TextBrowserException& failure) {
    Logger::error(maskSecrets(ExceptionUtil::getStackTrace(failure)));
}

void BaseSource::init() {
    m_started.store(false, std::memory_order_release);
    m_running.store(false, std::memory_order_release);
    Logger::verbose("Creating thread of type: " + getKey());
}

std::string BaseSource::doReadFromFileForDebug(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Logger::error("Unable to read from file " + path);
        return "";
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        Logger::error("Unable to read from file " + path);
        return "";
    }
    return text.str();
}

std::string BaseSource::doPost(const std::string& url, const std::string& formBody, int maxBytes) {
    return storeAndReturnPage(m_tb->doPost(url, formBody, maxBytes), url);
}

std::string BaseSource::doPost(const std::string& url, const std::string& formBody) {
    return storeAndReturnPage(m_tb->doPost(url, formBody), url);
}

std::string BaseSource::doGet(const std::string& url, int maxBytes) {
    return storeAndReturnPage(m_tb->doGet(url, maxBytes), url);
}

std::string BaseSource::doGet(const std::string& url) { return storeAndReturnPage(m_tb->doGet(url), url); }

std::string BaseSource::storeAndReturnPage(const std::string& page, const std::string& url) {
    if (m_pages.capacity() == 0) {
        m_pages.reserve(10);
        m_urls.reserve(10);
    }
    m_pages.push_back(page);
    m_urls.push_back(url);
    return page;
}

void BaseSource::setEngine(const std::shared_ptr<BaseEngine>& engine) {
    std::lock_guard<std::mutex> lock(m_engineLock);
    m_engine = engine;
}

std::shared_ptr<BaseEngine> BaseSource::lockEngine() const {
    std::lock_guard<std::mutex> lock(m_engineLock);
    return m_engine.lock();
}

int64_t BaseSource::getLastActiveTime() const {
    int64_t last = m_activityStamp.load(std::memory_order_acquire);
    std::shared_ptr<foundation::TextBrowser> client;
    {
        std::lock_guard<std::mutex> lock(m_tbLock);
        client = m_tb;
    }
    if (client) last = std::max(last, client->getLastAccessTime());
    return last;
}

std::string BaseSource::getKey() const { return getSourceConfig().getKey(); }

}  // namespace tracker
