// The pseudo-links of the result pages and every other address the
// window's browser is sent to: charts and details in popups, single
// retrievals, the navigator program, outside links and popup windows.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tests/support/Wait.h"
#include "tests/tracker/ui/WindowFixture.h"
#include "tracker/ui/IWrapper.h"

namespace {

using namespace rltest;
using tracker::ui::BaseRLApp;

class PageActionsTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        adapters.add("American", [](ScriptedSource& s) { s.registerBalance("1800"); });
        adapters.add("Aeroflot", [](ScriptedSource& s) { s.registerBalance("77"); });
        prepareSettings({{"Alice", {{"American", "alice1", "secret-pw", "", std::string("1500")}}},
                         {"Bob", {{"Aeroflot", "bob7", "bob-pw", "second-pw", std::string("20")}}}});
    }

    // A link click in the window's browser; answers whether it loaded.
    bool follow(const std::string& url) {
        const bool loaded = driver.followLink(*window->getBrowser(), url);
        settle();
        return loaded;
    }

    static size_t occurrences(const std::string& text, const std::string& part) {
        size_t count = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
        return count;
    }

    std::string popupPage() const { return page("Roamledger-Popup.html"); }

    void closePopups() {
        for (tk::Shell* shell : popups()) shell->dispose();
    }

    // Writes a navigator program into the install folder that records its
    // arguments, one per line, and beside them (".in") what it read on its
    // standard input, NULs as line feeds. While a file "hold" exists it
    // waits before it ends.
    std::string installRecordingNavigator() {
        const std::string record = dir.file("navigator-args.txt");
        writeFile(dir.file("Navigator"), "#!/bin/sh\ntr '\\000' '\\n' > '" + record + ".in.tmp'\nmv '" + record +
                                             ".in.tmp' '" + record + ".in'\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                                             record + ".tmp'\nwhile [ -e '" + dir.file("hold") +
                                             "' ]; do sleep 0.05; done\nmv '" + record + ".tmp' '" + record + "'\n");
        ::chmod(dir.file("Navigator").c_str(), 0755);
        return record;
    }

    // The argument lists of this process's children that run the script.
    static std::vector<std::string> navigatorCommandLines() {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            const std::string stat = readFile(entry.path().string() + "/stat");
            const size_t close = stat.rfind(')');
            if (close == std::string::npos) continue;
            std::istringstream fields(stat.substr(close + 2));
            std::string state;
            long parent = 0;
            fields >> state >> parent;
            if (parent != ::getpid()) continue;
            const std::string commandLine = readFile(entry.path().string() + "/cmdline");
            if (commandLine.find("Navigator") != std::string::npos) found.push_back(commandLine);
        }
        return found;
    }

    void goOffline() {
        writeFile(dir.file("route"), "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n");
        writeFile(dir.file("ipv6_route"), "");
        sys::setRouteTablePaths(dir.file("route"), dir.file("ipv6_route"));
    }
};

TEST_F(PageActionsTest, TotalChartOpensAModalPopupWithTheUsersChart) {
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    settle();
    EXPECT_FALSE(follow("http://rl/TotalChart?u=0&"));
    auto shown = popups();
    ASSERT_EQ(shown.size(), 1u);
    tk::Shell& popup = *shown[0];
    EXPECT_EQ(popup.getText(), "Alice - Total");
    EXPECT_EQ(popup.getSize(), (tk::Point{580, 685}));
    EXPECT_EQ(popup.getModality(), tk::APPLICATION_MODAL);
    EXPECT_TRUE(display.isBlocked(host.get()));
    auto children = popup.getChildren();
    ASSERT_EQ(children.size(), 1u);
    auto* browser = dynamic_cast<tk::Browser*>(children[0]);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(tk::headless::browserRecord(*browser).url, fileUrl("Roamledger-Popup.html"));
    EXPECT_TRUE(tk::headless::browserRecord(*browser).found);

    const std::string html = popupPage();
    const std::string data = *tracker::RLEngine::getPopupDataValue("TotalChart0");
    EXPECT_EQ(html.rfind("<html><head>\n", 0), 0u);
    EXPECT_NE(html.find("<script type='text/javascript' src='" + fileUrl("Roamledger.js") + "'></script>\n"),
              std::string::npos);
    // The portal's header block and header-ad script.
    EXPECT_NE(html.find("<center><a name='headerlink' href='https://www.roamledger.example/'><img name='headerimg' "
                        "border='0' height='60' width='468' src='content/images/misc/spacer.gif'></a></center><p>\n"),
              std::string::npos);
    EXPECT_NE(html.find("<script type='text/javascript'>\ne('" + data + "');\n</script>\n"), std::string::npos);
    EXPECT_NE(html.find("<script type='text/javascript' src='https://www.roamledger.example/lanternbay/"
                        "rlheader20060430.php?subcat=_TotalChart&rand="),
              std::string::npos);
    EXPECT_EQ(html.substr(html.size() - 14), "</body></html>");

    // Links inside the popup other than the program's own pages go outside.
    EXPECT_FALSE(driver.followLink(*browser, "https://www.example.com/chart-help"));
    EXPECT_EQ(opened.waitFor(1), (std::vector<std::string>{"https://www.example.com/chart-help"}));
    EXPECT_TRUE(driver.followLink(*browser, fileUrl("Roamledger-Popup.html")));
}

TEST_F(PageActionsTest, AnyActionEndingInTotalChartOpensTheChart) {
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    settle();
    EXPECT_FALSE(follow("http://rl/SomethingTotalChart?u=1&"));
    ASSERT_EQ(popups().size(), 1u);
    EXPECT_EQ(popups()[0]->getText(), "Bob - Total");
    // Outside the portal there is neither header block nor ad script.
    EXPECT_EQ(popupPage().find("headerlink"), std::string::npos);
    EXPECT_EQ(popupPage().find("rlheader"), std::string::npos);
}

TEST_F(PageActionsTest, ChartOrDetailsOfAnUnknownUserOrProgramDoNothing) {
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    settle();
    for (const char* url : {"http://rl/TotalChart?u=2&", "http://rl/TotalChart?u=-1&", "http://rl/TotalChart?u=x&",
                            "http://rl/TotalChart?v=0&", "http://rl/TotalChart?u=99999999999&"}) {
        EXPECT_FALSE(follow(url)) << url;
    }
    EXPECT_EQ(occurrences(log(), "Cannot open total chart (TotalChart): "), 5u);
    for (const char* url : {"http://rl/NoSuchProgramDetails?u=0&", "http://rl/AmericanDetails?u=5&",
                            "http://rl/AmericanDetails?u=&"}) {
        EXPECT_FALSE(follow(url)) << url;
    }
    EXPECT_TRUE(logged("Cannot open total chart (TotalChart): "));
    EXPECT_TRUE(logged("Cannot open details (NoSuchProgramDetails): "));
    EXPECT_TRUE(logged("Cannot open details (AmericanDetails): "));
    EXPECT_TRUE(popups().empty());
    EXPECT_FALSE(fileExists(dir.file("Roamledger-Popup.html")));
}

TEST_F(PageActionsTest, DetailsOpenInAPopupTitledWithTheProgram) {
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    settle();
    EXPECT_FALSE(follow("http://rl/AmericanDetails?u=0&"));
    auto shown = popups();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0]->getText(), "Alice - American Airlines AAdvantage");
    EXPECT_EQ(shown[0]->getSize(), (tk::Point{650, 515}));
    const std::string html = popupPage();
    const std::string data = *tracker::RLEngine::getPopupDataValue("American0");
    EXPECT_NE(html.find("<script type='text/javascript'>\nd(" + data + ");\n</script>\n"), std::string::npos);
    // The number format for the details as a script function.
    EXPECT_NE(html.find("<script type='text/javascript'>function n(x,d){"), std::string::npos);
    EXPECT_EQ(html.find("vbscript"), std::string::npos);
    EXPECT_NE(html.find("charset=UTF-8"), std::string::npos);
    closePopups();

    EXPECT_FALSE(follow("http://rl/AeroflotDetails?u=1&"));
    ASSERT_EQ(popups().size(), 1u);
    EXPECT_EQ(popups()[0]->getText(), "Bob - Aeroflot Bonus");
}

TEST_F(PageActionsTest, SourceRunsASingleRetrievalAndIsRefusedWhileOneRuns) {
    Gate gate;
    adapters.add("American", [&](ScriptedSource& s) {
        gate.pass();
        s.registerBalance("1900");
    });
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    settle();
    for (const char* url : {"http://rl/AmericanSource?u=4&", "http://rl/NoSuchSource?u=0&", "http://rl/AmericanSource?"}) {
        EXPECT_FALSE(follow(url)) << url;
        EXPECT_FALSE(BaseRLApp::isCheckInProgress()) << url;
    }
    EXPECT_TRUE(logged("Cannot run single check (NoSuchSource): "));
    EXPECT_TRUE(logged("Cannot run single check (AmericanSource): "));

    EXPECT_FALSE(follow("http://rl/AmericanSource?u=0&"));
    ASSERT_TRUE(BaseRLApp::isCheckInProgress());
    EXPECT_TRUE(logged("Updating balances for AmericanSource"));
    auto engine = window->getEngine();
    EXPECT_EQ(engine->getSourcesCreated(), 1);
    // Every balance went pending, also of the account not retrieved, which
    // the engine then puts back.
    EXPECT_EQ(RLPreferences::getCurrentBalance(1, "Aeroflot"), "20");

    driver.answerButton(tk::OK);
    EXPECT_FALSE(follow("http://rl/AeroflotSource?u=1&"));
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    EXPECT_EQ(driver.shownDialogs()[0].title, "Roamledger - Balance Retrieval Already In Progress");
    EXPECT_EQ(driver.shownDialogs()[0].message,
              "A retrieval cannot be started while other balances are being retrieved.");
    EXPECT_EQ(driver.shownDialogs()[0].style, tk::ICON_INFORMATION | tk::OK);
    EXPECT_EQ(window->getEngine(), engine);

    gate.open();
    ASSERT_TRUE(engine->join(rltest::scaled(10000)));
    settle();
    EXPECT_FALSE(BaseRLApp::isCheckInProgress());
    EXPECT_EQ(RLPreferences::getPreviousBalance(0, "American"), "1900");
    EXPECT_EQ(RLPreferences::getPreviousBalance(1, "Aeroflot"), "20");
}

TEST_F(PageActionsTest, NavigatorStartsFromAnArgumentVectorWithoutLoggingIt) {
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    settle();
    // No navigator program in the install folder yet.
    EXPECT_FALSE(follow("http://rl/AmericanNavigator?u=0&"));
    EXPECT_TRUE(logged("Launching navigator for AmericanNavigator"));
    EXPECT_TRUE(logged("Could not launch ./Navigator (arguments not listed)"));

    // The values go on the program's standard input, each ended by a NUL.
    const std::string record = installRecordingNavigator();
    EXPECT_FALSE(follow("http://rl/AmericanNavigator?u=0&"));
    ASSERT_TRUE(waitFor([&] { return fileExists(record); }));
    EXPECT_EQ(readFile(record), "--stdin\n");
    // An empty second password is left out.
    EXPECT_EQ(readFile(record + ".in"), "American\nalice1\nsecret-pw\n");
    std::remove(record.c_str());

    EXPECT_FALSE(follow("http://rl/AeroflotNavigator?u=1&"));
    ASSERT_TRUE(waitFor([&] { return fileExists(record); }));
    EXPECT_EQ(readFile(record), "--stdin\n");
    EXPECT_EQ(readFile(record + ".in"), "Aeroflot\nbob7\nbob-pw\nsecond-pw\n");
    std::remove(record.c_str());
    std::remove((record + ".in").c_str());

    for (const char* url : {"http://rl/AmericanNavigator?u=2&", "http://rl/NoSuchNavigator?u=0&"}) {
        EXPECT_FALSE(follow(url)) << url;
    }
    EXPECT_TRUE(logged("Cannot run navigator (NoSuchNavigator): "));
    EXPECT_TRUE(logged("Cannot run navigator (AmericanNavigator): "));
    EXPECT_FALSE(fileExists(record));

    const std::string text = log();
    for (const char* secret : {"secret-pw", "bob-pw", "second-pw"}) {
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;
    }
}

TEST_F(PageActionsTest, NoPasswordShowsInTheRunningNavigatorsArgumentList) {
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    settle();
    const std::string record = installRecordingNavigator();
    writeFile(dir.file("hold"), "");
    EXPECT_FALSE(follow("http://rl/AeroflotNavigator?u=1&"));
    ASSERT_TRUE(waitFor([&] { return fileExists(record + ".in"); }, 30000)) << "the navigator did not start";
    std::vector<std::string> commandLines;
    ASSERT_TRUE(waitFor([&] { return !(commandLines = navigatorCommandLines()).empty(); }, 30000))
        << "no running navigator among this process's children";
    ASSERT_EQ(commandLines.size(), 1u);
    EXPECT_NE(commandLines[0].find(std::string("./Navigator\0--stdin\0", 18)), std::string::npos) << commandLines[0];
    for (const char* secret : {"bob-pw", "second-pw"}) {
        EXPECT_EQ(commandLines[0].find(secret), std::string::npos) << secret;
    }
    std::remove(dir.file("hold").c_str());
    EXPECT_TRUE(waitFor([&] { return fileExists(record) && navigatorCommandLines().empty(); }, 30000))
        << "the navigator did not end";
    EXPECT_EQ(readFile(record + ".in"), "Aeroflot\nbob7\nbob-pw\nsecond-pw\n");
}

TEST_F(PageActionsTest, OutsideAddressesOpenInTheUsersBrowserAndOwnPagesLoad) {
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    settle();
    EXPECT_TRUE(follow(fileUrl("Roamledger-Summary.html")));
    EXPECT_EQ(browserRecord().url, fileUrl("Roamledger-Summary.html"));

    EXPECT_FALSE(follow("https://www.aa.com/aadvantage"));
    EXPECT_FALSE(follow("https://www.flyertalk.example/forum/forumdisplay.php?f=445"));
    EXPECT_FALSE(follow("mailto:support@roamledger.example"));
    auto urls = opened.waitFor(3);
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string>{"https://www.aa.com/aadvantage",
                                              "https://www.flyertalk.example/forum/forumdisplay.php?f=445",
                                              "mailto:support@roamledger.example"}));
    EXPECT_TRUE(logged("Clickthrough for inner ad/news/deals: https://www.aa.com/aadvantage"));
    EXPECT_TRUE(logged("rl browser changing took "));

    // A blank page and local files elsewhere stay closed and are not opened.
    EXPECT_FALSE(follow("about:blank"));
    EXPECT_FALSE(follow("file:///etc/passwd"));
    EXPECT_FALSE(follow("http://rl/Nothing"));
    EXPECT_TRUE(logged("Not navigating externally to blank page"));
    EXPECT_TRUE(logged("Not navigating externally to file:///etc/passwd"));
    EXPECT_EQ(browserRecord().url, fileUrl("Roamledger-Summary.html"));
    EXPECT_EQ(opened.urls().size(), 3u);
}

TEST_F(PageActionsTest, PopupWindowsNeverShowAndTheirAddressGoesOutside) {
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    window->show();
    settle();
    const size_t shellsBefore = display.getShells().size();
    tk::Browser* taken = driver.openPopup(*window->getBrowser(), "https://ads.example.org/offer");
    ASSERT_NE(taken, nullptr);
    settle();
    EXPECT_EQ(opened.waitFor(1), (std::vector<std::string>{"https://ads.example.org/offer"}));
    EXPECT_TRUE(popups().empty());
    // The hidden window that took it is gone once its address is handed on.
    EXPECT_EQ(display.getShells().size(), shellsBefore);
    EXPECT_TRUE(logged("Popup changing: https://ads.example.org/offer"));
    EXPECT_TRUE(logged("Popup changed: https://ads.example.org/offer"));
}

TEST_F(PageActionsTest, TheSummaryLinkOpensTheSummaryWithTheDesktop) {
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    window->show();
    settle();
    // The results page's link opens the summary in a window of its own.
    ASSERT_NE(driver.openPopup(*window->getBrowser(), fileUrl("Roamledger-Summary.html")), nullptr);
    settle();
    EXPECT_EQ(opened.waitFor(1), (std::vector<std::string>{fileUrl("Roamledger-Summary.html")}));
    EXPECT_TRUE(popups().empty());
    EXPECT_TRUE(logged("navigateExternally: " + fileUrl("Roamledger-Summary.html")));
}

// A wrapper that records what the window asks of it.
class RecordingWrapper : public tracker::ui::IWrapper {
public:
    void cleanUp() override { calls.push_back("cleanUp"); }
    void updateContent() override { calls.push_back("updateContent"); }
    bool shouldStopHandlingNavigation(const std::string& url) override {
        return url.find("ad-160x600-") != std::string::npos;
    }
    void removeOfflineParamFromURLAndBrowseTo() override { calls.push_back("removeOfflineParam"); }
    void navigateWrapperBrowserToCancel() override { calls.push_back("toCancel"); }
    void navigateWrapperBrowserToBalances() override { calls.push_back("toBalances"); }
    int getTitleBarHeightDiff() override { return 4; }
    int getRoamledgerRelativeY() override { return 316; }
    int getRoamledgerRelativeX() override { return 15; }
    tk::Point getRoamledgerPreferredSize(tk::Shell*) override { return {700, 400}; }
    std::shared_ptr<tracker::ui::SetupDialog> createSetupDialog(tk::Shell*, BaseRLApp*) override { return nullptr; }

    std::vector<std::string> calls;
};

class AdCountingWindow : public BaseRLApp {
public:
    std::string getAdFilter() override { return "brtw/ad-"; }
};

TEST_F(PageActionsTest, BrandedEditionsAskBeforeActingOffline) {
    goOffline();
    RecordingWrapper wrapper;
    open(BaseRLApp::APP_TYPE_BRTW, std::make_unique<AdCountingWindow>(), &wrapper);
    settle();

    driver.answerButton(tk::NO);
    EXPECT_FALSE(follow("http://rl/AmericanSource?u=0&"));
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    EXPECT_EQ(driver.shownDialogs()[0].title, "Roamledger - Not Connected to Internet");
    EXPECT_EQ(driver.shownDialogs()[0].message,
              "You do not appear to be connected to the Internet.  Do you still wish to attempt to update your "
              "balance?\r\n\r\nIf so, the application will assume that you've remained connected to the Internet "
              "until you exit it.");
    EXPECT_EQ(driver.shownDialogs()[0].style, tk::ICON_QUESTION | tk::YES | tk::NO);
    EXPECT_FALSE(BaseRLApp::isCheckInProgress());
    EXPECT_TRUE(logged("User offline so not updating balances for AmericanSource"));

    driver.answerButton(tk::NO);
    EXPECT_FALSE(follow("http://rl/AmericanNavigator?u=0&"));
    ASSERT_EQ(driver.shownDialogs().size(), 2u);
    EXPECT_NE(driver.shownDialogs()[1].message.find("attempt to auto-navigate to your account?"), std::string::npos);
    EXPECT_TRUE(logged("User offline so not launching navigator for AmericanNavigator"));
    EXPECT_TRUE(wrapper.calls.empty());

    // Yes: the retrieval starts and the run counts as connected from then on.
    driver.answerButton(tk::YES);
    EXPECT_FALSE(follow("http://rl/AmericanSource?u=0&"));
    EXPECT_TRUE(BaseRLApp::isCheckInProgress());
    EXPECT_TRUE(foundation::JNIUtil::isConnectedAfterRefresh(false));
    EXPECT_EQ(wrapper.calls, (std::vector<std::string>{"toCancel", "updateContent"}));
    ASSERT_TRUE(window->getEngine()->join(rltest::scaled(10000)));
    settle();
    EXPECT_EQ(wrapper.calls.back(), "toBalances");
    EXPECT_EQ(driver.shownDialogs().size(), 3u);

    // The wrapper's own frames load untouched and count as ad views.
    const int ads = RLPreferences::getAdsLastLaunch();
    EXPECT_TRUE(follow("file:///elsewhere/brtw/ad-160x600-balances.html"));
    EXPECT_EQ(RLPreferences::getAdsLastLaunch(), ads + 1);
    EXPECT_TRUE(logged("Inlining inner JS/ad: file:///elsewhere/brtw/ad-160x600-balances.html"));
}

TEST_F(PageActionsTest, ThePortalNeverAsksAboutTheConnection) {
    goOffline();
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    settle();
    EXPECT_FALSE(follow("http://rl/AmericanSource?u=0&"));
    EXPECT_TRUE(driver.shownDialogs().empty());
    EXPECT_TRUE(BaseRLApp::isCheckInProgress());
    ASSERT_TRUE(window->getEngine()->join(rltest::scaled(10000)));
    settle();
}

}  // namespace
