#pragma once
// The tracker window on the headless toolkit in a temporary install folder:
// settings left by an earlier run, scripted account threads for real
// program keys, launch reports caught, addresses opened outside recorded,
// and the end of the process recorded instead of ending the test.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/JNIUtil.h"
#include "foundation/Logger.h"
#include "foundation/ThreadUtil.h"
#include "platform/system/Connection.h"
#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/toolkit/headless/Headless.h"
#include "tests/support/OpenedUrls.h"
#include "tests/support/TempWorkDir.h"
#include "tests/tracker/core/EngineTestKit.h"
#include "tracker/core/BasePreferences.h"
#include "tracker/core/History.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLEngine.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseDialog.h"
#include "tracker/ui/BaseRLApp.h"

namespace rltest {

using tracker::RLPreferences;
using tracker::ui::BaseRLApp;

struct StoredAccount {
    std::string key;
    std::string username;
    std::string password;
    std::string password2;
    std::optional<std::string> balance;  // the balance of the last run
};

struct StoredUser {
    std::string name;
    std::vector<StoredAccount> accounts;
};

// The row of a program, by its key, in the dialogs' program lists.
inline int programRow(const std::string& key) {
    for (int i = 0; i < RLPreferences::getSourceCount(); ++i) {
        if (RLPreferences::getKey(i) == key) return i;
    }
    throw std::invalid_argument("no program " + key);
}

// Holds account threads until the test lets them go; a stop request ends the
// wait (the thread then leaves its body).
class Gate {
public:
    void open() { m_open.store(true); }
    void pass() const {
        while (!m_open.load()) foundation::ThreadUtil::sleepWithoutAlarm(1);
    }

private:
    std::atomic<bool> m_open{false};
};

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        BaseRLApp::setProcessEnd([this](int status) {
            endStatuses.push_back(status);
            if (onProcessEnd) onProcessEnd();
        });
        RLPreferences::setStatsReporter([this](const std::string&, const std::string&,
                                               const std::optional<std::string>&, int) { ++launchReports; });
        BaseRLApp::setCheckInProgress(false);
        foundation::JNIUtil::setOverrideAlwaysConnected(false);
        tracker::History::reset();
    }

    void TearDown() override {
        window.reset();
        BaseRLApp::setProcessEnd(nullptr);
        RLPreferences::setStatsReporter(nullptr);
        RLPreferences::setUserRemovedListener(nullptr);
        sys::resetRouteTablePaths();
        foundation::JNIUtil::setOverrideAlwaysConnected(false);
        BaseRLApp::setCheckInProgress(false);
        BaseRLApp::setAppType(BaseRLApp::APP_TYPE_LANTERNBAY);
        foundation::Logger::setLogFilePath(m_previousLog);
        foundation::Logger::setUseConsole(false);
    }

    // The settings an earlier run left: users and accounts, options
    // (verbose logging and a long poll unless given), saved through the
    // preferences as the program saves them.
    void prepareSettings(const std::vector<StoredUser>& users, const std::map<std::string, std::string>& options = {}) {
        BaseRLApp::setAppType(BaseRLApp::APP_TYPE_FARHAVEN);
        RLPreferences::loadPrefs("Roamledger", std::make_shared<tracker::PropertiesPrefPersist>());
        for (size_t u = 0; u < users.size(); ++u) {
            if (u == 0) {
                RLPreferences::renameUser(0, users[u].name);
            } else {
                RLPreferences::addUser(users[u].name);
            }
            for (const StoredAccount& a : users[u].accounts) {
                const int user = static_cast<int>(u);
                RLPreferences::setUsername(user, a.key, a.username);
                RLPreferences::setPassword(user, a.key, a.password);
                RLPreferences::setPassword2(user, a.key, a.password2);
                if (a.balance) RLPreferences::setCurrentBalance(user, a.key, a.balance);
            }
        }
        std::map<std::string, std::string> all{{"OptLoggingLevel", "4"}, {"OptThreadPoll", "60000"}};
        for (const auto& [key, value] : options) all[key] = value;
        for (const auto& [key, value] : all) tracker::BasePreferences::setStringPreference(key, value);
        RLPreferences::savePrefs();
        tracker::History::reset();
        launchReports = 0;
    }

    // Builds and shows the window of an edition: type 1 in its own shell,
    // the others in a host shell of the test.
    BaseRLApp& open(int type, std::unique_ptr<BaseRLApp> app = nullptr, tracker::ui::IWrapper* wrapper = nullptr) {
        if (!app) app = std::make_unique<BaseRLApp>();
        tk::Shell* parent = nullptr;
        int style = tk::SHELL_TRIM;
        if (type != BaseRLApp::APP_TYPE_FARHAVEN) {
            host = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
            host->setBounds(40, 30, 1000, 800);
            host->open();
            parent = host.get();
            style = type == BaseRLApp::APP_TYPE_LANTERNBAY ? tk::NO_TRIM : tk::NONE;
        }
        app->init(type, &display, parent, style, true, true, "host-uuid", wrapper);
        window = std::move(app);
        // Placed and shown as the edition's host would.
        if (type == BaseRLApp::APP_TYPE_LANTERNBAY) window->setSize(581, 500);
        if (type == BaseRLApp::APP_TYPE_BRTW || type == BaseRLApp::APP_TYPE_ROAMBAY) window->setSize(700, 400);
        window->show();
        return *window;
    }

    // The settings file as it is on disk now.
    std::map<std::string, std::string> storedSettings() const {
        std::map<std::string, std::string> table;
        tracker::PropertiesPrefPersist::parseProperties(readFile(dir.file("Roamledger.settings")), table);
        return table;
    }

    std::string log() const { return readFile(dir.file("Roamledger.log")); }
    bool logged(const std::string& part) const { return log().find(part) != std::string::npos; }
    std::string page(const std::string& name) const { return readFile(dir.file(name)); }
    std::string fileUrl(const std::string& name) const { return tracker::BaseEngine::toFileURL(dir.file(name)); }

    const tk::headless::BrowserRecord& browserRecord() const { return tk::headless::browserRecord(*window->getBrowser()); }
    // Runs the display's pending work, all of it: no time passes, so what
    // another thread has still to post needs a wait (waitFor) instead.
    void settle() { driver.runPending(); }

    // The D that acting (true when the menu item, key or button took the
    // action) made the window open last; throws when there is none.
    template <class D>
    D& dialogOpenedBy(bool acted, const std::string& what) const {
        if (!acted) throw std::runtime_error(what + " cannot be chosen");
        auto dialogs = window->getDialogs();
        auto* dialog = dialogs.empty() ? nullptr : dynamic_cast<D*>(dialogs.back());
        if (!dialog) throw std::runtime_error("no " + what + " dialog");
        return *dialog;
    }

    // The popup windows open now (modal shells other than the window's).
    std::vector<tk::Shell*> popups() const {
        std::vector<tk::Shell*> out;
        for (tk::Shell* shell : display.getShells()) {
            if (shell != window->getComposite() && shell != host.get() && shell->getVisible()) out.push_back(shell);
        }
        return out;
    }

    TempWorkDir dir;
    tk::Display display{"headless"};
    tk::TestDriver driver{display};
    OpenedUrls opened;
    ScriptedAdapters adapters;
    std::shared_ptr<tk::Shell> host;
    std::unique_ptr<BaseRLApp> window;
    std::vector<int> endStatuses;
    std::function<void()> onProcessEnd;
    std::atomic<int> launchReports{0};

private:
    std::string m_previousLog = foundation::Logger::getLogFilePath();
};

}  // namespace rltest
