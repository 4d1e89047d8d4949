#include "tracker/core/BaseEngine.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "foundation/Logger.h"
#include "foundation/RLConstants.h"
#include "tracker/core/BaseSource.h"
#include "tracker/core/IDisplayer.h"

namespace tracker {

using foundation::Logger;

BaseEngine::BaseEngine() : m_stopToken(std::make_shared<foundation::StopToken>()) {}

BaseEngine::~BaseEngine() {
    std::lock_guard<std::mutex> lock(m_threadLock);
    if (!m_thread.joinable()) return;
    // The body holds a reference until it returns, so the last reference is
    // dropped either by the body itself or after it let go: never wait on
    // one's own thread.
    if (m_thread.get_id() == std::this_thread::get_id()) {
        m_thread.detach();
    } else {
        m_thread.join();
    }
}

void BaseEngine::start() {
    std::shared_ptr<BaseEngine> self = shared_from_this();
    std::lock_guard<std::mutex> lock(m_threadLock);
    if (m_thread.joinable() || m_alive.load()) {
        Logger::error("Engine thread already started");
        return;
    }
    m_alive.store(true, std::memory_order_release);
    m_thread = std::thread([self]() {
        {
            foundation::ThreadStop::Scope scope(self->m_stopToken);
            try {
                self->run();
            } catch (const std::exception& failure) {
                Logger::error("Unhandled failure in engine thread", failure);
            } catch (...) {
                // A stop request leaves the body this way.
            }
        }
        {
            std::lock_guard<std::mutex> endLock(self->m_endLock);
            self->m_ended = true;
            self->m_alive.store(false, std::memory_order_release);
        }
        self->m_endCond.notify_all();
    });
}

void BaseEngine::requestStop() { m_stopToken->requestStop(); }

bool BaseEngine::join(int64_t timeoutMs) {
    {
        std::unique_lock<std::mutex> endLock(m_endLock);
        if (!m_endCond.wait_for(endLock, std::chrono::milliseconds(std::max<int64_t>(timeoutMs, 0)),
                                [this] { return m_ended || !m_alive.load(); })) {
            return false;
        }
    }
    std::lock_guard<std::mutex> lock(m_threadLock);
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
    return true;
}

void BaseEngine::setupOutputandURLPaths(const std::string& folder) {
    const std::string base = folder + foundation::RLConstants::ProductNameInternal();
    m_balancesPath = base + ".html";
    m_popupPath = base + "-" + "Popup" + ".html";
    m_summaryPath = base + "-" + "Summary" + ".html";
    m_interstitialPath = base + "-" + "Interstitial" + ".html";
    m_cssPath = base + ".css";
    m_jsPath = base + ".js";
    m_cssURL = toFileURL(m_cssPath);
    m_jsURL = toFileURL(m_jsPath);
}

void BaseEngine::setDisplayer(std::shared_ptr<IDisplayer> displayer) {
    std::lock_guard<std::mutex> lock(m_displayerLock);
    m_displayer = std::move(displayer);
}

std::shared_ptr<IDisplayer> BaseEngine::getDisplayer() const {
    std::lock_guard<std::mutex> lock(m_displayerLock);
    return m_displayer;
}

void BaseEngine::incrementCompletedCount() {
    std::lock_guard<std::mutex> lock(m_sourcesCompletedLock);
    ++m_sourcesCompleted;
}

bool BaseEngine::countCompletedOnce(BaseSource& source) {
    if (!source.claimCompletion()) return false;
    incrementCompletedCount();
    return true;
}

void BaseEngine::threadDone() {
    std::shared_ptr<IDisplayer> displayer = getDisplayer();
    if (!displayer) return;
    try {
        displayer->updateProgress();
    } catch (const std::exception& failure) {
        Logger::error("Progress update failed", failure);
    }
}

int BaseEngine::getSourcesCompleted() const {
    std::lock_guard<std::mutex> lock(m_sourcesCompletedLock);
    return m_sourcesCompleted;
}

void BaseEngine::setSourcesCompleted(int completed) {
    std::lock_guard<std::mutex> lock(m_sourcesCompletedLock);
    m_sourcesCompleted = completed;
}

double BaseEngine::getProgress() const {
    const int created = getSourcesCreated();
    if (created <= 0) return 0.0;
    const double progress = static_cast<double>(getSourcesCompleted()) / created;
    return std::clamp(progress, 0.0, 1.0);
}

std::string BaseEngine::toFileURL(const std::string& path) {
    std::string absolute = path;
    if (absolute.empty() || absolute[0] != '/') {
        std::error_code ec;
        std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(path), ec);
        if (!ec) absolute = full.lexically_normal().generic_string();
    }
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : absolute) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 0x0F];
        }
    }
    return url;
}

}  // namespace tracker
