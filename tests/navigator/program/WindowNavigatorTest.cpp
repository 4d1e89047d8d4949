// The tracker window's Navigator page action with the real program: the
// window starts the Navigator installed beside it with the account's
// credentials on its standard input, never in its argument list; Navigator
// logs into the imitation site in the visible browser; neither log lists
// the credentials.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/BrowserSession.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/Wait.h"
#include "tests/tracker/ui/WindowFixture.h"

namespace {

using rltest::Answer;

class WindowNavigator : public rltest::WindowFixture {
protected:
    void SetUp() override {
        if (!rltest::haveDisplay()) GTEST_SKIP() << "no X display: run under xvfb-run";
        WindowFixture::SetUp();
        // Installed as the program's folder holds them.
        for (const char* program : {NAVIGATOR_PATH, AUTOMATION_BROWSER_PATH}) rltest::installProgram(program, dir.path());
    }
    void TearDown() override {
        if (!rltest::haveDisplay()) return;
        EXPECT_TRUE(session.endProcesses());
        WindowFixture::TearDown();
    }

    rltest::BrowserSession session;
    rltest::ImitationWeb web;
};

TEST_F(WindowNavigator, ThePageActionLogsTheUserIn) {
    web.site("www.aa.com")
        .on("GET", "/apps/utility/logInOut/LoginMember.jhtml",
            Answer::page("<html><body><form method=post action=/login.do><input name=\"aadvantage number\">"
                         "<input type=password name=password>"
                         "<input type=submit name=\"/aa/account/authentication/LoginHandler.login\" value=Go>"
                         "</form></body></html>")
                .contentType("text/html"))
        .on("POST", "/login.do", Answer::redirect("https://www.aa.com/index.jhtml"))
        .on("GET", "/index.jhtml", Answer::page("<html><body><p>Home</p></body></html>"))
        .on("GET", "/apps/AAdvantage/ViewMyMiles.jhtml", Answer::page("<html><body><h1>Your miles</h1></body></html>"));
    prepareSettings({{"Alice", {{"American", "alice1", "Se cret&9%", "", std::string("1500")}}}});
    open(tracker::ui::BaseRLApp::APP_TYPE_FARHAVEN);
    settle();

    EXPECT_FALSE(driver.followLink(*window->getBrowser(), "http://rl/AmericanNavigator?u=0&"));
    settle();
    // The argument list of the running program, as every local user can
    // read it, while it logs in (it runs for as long as the browser takes).
    std::vector<std::string> commandLines;
    ASSERT_TRUE(rltest::waitFor([&] {
        for (pid_t pid : session.processes("Navigator")) {
            commandLines.push_back(rltest::readFile("/proc/" + std::to_string(pid) + "/cmdline"));
        }
        return !web.site("www.aa.com").requests("GET", "/apps/AAdvantage/ViewMyMiles.jhtml").empty();
    }, 90000)) << rltest::readFile(dir.file("Navigator.log"));
    ASSERT_FALSE(commandLines.empty()) << "Navigator was never seen running";
    for (const std::string& commandLine : commandLines) {
        EXPECT_EQ(commandLine.find("cret"), std::string::npos) << commandLine;
        // A child Navigator forks may already have become the browser when
        // its line is read; a line that is still Navigator's is exactly this.
        const std::string program = commandLine.substr(0, commandLine.find('\0'));
        if (program.size() >= 9 && program.compare(program.size() - 9, 9, "Navigator") == 0) {
            EXPECT_EQ(commandLine, std::string("./Navigator\0--stdin\0", 20));
        }
    }
    auto posts = web.site("www.aa.com").requests("POST", "/login.do");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].formValue("aadvantage number"), "alice1");
    EXPECT_EQ(posts[0].formValue("password"), "Se cret&9%");
    // Navigator ends; the browser stays.
    EXPECT_TRUE(rltest::waitFor([&] { return session.processes("Navigator").empty(); }, 30000));
    EXPECT_FALSE(session.processes("automation-browser").empty());

    EXPECT_TRUE(logged("Launching navigator for AmericanNavigator"));
    const std::string navigatorLog = rltest::readFile(dir.file("Navigator.log"));
    EXPECT_NE(navigatorLog.find("URL: https://www.aa.com/index.jhtml"), std::string::npos) << navigatorLog;
    for (const std::string& text : {log(), navigatorLog}) {
        EXPECT_EQ(text.find("cret"), std::string::npos) << text;
        EXPECT_EQ(text.find("alice1"), std::string::npos) << "arguments listed: " << text;
    }
}

}  // namespace
