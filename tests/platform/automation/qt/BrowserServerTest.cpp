// The visible browser as a program drives it: the server program started
// by its ProgID, pages of imitation sites (https with the test authority)
// read, filled and submitted through their objects, frame completions
// reported before the page's, the window's properties, and the quit event
// when the browser quits, is closed or goes away.

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/automation/Automation.h"
#include "platform/automation/AutomationException.h"
#include "platform/automation/DispatchEvents.h"
#include "platform/automation/RemoteServer.h"
#include "platform/automation/headless/HeadlessDom.h"
#include "tests/support/BrowserSession.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/Wait.h"

namespace {

using automation::DispatchPtr;
using automation::Variant;
using rltest::Answer;

const char* const PROG_ID = "InternetExplorer.Application.1";

// The web engine of a sanitizer build on a busy machine takes minutes to
// start, not seconds.
const int START_MS = rltest::scaled(90000);

// The server program; a ThreadSanitizer build of the test drives the
// ordinary build's server (the engine does not run instrumented).
std::string serverPath() {
    const char* other = std::getenv("RL_TEST_AUTOMATION_BROWSER");
    return other && *other ? other : AUTOMATION_BROWSER_PATH;
}

class Sink : public automation::EventSink {
public:
    void invoke(const std::string& event, std::vector<Variant>& args) override {
        std::lock_guard<std::mutex> guard(m_lock);
        std::string text = event;
        if (args.size() > 1) text += " " + args[1].toString();
        if (!args.empty() && args[0].isObject()) text += " (page)";
        m_events.push_back(text);
        m_changed.notify_all();
    }
    // The n-th event (from 0), waiting for it up to a minute (scaled).
    std::string event(size_t n) {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait_for(lock, std::chrono::milliseconds(rltest::scaled(60000)), [&] { return m_events.size() > n; });
        return m_events.size() > n ? m_events[n] : "(none)";
    }
    size_t count() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_events.size();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::string> m_events;
};

const char* const LOGIN_PAGE =
    "<html><head><title>Member login</title></head><body><div id=app class=\"two words\">"
    "<iframe src=\"/banner.html\"></iframe>"
    "<form name=login method=post action=\"/signin\"><input name=user value=\"say &quot;hi&quot;\">"
    "<input type=password name=pin><INPUT TYPE=SUBMIT VALUE=\"Sign in\" name=go></form>"
    "<img src=\"/IMG/GO.GIF\"><p>1 &lt; 2 &amp; 3</p></div></body></html>";

class BrowserServer : public rltest::ImitationWebTest {
protected:
    void SetUp() override {
        if (!rltest::haveDisplay()) GTEST_SKIP() << "no X display: run under xvfb-run";
        automation::registerServer(PROG_ID, automation::remoteServer(PROG_ID, serverPath(), START_MS));
        site("www.member-site.com")
            .on("GET", "/login.html", Answer::page(LOGIN_PAGE).contentType("text/html; charset=utf-8"))
            .on("GET", "/banner.html", Answer::page("<html><body>banner</body></html>"))
            .on("POST", "/signin", Answer::redirect("/welcome.html"))
            .on("*", "/welcome.html", Answer::page("<html><body><h1>Welcome</h1></body></html>"));
    }
    void TearDown() override {
        automation::unregisterServer(PROG_ID);
        EXPECT_TRUE(automation::shutdown(rltest::scaled(10000)));
        EXPECT_TRUE(session.endProcesses());
    }

    rltest::BrowserSession session;
};

TEST_F(BrowserServer, ReadsFillsAndSubmitsAPageThroughItsObjects) {
    DispatchPtr ie = automation::createObject(PROG_ID);
    auto sink = std::make_shared<Sink>();
    automation::DispatchEvents events(ie, sink, PROG_ID);
    ie->put("Visible", Variant(true));
    ie->call("Navigate", {Variant("https://www.member-site.com/login.html")});
    // The frame completes first, with its own address; then the page.
    EXPECT_EQ(sink->event(0), "DocumentComplete https://www.member-site.com/banner.html");
    EXPECT_EQ(sink->event(1), "DocumentComplete https://www.member-site.com/login.html (page)");

    DispatchPtr doc = ie->get("Document").toDispatch();
    ASSERT_TRUE(doc);
    DispatchPtr all = doc->get("All").toDispatch();
    EXPECT_GT(all->get("Length").toInt(), 8);
    DispatchPtr user = all->call("Item", {Variant("user")}).toDispatch();
    ASSERT_TRUE(user);
    EXPECT_EQ(user->get("tagName").toString(), "INPUT");
    EXPECT_EQ(user->get("VALUE").toString(), "say \"hi\"");
    user->put("Value", Variant("Kb7 20&1"));
    all->call("Item", {Variant("pin")}).toDispatch()->put("Value", Variant("Se cret&9%"));
    DispatchPtr go = all->call("Item", {Variant("go")}).toDispatch();
    EXPECT_EQ(go->get("TYPE").toString(), "submit");  // the page reports it in lower case
    EXPECT_TRUE(all->call("Item", {Variant("nothing")}).isNull());
    DispatchPtr form = doc->get("Forms").toDispatch()->call("Item", {Variant("login")}).toDispatch();
    EXPECT_EQ(form->get("Length").toInt(), 3);
    EXPECT_EQ(form->call("Item", {Variant(1)}).toDispatch()->get("name").toString(), "pin");
    DispatchPtr image = doc->get("Images").toDispatch()->call("Item", {Variant(0)}).toDispatch();
    EXPECT_EQ(image->get("SRC").toString(), "https://www.member-site.com/IMG/GO.GIF");
    EXPECT_EQ(doc->get("Frames").toDispatch()->get("Length").toInt(), 1);

    // The markup reads as the in-memory browser writes it.
    auto local = automation::headless::parseDocument(LOGIN_PAGE, "https://www.member-site.com/login.html");
    EXPECT_EQ(doc->get("Body").toDispatch()->get("innerHTML").toString(),
              automation::headless::innerMarkup(*local->body()));

    go->call("Click");
    EXPECT_EQ(sink->event(2), "DocumentComplete https://www.member-site.com/welcome.html (page)");
    auto posts = site("www.member-site.com").requests("POST", "/signin");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_TRUE(posts[0].tls);
    EXPECT_EQ(posts[0].formValue("user"), "Kb7 20&1");
    EXPECT_EQ(posts[0].formValue("pin"), "Se cret&9%");
    EXPECT_EQ(posts[0].formValue("go"), "Sign in");

    // Objects of a page that is gone say so.
    try {
        user->get("Value");
        FAIL() << "an old page's object answered";
    } catch (const automation::AutomationException& e) {
        EXPECT_NE(std::string(e.what()).find("no longer shown"), std::string::npos) << e.what();
    }
    EXPECT_THROW(ie->get("Document").toDispatch()->get("Nonsense"), automation::AutomationException);
}

TEST_F(BrowserServer, NavigatesWithPostDataAndHeaders) {
    DispatchPtr ie = automation::createObject(PROG_ID);
    auto sink = std::make_shared<Sink>();
    automation::DispatchEvents events(ie, sink, PROG_ID);
    ie->call("Navigate", {Variant("https://www.member-site.com/welcome.html"), Variant(""), Variant(""),
                          Variant("a=1&b=x+y"), Variant("X-Test: yes\r\n")});
    EXPECT_EQ(sink->event(0), "DocumentComplete https://www.member-site.com/welcome.html (page)");
    auto posts = site("www.member-site.com").requests("POST", "/welcome.html");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].body, "a=1&b=x+y");
    EXPECT_EQ(posts[0].header("Content-Type").value_or(""), "application/x-www-form-urlencoded");
    EXPECT_EQ(posts[0].header("X-Test").value_or(""), "yes");
}

TEST_F(BrowserServer, KeepsItsWindowPropertiesAndRefusesUnknownOnes) {
    DispatchPtr ie = automation::createObject(PROG_ID);
    EXPECT_FALSE(ie->get("Visible").toBool());
    EXPECT_FALSE(ie->get("Silent").toBool());
    EXPECT_TRUE(ie->get("MenuBar").toBool());
    EXPECT_TRUE(ie->get("AddressBar").toBool());
    for (const char* name : {"Visible", "Silent", "MenuBar", "AddressBar"}) {
        const bool before = ie->get(name).toBool();
        ie->put(name, Variant(!before));
        EXPECT_EQ(ie->get(name).toBool(), !before) << name;
    }
    EXPECT_THROW(ie->get("Toolbar"), automation::AutomationException);
    EXPECT_THROW(ie->put("Toolbar", Variant(true)), automation::AutomationException);
    EXPECT_THROW(ie->call("GoHome"), automation::AutomationException);
}

TEST_F(BrowserServer, QuitRaisesOnQuitAndEndsTheServer) {
    DispatchPtr ie = automation::createObject(PROG_ID);
    auto sink = std::make_shared<Sink>();
    automation::DispatchEvents events(ie, sink, PROG_ID);
    ASSERT_EQ(session.processes().size() > 0, true);
    ie->call("Quit");
    EXPECT_EQ(sink->event(0), "OnQuit");
    // The server ends with its window.
    EXPECT_TRUE(rltest::waitFor([&] { return session.processes().empty(); }, 30000));
    EXPECT_THROW(ie->get("Visible"), automation::AutomationException);
    EXPECT_EQ(sink->count(), 1u) << "one quit event only";
}

TEST_F(BrowserServer, AServerThatGoesAwayIsAQuitToo) {
    DispatchPtr ie = automation::createObject(PROG_ID);
    auto sink = std::make_shared<Sink>();
    automation::DispatchEvents events(ie, sink, PROG_ID);
    for (pid_t pid : session.processes()) ::kill(pid, SIGKILL);
    EXPECT_EQ(sink->event(0), "OnQuit");
    EXPECT_THROW(ie->call("Navigate", {Variant("https://www.member-site.com/login.html")}),
                 automation::AutomationException);
}

TEST_F(BrowserServer, ARefusedCertificateLoadsNothingFromTheSite) {
    site("www.self-signed.com").selfSignedCertificate().on("GET", "/", Answer::page("secret page"));
    DispatchPtr ie = automation::createObject(PROG_ID);
    auto sink = std::make_shared<Sink>();
    automation::DispatchEvents events(ie, sink, PROG_ID);
    ie->call("Navigate", {Variant("https://www.self-signed.com/")});
    EXPECT_EQ(sink->event(0), "DocumentComplete https://www.self-signed.com/ (page)");
    EXPECT_TRUE(site("www.self-signed.com").requests().empty());
    std::string body = ie->get("Document").toDispatch()->get("Body").toDispatch()->get("innerHTML").toString();
    EXPECT_EQ(body.find("secret page"), std::string::npos);
}

TEST(BrowserServerWithoutDisplay, FailsToStartWithItsReason) {
    rltest::BrowserSession session;
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    automation::registerServer(PROG_ID, automation::remoteServer(PROG_ID, serverPath(), START_MS));
    try {
        automation::createObject(PROG_ID);
        ADD_FAILURE() << "started without a display";
    } catch (const automation::AutomationException& e) {
        EXPECT_EQ(std::string(e.what()), "The browser did not start: no window system: DISPLAY is not set");
    }
    automation::registerServer(PROG_ID, automation::remoteServer(PROG_ID, "/nonexistent/automation-browser"));
    EXPECT_THROW(automation::createObject(PROG_ID), automation::AutomationException);
    automation::unregisterServer(PROG_ID);
    if (!saved.empty()) ::setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
