// The headless browser: what it loads, what it logs, its history, and the
// ends of loads that no longer matter.

#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/toolkit/headless/Headless.h"
#include "tests/platform/toolkit/WidgetScripts.h"
#include "tests/support/TempWorkDir.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using rltest::widgetscripts::pumpUntil;

class HeadlessBrowser : public ::testing::Test {
protected:
    HeadlessBrowser() : display("headless"), driver(display) {
        shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
        shell->open();
        browser = tk::make<tk::Browser>(shell, tk::NONE);
        browser->setBounds(0, 0, 400, 300);
        browser->addCompletedListener([this](tk::Event&) { ++completed; });
    }
    void loadAndWait(const std::string& url) {
        int before = completed;
        ASSERT_TRUE(browser->setUrl(url));
        ASSERT_TRUE(pumpUntil(display, [&] { return completed > before; }));
    }
    const tk::headless::BrowserRecord& record() { return tk::headless::browserRecord(*browser); }

    rltest::TempWorkDir dir;
    tk::Display display;
    tk::TestDriver driver;
    std::shared_ptr<tk::Shell> shell;
    std::shared_ptr<tk::Browser> browser;
    int completed = 0;
};

TEST_F(HeadlessBrowser, LoadsLocalFilesAndKnowsTheirText) {
    rltest::writeFile(dir.file("my page.html"), "<p>balances</p>");
    loadAndWait("file://" + dir.path() + "/my%20page.html?offline");
    EXPECT_TRUE(record().found);
    EXPECT_EQ(record().text, "<p>balances</p>");
    EXPECT_EQ(browser->getUrl(), "file://" + dir.path() + "/my%20page.html?offline");

    loadAndWait("file://" + dir.path() + "/missing.html");
    EXPECT_FALSE(record().found);
    EXPECT_EQ(record().text, "");
    loadAndWait("http://www.example.com/");
    EXPECT_FALSE(record().found);  // no network here
    EXPECT_EQ(record().log.back(), "missing http://www.example.com/");
}

TEST_F(HeadlessBrowser, LogsCommandsAndAnswersWhichItKnows) {
    EXPECT_TRUE(browser->execCommand(tk::Browser::CMD_PRINT, tk::Browser::OPT_PROMPT_USER));
    EXPECT_TRUE(browser->execCommand(tk::Browser::CMD_SAVE_AS, tk::Browser::OPT_PROMPT_USER));
    EXPECT_TRUE(browser->execCommand(tk::Browser::CMD_PAGE_SETUP, tk::Browser::OPT_PROMPT_USER));
    EXPECT_TRUE(browser->execCommand(tk::Browser::CMD_PRINT_PREVIEW, tk::Browser::OPT_PROMPT_USER));
    EXPECT_FALSE(browser->execCommand(5, 0));
    EXPECT_EQ(record().log, (std::vector<std::string>{"command 6 1", "command 4 1", "command 8 1", "command 7 1",
                                                      "command 5 0"}));
}

TEST_F(HeadlessBrowser, HistoryStepsAskTheHookFirst) {
    rltest::writeFile(dir.file("a.html"), "a");
    rltest::writeFile(dir.file("b.html"), "b");
    std::string a = "file://" + dir.file("a.html");
    std::string b = "file://" + dir.file("b.html");
    loadAndWait(a);
    loadAndWait(b);
    EXPECT_TRUE(browser->isBackEnabled());
    bool refuse = true;
    std::vector<std::string> asked;
    browser->addLocationChangingListener([&](tk::Event& e) {
        asked.push_back(e.location);
        e.doit = !refuse;
    });
    EXPECT_FALSE(browser->back());
    EXPECT_EQ(asked, (std::vector<std::string>{a}));
    refuse = false;
    int before = completed;
    EXPECT_TRUE(browser->back());
    ASSERT_TRUE(pumpUntil(display, [&] { return completed > before; }));
    EXPECT_EQ(browser->getUrl(), a);
    EXPECT_EQ(record().text, "a");
    EXPECT_TRUE(browser->isForwardEnabled());
    // A new page drops the forward history.
    rltest::writeFile(dir.file("c.html"), "c");
    loadAndWait("file://" + dir.file("c.html"));
    EXPECT_FALSE(browser->isForwardEnabled());
}

TEST_F(HeadlessBrowser, RefreshRereadsWithoutAskingAndSetTextShowsMarkup) {
    rltest::writeFile(dir.file("r.html"), "old");
    loadAndWait("file://" + dir.file("r.html"));
    int asked = 0;
    browser->addLocationChangingListener([&](tk::Event&) { ++asked; });
    rltest::writeFile(dir.file("r.html"), "new");
    int before = completed;
    browser->refresh();
    ASSERT_TRUE(pumpUntil(display, [&] { return completed > before; }));
    EXPECT_EQ(record().text, "new");
    before = completed;
    browser->setText("<b>inline</b>");
    ASSERT_TRUE(pumpUntil(display, [&] { return completed > before; }));
    EXPECT_EQ(record().text, "<b>inline</b>");
    EXPECT_EQ(browser->getUrl(), "about:blank");
    EXPECT_EQ(asked, 0);
}

TEST_F(HeadlessBrowser, ANewerNavigationOrStopSupersedesAPendingLoad) {
    rltest::writeFile(dir.file("one.html"), "1");
    rltest::writeFile(dir.file("two.html"), "2");
    std::vector<std::string> changed;
    browser->addLocationChangedListener([&](tk::Event& e) { changed.push_back(e.location); });
    browser->setUrl("file://" + dir.file("one.html"));
    browser->setUrl("file://" + dir.file("two.html"));
    ASSERT_TRUE(pumpUntil(display, [&] { return completed == 1; }));
    EXPECT_EQ(changed, (std::vector<std::string>{"file://" + dir.file("two.html")}));
    browser->setUrl("file://" + dir.file("one.html"));
    browser->stop();
    // A fixed turn of the loop: the stopped load must not complete.
    pumpUntil(display, [] { return false; }, 50);
    EXPECT_EQ(completed, 1);
    EXPECT_EQ(record().text, "2");
}

TEST_F(HeadlessBrowser, DisposingTheBrowserInsideItsOwnEventIsSafe) {
    browser->addLocationChangedListener([&](tk::Event&) { browser->dispose(); });
    browser->setUrl("about:blank");
    EXPECT_TRUE(pumpUntil(display, [&] { return browser->isDisposed(); })) << "the browser was not disposed";
    EXPECT_EQ(completed, 0);  // it went before the load completed
    EXPECT_THROW(tk::headless::browserRecord(*browser), tk::ToolkitException);
    // A load still queued for a disposed browser is dropped.
    auto second = tk::make<tk::Browser>(shell, tk::NONE);
    int events = 0;
    second->addLocationChangedListener([&](tk::Event&) { ++events; });
    second->setUrl("about:blank");
    second->dispose();
    // A fixed turn of the loop: the dropped load must not arrive.
    pumpUntil(display, [] { return false; }, 50);
    EXPECT_EQ(events, 0);
}

TEST_F(HeadlessBrowser, TheSharedCookieStoreTakesWebCookiesOnTheWindowThreadOnly) {
    EXPECT_TRUE(tk::Browser::setCookie("https://www.weather.example/a?b", "zip=46236; path=/"));
    EXPECT_TRUE(tk::Browser::setCookie("HTTP://www.movies.example/", "loc=IN"));
    // Nothing to set, no web address, or a field that would smuggle another.
    EXPECT_FALSE(tk::Browser::setCookie("http://www.weather.example/", "; path=/"));
    EXPECT_FALSE(tk::Browser::setCookie("http://www.weather.example/", " =1"));
    EXPECT_FALSE(tk::Browser::setCookie("file:///tmp/x", "a=1"));
    EXPECT_FALSE(tk::Browser::setCookie("http://", "a=1"));
    EXPECT_FALSE(tk::Browser::setCookie("http://www.weather.example/", "a=1\r\nSet-Cookie: b=2"));
    bool offThread = true;
    std::thread([&] { offThread = tk::Browser::setCookie("http://www.weather.example/", "a=1"); }).join();
    EXPECT_FALSE(offThread);
    EXPECT_EQ(tk::headless::browserCookies(display),
              (std::vector<tk::headless::BrowserCookie>{{"https://www.weather.example/a?b", "zip=46236; path=/"},
                                                        {"HTTP://www.movies.example/", "loc=IN"}}));
}

TEST(HeadlessFileUrls, PathOfFileUrl) {
    struct Case {
        const char* url;
        const char* path;
    };
    for (const Case& c : {Case{"file:///tmp/a.html", "/tmp/a.html"}, Case{"FILE:///tmp/a%20b.html", "/tmp/a b.html"},
                          Case{"file://localhost/x/y.html", "/x/y.html"}, Case{"file:///c/d.html?u=0#top", "/c/d.html"},
                          Case{"file:/e/f.html", "/e/f.html"}, Case{"file://otherhost/g.html", ""},
                          Case{"http://rl/x", ""}, Case{"about:blank", ""}, Case{"file:///100%.html", "/100%.html"}}) {
        EXPECT_EQ(tk::headless::pathOfFileUrl(c.url), c.path) << c.url;
    }
}

}  // namespace
