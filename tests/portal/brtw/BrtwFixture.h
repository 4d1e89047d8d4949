#pragma once
// The Brightwire window on the headless toolkit in a temporary install
// folder: the edition's pages installed from resources/brtw, a registry of
// the test's own, the connection state from prepared routing tables, the
// newspaper's feed and the product server as imitation sites, scripted
// account threads for real program keys, addresses opened outside recorded,
// and the end of the process recorded instead of ending the test.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/HostTable.h"
#include "foundation/JNIUtil.h"
#include "foundation/Logger.h"
#include "foundation/RegistryUtil.h"
#include "foundation/StrUtil.h"
#include "platform/system/Connection.h"
#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/toolkit/headless/Headless.h"
#include "portal/brtw/NewsRetriever.h"
#include "portal/brtw/RLAppBRTW.h"
#include "portal/brtw/RLBRTW.h"
#include "tests/support/BrowserSession.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/OpenedUrls.h"
#include "tests/support/TempRegistry.h"
#include "tests/support/TempWorkDir.h"
#include "tests/tracker/core/EngineTestKit.h"
#include "tests/tracker/ui/WindowFixture.h"
#include "tracker/core/BaseEngine.h"
#include "tracker/core/BasePreferences.h"
#include "tracker/core/History.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLEngine.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/SetupDialog.h"

// The backend of the fixture's display; the window tests on the Qt backend
// define it as "qt" before including this header.
#ifndef RL_BRTW_FIXTURE_BACKEND
#define RL_BRTW_FIXTURE_BACKEND "headless"
#endif

namespace rltest::brtw {

// The fixture's backend; without a window system the Qt fixture makes a
// headless display instead, so that its tests get to skip with their
// reason rather than fail in the fixture.
inline const char* fixtureBackend() {
    if (std::string(RL_BRTW_FIXTURE_BACKEND) != "headless" && !haveDisplay()) return "headless";
    return RL_BRTW_FIXTURE_BACKEND;
}

using portal::NewsRetriever;
using portal::RLBRTW;
using tracker::RLPreferences;
using tracker::ui::BaseRLApp;

constexpr const char* FEED_HOST = "www.brightwire.example";
constexpr const char* FEED_PATH = "/rss/travel/topstories.xml";
constexpr const char* PRODUCT_HOST = "https://www.roamledger.example";
constexpr const char* OPT_IN_HOST = "http://www.roamledger.example";

// One feed item as the newspaper writes it: six pieces of text.
inline std::string feedItem(const std::string& title, const std::string& link, const std::string& guid) {
    return "<item>\n<title>" + title + "</title>\n<link>" + link + "</link>\n<description>About " + title +
           "</description>\n<pubDate>Sun, 30 Apr 2006 08:00:00 EST</pubDate>\n<guid isPermaLink=\"false\">" + guid +
           "</guid>\n<category>Travel</category>\n</item>\n";
}

inline std::string feed(const std::string& items) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\">\n<channel>\n<title>Brightwire: "
           "Travel</title>\n<link>http://www.brightwire.example/travel/</link>\n<description>Top stories"
           "</description>\n" +
           items + "</channel>\n</rss>\n";
}

// A feed of count plain items, "Story 1" ... .
inline std::string plainFeed(int count) {
    std::string items;
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        items += feedItem("Story " + n, "http://www.brightwire.example/travel/story" + n + ".html", "bw-" + n);
    }
    return feed(items);
}

class BrtwFixture : public ::testing::Test {
protected:
    void SetUp() override {
        installPages();
        goOnline();
        BaseRLApp::setProcessEnd([this](int status) { endStatuses.push_back(status); });
        RLPreferences::setStatsReporter(
            [](const std::string&, const std::string&, const std::optional<std::string>&, int) {});
        BaseRLApp::setCheckInProgress(false);
        foundation::JNIUtil::setOverrideAlwaysConnected(false);
        tracker::History::reset();
        NewsRetriever::resetStatics();
        web.site(FEED_HOST).on("GET", FEED_PATH, Answer::page(plainFeed(3)));
    }

    void TearDown() override {
        window.reset();
        BaseRLApp::setProcessEnd(nullptr);
        RLPreferences::setStatsReporter(nullptr);
        sys::resetRouteTablePaths();
        foundation::JNIUtil::setOverrideAlwaysConnected(false);
        BaseRLApp::setCheckInProgress(false);
        BaseRLApp::setAppType(BaseRLApp::APP_TYPE_LANTERNBAY);
        NewsRetriever::resetStatics();
        tracker::ui::SetupDialog::cleanUp();
        foundation::Logger::setLogFilePath(m_previousLog);
        foundation::Logger::setUseConsole(false);
    }

    // The pages as the build installs them.
    void installPages() {
        std::filesystem::copy(sourceDir() + "/resources/brtw", dir.file("brtw"),
                              std::filesystem::copy_options::recursive);
        std::filesystem::copy(sourceDir() + "/resources/images/Roamledger.ico", dir.file("Roamledger.ico"));
    }

    void goOnline() {
        writeFile(dir.file("route"),
                  "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
                  "eth0\t00000000\t010200C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n");
        writeFile(dir.file("ipv6_route"), "");
        sys::setRouteTablePaths(dir.file("route"), dir.file("ipv6_route"));
    }

    void goOffline() {
        writeFile(dir.file("route"), "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n");
        writeFile(dir.file("ipv6_route"), "");
        sys::setRouteTablePaths(dir.file("route"), dir.file("ipv6_route"));
    }

    // The settings an earlier run left (verbose logging, a long poll).
    void prepareSettings(const std::vector<std::pair<std::string, std::vector<std::string>>>& users,
                         const std::map<std::string, std::string>& options = {}) {
        BaseRLApp::setAppType(BaseRLApp::APP_TYPE_BRTW);
        RLPreferences::loadPrefs("Roamledger", std::make_shared<tracker::PropertiesPrefPersist>());
        for (size_t u = 0; u < users.size(); ++u) {
            const int user = static_cast<int>(u);
            if (u == 0) {
                RLPreferences::renameUser(0, users[u].first);
            } else {
                RLPreferences::addUser(users[u].first);
            }
            for (const std::string& key : users[u].second) {
                RLPreferences::setUsername(user, key, "login-" + key);
                RLPreferences::setPassword(user, key, "secret");
            }
        }
        std::map<std::string, std::string> all{{"OptLoggingLevel", "4"}, {"OptThreadPoll", "60000"}};
        for (const auto& [key, value] : options) all[key] = value;
        for (const auto& [key, value] : all) tracker::BasePreferences::setStringPreference(key, value);
        RLPreferences::savePrefs();
        tracker::History::reset();
    }

    void setScreen(int width, int height, int titleBar) {
        tk::headless::Screen screen;
        screen.bounds = {0, 0, width, height};
        screen.clientArea = {0, 0, width, height - 30};
        screen.titleBarHeight = titleBar;
        tk::headless::setScreen(display, screen);
    }

    void setRegistry(const std::string& name, int value) {
        foundation::RegistryUtil::getCurrentUserInstance(RLBRTW::REGISTRY_KEY).setInt(name, value);
    }
    int registry(const std::string& name) {
        return foundation::RegistryUtil::getCurrentUserInstance(RLBRTW::REGISTRY_KEY).getInt(name, -12345);
    }

    // Builds the window; the headline update it starts has ended on return.
    RLBRTW& open() {
        window = std::make_unique<RLBRTW>(&display);
        EXPECT_TRUE(window->isConstructed());
        waitForHeadlines();
        settle();
        return *window;
    }

    void waitForHeadlines() {
        if (!window) return;
        if (auto retriever = window->getNewsRetriever()) {
            ASSERT_TRUE(retriever->join(rltest::scaled(20000)));
        }
    }

    // Runs the display's pending work, all of it: no time passes, so what
    // another thread has still to post needs a wait (waitFor) instead.
    void settle() { driver.runPending(); }

    portal::RLAppBRTW& tracker() { return *window->getTrackerWindow(); }
    tk::Browser& wrapperBrowser() { return *window->getBrowser(); }
    const tk::headless::BrowserRecord& wrapperRecord() { return tk::headless::browserRecord(wrapperBrowser()); }
    const tk::headless::BrowserRecord& trackerRecord() {
        return tk::headless::browserRecord(*tracker().getBrowser());
    }
    std::string page(const std::string& name) { return window->pageUrl(name); }
    std::string fileUrl(const std::string& name) const { return tracker::BaseEngine::toFileURL(dir.file(name)); }

    // A click in the wrapper browser (a frame's when top is false); true
    // when the navigation went ahead.
    bool click(const std::string& url, bool top = true) { return driver.followLink(wrapperBrowser(), url, top); }

    std::string log() const { return readFile(dir.file("Roamledger.log")); }
    bool logged(const std::string& part) const { return log().find(part) != std::string::npos; }
    size_t loggedCount(const std::string& part) const {
        return static_cast<size_t>(foundation::StrUtil::countMatches(log(), part));
    }

    TempWorkDir dir;
    TempRegistry registryStore{dir.file("registry")};
    ImitationWeb web;
    tk::Display display{fixtureBackend()};
    tk::TestDriver driver{display};
    OpenedUrls opened;
    ScriptedAdapters adapters;
    std::unique_ptr<RLBRTW> window;
    std::vector<int> endStatuses;

private:
    std::string m_previousLog = foundation::Logger::getLogFilePath();
};

}  // namespace rltest::brtw
