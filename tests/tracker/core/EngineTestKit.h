#pragma once
// Shared pieces of the engine, result-page and history tests: scripted
// account threads registered for real program keys, a displayer that
// records its calls, and a clean set of users and accounts.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Logger.h"
#include "foundation/ThreadStop.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"
#include "tracker/core/History.h"
#include "tracker/core/IDisplayer.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/core/SourceConfig.h"
#include "tracker/ui/BaseRLApp.h"

namespace rltest {

using tracker::RLPreferences;

// An account thread whose update() runs a script.
class ScriptedSource : public tracker::RLSource {
public:
    using Script = std::function<void(ScriptedSource&)>;

    ScriptedSource(std::string key, Script script) : m_key(std::move(key)), m_script(std::move(script)) {}

    void update() override {
        if (m_script) m_script(*this);
    }
    const tracker::SourceConfig& getSourceConfig() const override { return *RLPreferences::getConfig(m_key); }

    // Waits until the engine stops the thread (or the time runs out).
    static void waitForStop(int64_t ms = 20000) {
        if (foundation::StopToken* token = foundation::ThreadStop::current()) token->waitFor(ms);
    }

private:
    std::string m_key;
    Script m_script;
};

// Registers scripted adapters for program keys; unregisters them at the end.
class ScriptedAdapters {
public:
    ~ScriptedAdapters() {
        for (const auto& key : m_keys) tracker::SourceConfig::unregisterSourceClass(key);
    }
    void add(const std::string& key, ScriptedSource::Script script) {
        tracker::SourceConfig::registerSourceClass(
            key, [key, script]() -> std::shared_ptr<tracker::RLSource> {
                return std::make_shared<ScriptedSource>(key, script);
            });
        m_keys.push_back(key);
    }

private:
    std::vector<std::string> m_keys;
};

// Records every call of the engine.
class RecordingDisplayer : public tracker::IDisplayer {
public:
    void updateProgress() override { ++progress; }
    void sourceThreadStarted(const std::shared_ptr<tracker::RLSource>& source) override {
        std::lock_guard<std::mutex> guard(lock);
        if (onStarted) onStarted(source);
        started.push_back(source->getKey() + std::to_string(source->getUser()));
        startedSources.push_back(source);
    }
    void refreshResults() override {
        ++refreshes;
        if (onRefresh) onRefresh();
    }
    void done() override {
        ++dones;
        if (onDone) onDone();
    }
    bool cancelCheck() override { return cancel && cancel(); }
    size_t startedCount() {
        std::lock_guard<std::mutex> guard(lock);
        return started.size();
    }

    std::atomic<int> progress{0};
    std::atomic<int> refreshes{0};
    std::atomic<int> dones{0};
    std::mutex lock;
    std::vector<std::string> started;
    std::vector<std::shared_ptr<tracker::RLSource>> startedSources;
    std::function<void(const std::shared_ptr<tracker::RLSource>&)> onStarted;
    std::function<void()> onRefresh;
    std::function<void()> onDone;
    std::function<bool()> cancel;
};

// Removes every user; the preferences keep no store in these tests.
inline void clearUsers() {
    while (RLPreferences::getUserCount() > 0) RLPreferences::removeUser(0);
}

// A user with accounts: key, user name, previous balance, current balance.
struct Account {
    std::string key;
    std::string username;
    std::optional<std::string> previous;
    std::optional<std::string> current;
};

inline int addUserWith(const std::string& name, const std::vector<Account>& accounts) {
    RLPreferences::addUser(name, true);
    const int user = RLPreferences::getUserCount() - 1;
    for (const auto& a : accounts) {
        RLPreferences::setUsername(user, a.key, a.username);
        RLPreferences::setPreviousBalance(user, a.key, a.previous);
        RLPreferences::setCurrentBalance(user, a.key, a.current);
    }
    return user;
}

// Options as a fresh installation has them.
inline void defaultOptions() {
    RLPreferences::setHorizontalLayout(false);
    RLPreferences::setFlyerTalkLinks(false);
    RLPreferences::setITYTLinks(false);
    RLPreferences::setCalculateTotal(true);
    RLPreferences::setShowUsernames(false);
    RLPreferences::setReverseHistory(true);
    RLPreferences::setColorHeaderRow("000099");
    RLPreferences::setColorLightRow("FFFFFF");
    RLPreferences::setColorDarkRow("DDEEFF");
    RLPreferences::setCellPadding(2);
    RLPreferences::setCellSpacing(3);
    RLPreferences::setLastRunDate(0);
    RLPreferences::setMaxThreadsHigh(8);
    RLPreferences::setThreadPoll(20);
    RLPreferences::setPageTimeout(60000);
    RLPreferences::setOverallTimeout(240000);
    tracker::ui::BaseRLApp::setAppType(tracker::ui::BaseRLApp::APP_TYPE_LANTERNBAY);
    tracker::ui::BaseRLApp::setCheckInProgress(false);
}

// A temporary working folder with the log, a clean history and no users.
class EngineWorld {
public:
    EngineWorld() {
        foundation::Logger::setLogFilePath(dir.file("test.log"));
        foundation::Logger::setLevel(foundation::Logger::LEVEL_VERBOSE);
        clearUsers();
        tracker::History::reset();
        defaultOptions();
    }
    ~EngineWorld() {
        clearUsers();
        foundation::Logger::setLogFilePath(m_previousLog);
    }
    std::string log() const { return readFile(dir.file("test.log")); }
    std::string read(const std::string& name) const { return readFile(dir.file(name)); }

    TempWorkDir dir;

private:
    std::string m_previousLog = foundation::Logger::getLogFilePath();
};

inline void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t pos = 0; (pos = text.find(from, pos)) != std::string::npos; pos += to.size()) {
        text.replace(pos, from.size(), to);
    }
}

// Waits for a condition, polling; false on time-out.
inline bool eventually(const std::function<bool()>& condition, int timeoutMs = WAIT_MS) {
    return waitFor(condition, timeoutMs);
}

}  // namespace rltest
