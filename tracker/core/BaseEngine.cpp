#include "tracker/core/BaseEngine.h"

#include <algorithm>
#include <filesystem>

#include "foundation/Logger.h"
#include "foundation/RLConstants.h"
#include "platform/system/OpenUrl.h"
#include "tracker/core/BaseSource.h"
#include "tracker/core/IDisplayer.h"

namespace tracker {

using foundation::Logger;

BaseEngine::BaseEngine() = default;

BaseEngine::~BaseEngine() = default;

bool BaseEngine::start() {
    if (Thread::start()) return true;
    Logger::error("Engine thread already started");
    return false;
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

void BaseEngine::requestStop() {
    Thread::requestStop();
    // Taken once, so that a waiter cannot miss the stop between its look at
    // the flag and its wait.
    { std::lock_guard<std::mutex> lock(m_sourcesCompletedLock); }
    m_sourcesCompletedChanged.notify_all();
}

void BaseEngine::incrementCompletedCount() {
    {
        std::lock_guard<std::mutex> lock(m_sourcesCompletedLock);
        ++m_sourcesCompleted;
    }
    m_sourcesCompletedChanged.notify_all();
}

bool BaseEngine::waitForCompletion(int seen, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(m_sourcesCompletedLock);
    m_sourcesCompletedChanged.wait_until(lock, deadline,
                                         [&] { return m_sourcesCompleted != seen || isStopRequested(); });
    return m_sourcesCompleted != seen;
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
    {
        std::lock_guard<std::mutex> lock(m_sourcesCompletedLock);
        m_sourcesCompleted = completed;
    }
    m_sourcesCompletedChanged.notify_all();
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
    return sys::fileUrlOf(absolute);
}

}  // namespace tracker
