#include "portal/retriever/BaseRetrieverThread.h"

#include <chrono>
#include <cstdint>
#include <filesystem>

#include "foundation/AsynchURL.h"
#include "foundation/FileUtil.h"
#include "foundation/Logger.h"
#include "foundation/TextBrowser.h"
#include "foundation/ThreadStop.h"
#include "tracker/core/RLSource.h"

namespace portal::retriever {

using foundation::Logger;

namespace {

// The largest file a content page downloads (its pictures, the currency
// script): a longer answer fails and leaves nothing behind.
constexpr int64_t MAX_DOWNLOAD_BYTES = 4 << 20;

// Every class state made so far; never freed, so it outlives them all.
struct StateRegistry {
    std::mutex lock;
    std::vector<RetrieverClassState*> states;
};

StateRegistry& registry() {
    static StateRegistry* r = new StateRegistry;
    return *r;
}

std::mutex& sharedLock() {
    static std::mutex* m = new std::mutex;
    return *m;
}

std::string& contentRoot() {
    static std::string* root = new std::string;
    return *root;
}

std::function<int64_t()>& clock() {
    static std::function<int64_t()>* c = new std::function<int64_t()>;
    return *c;
}

}  // namespace

// ---- RetrieverClassState ------------------------------------------------------

RetrieverClassState::RetrieverClassState(const char* className) : name(className) {
    std::lock_guard<std::mutex> guard(registry().lock);
    registry().states.push_back(this);
}

std::string RetrieverClassState::getLastParamUsed() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lastParamUsed;
}

void RetrieverClassState::setLastParamUsed(const std::string& param) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_lastParamUsed = param;
}

void RetrieverClassState::reset() {
    errorReportedAlready.store(false);
    lastUpdated.store(NEVER);
    setLastParamUsed("");
}

void RetrieverClassState::resetAll() {
    std::lock_guard<std::mutex> guard(registry().lock);
    for (RetrieverClassState* state : registry().states) state->reset();
}

// ---- Statics ------------------------------------------------------------------

void BaseRetrieverThread::setContentRoot(const std::string& root) {
    std::string value = root;
    if (!value.empty() && value.back() != '/') value += '/';
    std::lock_guard<std::mutex> guard(sharedLock());
    contentRoot() = value;
}

std::string BaseRetrieverThread::getContentRoot() {
    std::lock_guard<std::mutex> guard(sharedLock());
    return contentRoot();
}

int64_t BaseRetrieverThread::now() {
    {
        std::lock_guard<std::mutex> guard(sharedLock());
        if (clock()) return clock()();
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void BaseRetrieverThread::setClock(std::function<int64_t()> replacement) {
    std::lock_guard<std::mutex> guard(sharedLock());
    clock() = std::move(replacement);
}

// ---- Body and reports -----------------------------------------------------------

void BaseRetrieverThread::run() {
    foundation::BaseNetThread::run();
    try {
        retrieve();
    } catch (const Ended&) {
        // The worker was ended before it could fetch: nothing to do.
    } catch (const std::exception& failure) {
        handleFailure(failure);
    }
    destroy();
}

void BaseRetrieverThread::handleFailure(const std::exception& failure) {
    reportError(failureReport(), &failure);
    Logger::error("Error updating " + std::string(classState().name), failure);
}

void BaseRetrieverThread::reportError(const std::string& message, const std::exception* failure) {
    if (classState().errorReportedAlready.exchange(true)) return;
    const std::string name = classState().name;
    foundation::AsynchURL::reportNonRLSourceError(message, "", "Lanternbay 20060430", "-", name, failure, 0);
    if (failure) {
        Logger::error("Error report from " + name + ": " + message, *failure);
    } else {
        Logger::error("Error report from " + name + ": " + message);
    }
}

// ---- The kit ----------------------------------------------------------------------

bool BaseRetrieverThread::updatedWithin(int64_t intervalMs, const std::string& label, bool sameParam) {
    const int64_t last = classState().lastUpdated.load();
    if (last == RetrieverClassState::NEVER) return false;
    const int64_t elapsed = now() - last;
    // A negative elapsed time (a clock that went back) counts as recent.
    if (elapsed >= intervalMs) return false;
    if (sameParam && classState().getLastParamUsed() != m_param) return false;
    Logger::verbose("Cancelling " + label + " update.  Last updated " + std::to_string(elapsed / 1000) +
                    " seconds ago; content changes every " + std::to_string(intervalMs / 1000) + " seconds");
    return true;
}

void BaseRetrieverThread::markUpdated(bool withParam) {
    foundation::ThreadStop::checkpoint();
    if (withParam) classState().setLastParamUsed(m_param);
    classState().lastUpdated.store(now());
}

std::optional<std::string> BaseRetrieverThread::readTemplate(const std::string& path) {
    try {
        return foundation::FileUtil::readFileIntoStringWithThrow(path);
    } catch (const std::exception& failure) {
        Logger::error("Unable to read from file " + path, failure);
        reportError("Unable to read from file " + path, &failure);
        return std::nullopt;
    }
}

std::string BaseRetrieverThread::fetch(const std::string& url, int maxBytes) {
    std::shared_ptr<foundation::TextBrowser> browser = getBrowser();
    if (!browser) throw Ended{};
    return browser->doGet(url, maxBytes);
}

void BaseRetrieverThread::download(const std::string& url, const std::string& relativePath, bool keepExisting) {
    std::shared_ptr<foundation::TextBrowser> browser = getBrowser();
    if (!browser) throw Ended{};
    const std::string path = contentPath(relativePath);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    browser->doDownloadBinaryFile(url, path, keepExisting, MAX_DOWNLOAD_BYTES);
}

bool BaseRetrieverThread::writePage(const std::string& path, const std::string& text) {
    foundation::ThreadStop::checkpoint();
    return Logger::writeFileChecked(path, text);
}

std::string BaseRetrieverThread::fillPlaceholders(std::string_view pattern, const std::vector<std::string>& values) {
    std::string out;
    out.reserve(pattern.size());
    size_t from = 0;
    while (true) {
        const size_t open = pattern.find('{', from);
        if (open == std::string_view::npos) break;
        size_t end = open + 1;
        size_t index = 0;
        while (end < pattern.size() && end - open <= 6 && pattern[end] >= '0' && pattern[end] <= '9') {
            index = index * 10 + static_cast<size_t>(pattern[end] - '0');
            ++end;
        }
        const bool placeholder = end > open + 1 && end < pattern.size() && pattern[end] == '}' && index < values.size();
        out.append(pattern.substr(from, open - from));
        if (placeholder) {
            out += values[index];
            from = end + 1;
        } else {
            out += '{';
            from = open + 1;
        }
    }
    out.append(pattern.substr(from));
    return out;
}

std::string BaseRetrieverThread::pageText(std::string_view scraped) {
    return tracker::RLSource::toRecordedText(scraped);
}

bool BaseRetrieverThread::isSafeFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    return true;
}

std::optional<std::string> BaseRetrieverThread::imageFileName(std::string_view address) const {
    std::string_view name = address;
    const size_t cut = name.find_first_of("?#");
    if (cut != std::string_view::npos) name = name.substr(0, cut);
    const size_t slash = name.rfind('/');
    if (slash != std::string_view::npos) name = name.substr(slash + 1);
    if (!isSafeFileName(name)) {
        Logger::warning("Refusing image name from " + std::string(classState().name) + " content: " +
                        std::string(address));
        return std::nullopt;
    }
    return std::string(name);
}

}  // namespace portal::retriever
