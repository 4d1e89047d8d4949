#pragma once
// Helpers for the account-thread tests: a scripted source whose error
// reports are caught, a small engine that starts sources and times them out
// as the real scheduler does, a displayer that counts its calls, and a
// fixture with loaded preferences, a verbose log file and secrets to look
// for in everything the tests captured.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Logger.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"
#include "tests/tracker/core/PrefsFixture.h"
#include "tracker/core/BaseEngine.h"
#include "tracker/core/IDisplayer.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/core/SourceConfig.h"

namespace rltest {

struct SourceReport {
    std::string key;
    std::string uuid;
    std::string userTag;
    std::string text;
};

// Every report of every source of a test, in order.
class ReportSink {
public:
    void add(SourceReport report) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_reports.push_back(std::move(report));
    }
    std::vector<SourceReport> all() const {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_reports;
    }
    size_t count() const {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_reports.size();
    }

private:
    mutable std::mutex m_lock;
    std::vector<SourceReport> m_reports;
};

inline tracker::SourceConfig makeConfig(const std::string& key, bool detailsTracked, bool transactionsTracked,
                                        const std::string& display = "Test Program") {
    return tracker::SourceConfig(tracker::SourceClass{}, key, display, "Number", "Password", "", "", "", "TP", 0,
                                 0, 1.0f, true, true, detailsTracked, transactionsTracked);
}

// Reports go to a sink instead of the reporter; the protected state is open
// to the tests.
template <class Base>
class Caught : public Base {
public:
    using Base::Base;
    std::shared_ptr<ReportSink> sink = std::make_shared<ReportSink>();

    using Base::m_password;
    using Base::m_password2;
    using Base::m_rowCount;
    using Base::m_tb;
    using Base::m_username;

protected:
    void sendErrorReport(const std::string& key, const std::string& uuid, const std::string& userTag,
                         const std::string& reportText) override {
        sink->add({key, uuid, userTag, reportText});
    }
};

// A source whose update() runs a test's script.
class ScriptedSourceBase : public tracker::RLSource {
public:
    using Script = std::function<void(ScriptedSourceBase&)>;
    explicit ScriptedSourceBase(tracker::SourceConfig config, Script script = {})
        : m_config(std::move(config)), m_script(std::move(script)) {}

    void update() override {
        if (m_script) {
            m_script(*this);
        } else {
            tracker::RLSource::update();
        }
    }
    const tracker::SourceConfig& getSourceConfig() const override { return m_config; }

    // Open to the scripts.
    using tracker::RLSource::m_password;
    using tracker::RLSource::m_password2;
    using tracker::RLSource::m_tb;
    using tracker::RLSource::m_username;

private:
    tracker::SourceConfig m_config;
    Script m_script;
};

using ScriptedSource = Caught<ScriptedSourceBase>;

class CountingDisplayer : public tracker::IDisplayer {
public:
    void updateProgress() override { ++progress; }
    void sourceThreadStarted(const std::shared_ptr<tracker::RLSource>&) override { ++started; }
    void refreshResults() override { ++refreshed; }
    void done() override { ++doneCalls; }
    bool cancelCheck() override { return cancel.load(); }

    std::atomic<int> progress{0};
    std::atomic<int> started{0};
    std::atomic<int> refreshed{0};
    std::atomic<int> doneCalls{0};
    std::atomic<bool> cancel{false};
};

// Starts its sources, polls them, times out those whose last activity is
// older than the page limit, cancels on request, and ends when none runs.
class TestEngine : public tracker::BaseEngine {
public:
    explicit TestEngine(int64_t pageLimitMs, int64_t pollMs = 20) : m_pageLimit(pageLimitMs), m_poll(pollMs) {}

    // Takes effect at the next poll; a test lowers the limit once the moment
    // it counts from has come (a request reached the site).
    void setPageLimit(int64_t pageLimitMs) { m_pageLimit.store(pageLimitMs); }

    void add(const std::shared_ptr<tracker::RLSource>& source) {
        m_sources.push_back(source);
        setSourcesCreated(static_cast<int>(m_sources.size()));
    }

    void run() override {
        for (auto& source : m_sources) source->init();
        for (auto& source : m_sources) {
            if (source->start()) {
                if (auto displayer = getDisplayer()) displayer->sourceThreadStarted(source);
            }
        }
        for (;;) {
            auto displayer = getDisplayer();
            if (displayer && displayer->cancelCheck()) {
                for (auto& source : m_sources) {
                    if (source->isRunning()) source->cancel();
                }
                return;
            }
            int running = 0;
            const int64_t now = tracker::BaseSource::currentTimeMillis();
            for (auto& source : m_sources) {
                if (source->isExcluded() || !source->isRunning()) continue;
                ++running;
                if (now - source->getLastActiveTime() > m_pageLimit) {
                    ++timeOuts;
                    source->timeOut();
                }
            }
            if (running == 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(m_poll));
        }
    }

    std::atomic<int> timeOuts{0};

private:
    std::vector<std::shared_ptr<tracker::RLSource>> m_sources;
    std::atomic<int64_t> m_pageLimit;
    int64_t m_poll;
};

// Polls a condition for up to ms milliseconds (scaled).
inline bool eventually(const std::function<bool()>& condition, int ms = WAIT_MS) { return waitFor(condition, ms); }

// Loaded preferences with user 0, a verbose log file, and the secrets that
// must never show in what a test captured.
class SourceFixture : public PrefsFixture {
protected:
    static constexpr const char* PASSWORD = "Pa55&wd=9#";
    static constexpr const char* PASSWORD2 = "Sec ond%2";

    void SetUp() override {
        PrefsFixture::SetUp();
        // The log goes into this test's folder from the first line on.
        m_previousLogPath = foundation::Logger::getLogFilePath();
        foundation::Logger::close();
        foundation::Logger::setLogFilePath(dir.file("test.log"));
        foundation::Logger::setLevel(foundation::Logger::LEVEL_VERBOSE);
        load();
    }

    void TearDown() override {
        // Nothing may log into the folder once it is gone.
        foundation::Logger::close();
        foundation::Logger::setLogFilePath(m_previousLogPath);
        foundation::Logger::setLevel(foundation::Logger::LEVEL_INFO);
        PrefsFixture::TearDown();
    }

    std::string m_previousLogPath;

    // Gives user 0 an account of the program.
    void account(const std::string& key, const std::string& username, const std::string& password = PASSWORD,
                 const std::string& password2 = "") {
        tracker::RLPreferences::setUsername(0, key, username);
        tracker::RLPreferences::setPassword(0, key, password);
        tracker::RLPreferences::setPassword2(0, key, password2);
    }

    std::string logText() {
        return fileExists(dir.file("test.log")) ? readFile(dir.file("test.log")) : std::string();
    }

    // No password in the log or in any report of the sink.
    void expectNoSecrets(const ReportSink& sink, const std::vector<std::string>& secrets = {PASSWORD, PASSWORD2}) {
        const std::string log = logText();
        std::vector<std::string> forms;
        for (const std::string& secret : secrets) {
            forms.push_back(secret);
            forms.push_back(tracker::RLSource::encodeFormValue(secret));
        }
        for (const std::string& secret : forms) {
            EXPECT_EQ(log.find(secret), std::string::npos) << "secret in log: " << secret;
            for (const SourceReport& report : sink.all()) {
                EXPECT_EQ(report.text.find(secret), std::string::npos) << "secret in report: " << secret;
            }
        }
    }

    static std::string balance(const std::string& key) {
        return tracker::RLPreferences::getCurrentBalance(0, key).value_or("<absent>");
    }
    static std::string details(const std::string& key) {
        return tracker::RLPreferences::getDetails(0, key).value_or("<absent>");
    }
    static std::string transactions(const std::string& key) {
        return tracker::RLPreferences::getTransactions(0, key).value_or("<absent>");
    }
};

}  // namespace rltest
