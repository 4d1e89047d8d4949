#include "foundation/AsynchURL.h"

#include <cstdio>

#include "foundation/CompressionUtil.h"
#include "foundation/HostTable.h"
#include "foundation/Logger.h"
#include "foundation/MathUtil.h"
#include "foundation/RegistryUtil.h"
#include "foundation/StrUtil.h"
#include "foundation/ThreadUtil.h"

namespace foundation {

namespace {

constexpr int kWaitMs = 600;

// The registry value that replaces the report address of a branded edition.
std::string overriddenAddress(const char* valueName, const std::string& fallback) {
    try {
        return RegistryUtil::getCurrentUserInstance(AsynchURL::REGISTRY_KEY).getString(valueName, fallback);
    } catch (const std::exception& failure) {
        Logger::error(std::string("Error getting registry key ") + valueName, failure);
        return fallback;
    }
}

}  // namespace

AsynchURL::AsynchURL() = default;

AsynchURL::AsynchURL(const std::string& url) : m_accessor(std::make_shared<URLAccessor>(url, std::nullopt)) {}

AsynchURL::AsynchURL(const std::string& url, const std::string& postData)
    : m_accessor(std::make_shared<URLAccessor>(url, postData)) {}

void AsynchURL::threadsCompleted() { m_done.store(true, std::memory_order_release); }

std::shared_ptr<ThreadController> AsynchURL::getController() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_controller;
}

void AsynchURL::run() {
    if (!m_accessor) return;
    auto controller = std::make_shared<ThreadController>();
    controller->setStarter(std::static_pointer_cast<AsynchURL>(shared_from_this()));
    controller->setSource(m_accessor);
    controller->setParameters(1, 500, m_timeLimitMs, m_timeLimitMs, false);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_controller = controller;
    }
    controller->start();
    try {
        while (!isDone()) ThreadUtil::sleepWithoutAlarm(kWaitMs);
    } catch (...) {
        // Stopped while waiting: the request goes with us.
        controller->forceThreadsToEnd();
        throw;
    }
    if (!m_accessor->isDestroyed()) m_accessor->destroy();
}

void AsynchURL::accessURL(const std::string& url) { std::make_shared<AsynchURL>(url)->start(); }

void AsynchURL::accessURL(const std::string& url, const std::string& postData) {
    std::make_shared<AsynchURL>(url, postData)->start();
}

std::string AsynchURL::formEncode(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
            c == '*' || c == '_') {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
    }
    return out;
}

std::string AsynchURL::compressAndEncodeString(const std::string& text) {
    try {
        std::string encoded = StrUtil::base64encode(CompressionUtil::gzipString(text));
        int prefix = 1000000 + static_cast<int>(MathUtil::nextDouble() * 9000000.0);
        if (prefix > 9999999) prefix = 9999999;
        return formEncode(std::to_string(prefix) + encoded);
    } catch (const std::exception& failure) {
        Logger::error("Unable to compress and encode data", failure);
        return "";
    }
}

void AsynchURL::reportRLSourceError(const std::string&, const std::string&, const std::string&, const std::string&,
                                    int) {}

void AsynchURL::reportNonRLSourceError(const std::string&, const std::string&, const std::string&,
                                       const std::string&, const std::string&, const std::exception*, int) {}

std::optional<std::string> AsynchURL::getStatsReportURL(int appType) {
    switch (appType) {
        case 0: return HostTable::url("ProductServer.site", "/lanternbay/rlreg20060430.php");
        case 1: return HostTable::url("ProductServer.site", "/roamledger/farhaven/reg20060430.php");
        case 2: {
            std::string address =
                overriddenAddress("BRTWStatsReportURL", HostTable::url("BrightwireReport.site", "/optin/parser.php"));
            Logger::verbose("StatsReportURL: " + address);
            return address;
        }
        case 3: {
            std::string address =
                overriddenAddress("RoambayStatsReportURL", HostTable::url("RoambayReport.site", "/optin/parser.php"));
            Logger::verbose("StatsReportURL: " + address);
            return address;
        }
        default: return std::nullopt;
    }
}

std::string AsynchURL::buildStatsReportBody(const std::string& message, const std::string& uuid,
                                            const std::optional<std::string>& extraParameter) {
    std::string body = "UUID=" + uuid;
    if (extraParameter) body += "&" + *extraParameter;
    body += "&Message=" + compressAndEncodeString(message);
    return body;
}

void AsynchURL::reportStats(const std::string& message, const std::string& uuid,
                            const std::optional<std::string>& extraParameter, int appType) {
    // An unknown edition has no address: the worker fails and logs it.
    std::string address = getStatsReportURL(appType).value_or("");
    std::make_shared<AsynchURL>(address, buildStatsReportBody(message, uuid, extraParameter))->start();
}

}  // namespace foundation
