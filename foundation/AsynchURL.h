#pragma once
// Fire-and-forget requests to the product's server: a thread that requests
// one address (GET, or POST of a form body) under a ThreadController of its
// own with a 90-second limit, logs the answer and ignores it. Nobody waits
// for it; no failure reaches the caller.
//
//   AsynchURL::accessURL(url, body);                     // start and forget
//   auto report = std::make_shared<AsynchURL>(url, body); // or keep a handle
//   report->start();
//
// reportStats() builds and sends the launch report; the two error-report
// sinks accept their arguments and send nothing.

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "foundation/IThreadControllerStarter.h"
#include "foundation/Thread.h"
#include "foundation/ThreadController.h"
#include "foundation/URLAccessor.h"

namespace foundation {

class AsynchURL : public Thread, public IThreadControllerStarter {
public:
    using URLAccessor = foundation::URLAccessor;

    static constexpr int TIME_LIMIT_MS = 90000;
    static constexpr const char* REGISTRY_KEY = "Software\\Roamledger";

    // Without a request: runs and ends at once.
    AsynchURL();
    explicit AsynchURL(const std::string& url);
    AsynchURL(const std::string& url, const std::string& postData);

    // Told by the controller.
    void threadsCompleted() override;

    static void accessURL(const std::string& url);
    static void accessURL(const std::string& url, const std::string& postData);

    // gzip, Base64 (CR LF after every 76 characters), seven random digits in
    // front, form-encoded; "" after a failure (logged).
    static std::string compressAndEncodeString(const std::string& text);

    // Error-report sinks: nothing is sent.
    static void reportRLSourceError(const std::string& key, const std::string& uuid, const std::string& userTag,
                                    const std::string& report, int appType);
    static void reportNonRLSourceError(const std::string& text, const std::string& uuid, const std::string& version,
                                       const std::string& versionLabel, const std::string& classLabel,
                                       const std::exception* failure, int appType);

    // The launch report: "UUID=" uuid ["&" extra] "&Message=" encoded
    // message, posted to the address of the edition; returns at once.
    static void reportStats(const std::string& message, const std::string& uuid,
                            const std::optional<std::string>& extraParameter, int appType);
    // The address reportStats uses for an edition (registry overrides
    // included); absent for an unknown type.
    static std::optional<std::string> getStatsReportURL(int appType);
    static std::string buildStatsReportBody(const std::string& message, const std::string& uuid,
                                            const std::optional<std::string>& extraParameter);
    // Letters, digits and ". - * _" stay, blank becomes "+", every other byte
    // "%XX".
    static std::string formEncode(const std::string& text);

    // The page and overall limit of the request (90 s unless changed before
    // start).
    void setTimeLimit(int ms) { m_timeLimitMs = ms; }
    bool isDone() const { return m_done.load(std::memory_order_acquire); }
    std::shared_ptr<URLAccessor> getAccessor() const { return m_accessor; }
    std::shared_ptr<ThreadController> getController() const;

protected:
    void run() override;

private:
    std::atomic<bool> m_done{false};
    std::shared_ptr<URLAccessor> m_accessor;
    int m_timeLimitMs = TIME_LIMIT_MS;
    mutable std::mutex m_lock;
    std::shared_ptr<ThreadController> m_controller;
};

}  // namespace foundation
