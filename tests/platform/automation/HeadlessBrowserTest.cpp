// The in-memory browser as a program drives it: created by its ProgID,
// pages with frames completing inner frames first, a newer navigation
// replacing an older one, events stopping when a sink is disconnected,
// and the quit event.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/automation/Automation.h"
#include "platform/automation/AutomationException.h"
#include "platform/automation/DispatchEvents.h"
#include "platform/automation/headless/HeadlessBrowser.h"

namespace {

using automation::DispatchPtr;
using automation::Variant;
using automation::headless::Fetch;
using automation::headless::HeadlessWeb;
using automation::headless::Record;
using automation::headless::Response;

const char* const PROG_ID = "InternetExplorer.Application.1";

class Sink : public automation::EventSink {
public:
    void invoke(const std::string& event, std::vector<Variant>& args) override {
        std::lock_guard<std::mutex> guard(lock);
        events.push_back(event + (args.size() > 1 ? " " + args[1].toString() : "") +
                         (args.size() > 0 && args[0].isObject() ? " (page)" : ""));
        if (onEvent) onEvent(event, args);
    }
    std::vector<std::string> taken() {
        std::lock_guard<std::mutex> guard(lock);
        return events;
    }
    std::mutex lock;
    std::vector<std::string> events;
    std::function<void(const std::string&, std::vector<Variant>&)> onEvent;
};

// Holds the answer for "first" back until the test let it go, so that a
// navigation can be overtaken before it loads whatever the machine's pace.
std::atomic<bool> g_firstMayLoad{true};

Response site(const Fetch& f) {
    if (f.url == "http://h.com/first") {
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!g_firstMayLoad.load() && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    if (f.url == "http://h.com/frames.html") {
        return Response::page("<frameset><frame name=left src=left.html><frame src=\"javascript:false;\"></frameset>");
    }
    if (f.url == "http://h.com/left.html") return Response::page("<body><iframe src=/inner.html></iframe></body>");
    if (f.url == "http://h.com/old") return Response::redirect("/new");
    return Response::page("<body><p>" + f.method + " " + f.url + " " + f.body + "</p>"
                          "<input name=q><input name=dup><input name=dup></body>");
}

class HeadlessBrowserTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(automation::shutdown(5000)); }
    HeadlessWeb web{site};
};

TEST_F(HeadlessBrowserTest, FramesCompleteInnerFirstAndThenThePage) {
    DispatchPtr ie = automation::createObject(PROG_ID);
    auto sink = std::make_shared<Sink>();
    automation::DispatchEvents events(ie, sink, PROG_ID);
    ie->call("Navigate", {Variant("http://h.com/frames.html")});
    ASSERT_TRUE(web.waitIdle());
    EXPECT_EQ(sink->taken(), (std::vector<std::string>{"DocumentComplete http://h.com/inner.html",
                                                       "DocumentComplete http://h.com/left.html",
                                                       "DocumentComplete javascript:false;",
                                                       "DocumentComplete http://h.com/frames.html (page)"}));
    DispatchPtr frames = ie->get("Document").toDispatch()->get("Frames").toDispatch();
    EXPECT_EQ(frames->get("Length").toInt(), 2);
    DispatchPtr left = frames->call("Item", {Variant("left")}).toDispatch();
    ASSERT_TRUE(left);
    EXPECT_EQ(left->get("Length").toInt(), 1);
    EXPECT_TRUE(frames->call("Item", {Variant(5)}).isNull());
}

TEST_F(HeadlessBrowserTest, ANewerNavigationReplacesOneNotYetLoaded) {
    DispatchPtr ie = automation::createObject(PROG_ID);
    auto sink = std::make_shared<Sink>();
    automation::DispatchEvents events(ie, sink, PROG_ID);
    g_firstMayLoad.store(false);
    ie->call("Navigate", {Variant("http://h.com/first")});
    ie->call("Navigate", {Variant("http://h.com/old"), Variant(""), Variant(""), Variant("a=1&b=2"), Variant("")});
    g_firstMayLoad.store(true);
    ASSERT_TRUE(web.waitIdle());
    EXPECT_EQ(sink->taken(), std::vector<std::string>{"DocumentComplete http://h.com/new (page)"});
    EXPECT_EQ(ie->get("LocationURL").toString(), "http://h.com/new");
    DispatchPtr body = ie->get("Document").toDispatch()->get("Body").toDispatch();
    // The post was answered by a redirect, which the browser follows with GET.
    EXPECT_NE(body->get("innerHTML").toString().find("GET http://h.com/new"), std::string::npos);
}

TEST_F(HeadlessBrowserTest, ANameSharedByTwoElementsGivesACollection) {
    DispatchPtr ie = automation::createObject(PROG_ID);
    ie->call("Navigate", {Variant("http://h.com/p")});
    ASSERT_TRUE(web.waitIdle());
    DispatchPtr all = ie->get("Document").toDispatch()->get("All").toDispatch();
    DispatchPtr q = all->call("Item", {Variant("q")}).toDispatch();
    EXPECT_EQ(q->get("tagName").toString(), "INPUT");
    q->put("Value", Variant("typed"));
    EXPECT_EQ(q->get("value").toString(), "typed");
    DispatchPtr dup = all->call("Item", {Variant("dup")}).toDispatch();
    EXPECT_EQ(dup->get("Length").toInt(), 2);
    EXPECT_THROW(dup->put("Value", Variant("x")), automation::AutomationException);
    EXPECT_TRUE(all->call("Item", {Variant("none")}).isNull());
    EXPECT_THROW(all->get("Nonsense"), automation::AutomationException);
}

TEST_F(HeadlessBrowserTest, ADisconnectedSinkHearsNothingMore) {
    DispatchPtr ie = automation::createObject(PROG_ID);
    auto sink = std::make_shared<Sink>();
    auto events = std::make_unique<automation::DispatchEvents>(ie, sink, PROG_ID);
    // The sink lets go of its own connection while it handles an event.
    sink->onEvent = [&](const std::string&, std::vector<Variant>&) { events->safeRelease(); };
    ie->call("Navigate", {Variant("http://h.com/1")});
    ASSERT_TRUE(web.waitIdle());
    ie->call("Navigate", {Variant("http://h.com/2")});
    ASSERT_TRUE(web.waitIdle());
    EXPECT_EQ(sink->taken(), std::vector<std::string>{"DocumentComplete http://h.com/1 (page)"});
    EXPECT_EQ(web.browser()->sinkCount(), 0u);
}

TEST_F(HeadlessBrowserTest, QuitRaisesOnQuitAndTheBrowserIsGone) {
    DispatchPtr ie = automation::createObject(PROG_ID);
    auto sink = std::make_shared<Sink>();
    automation::DispatchEvents events(ie, sink, PROG_ID);
    ie->call("Quit");
    ASSERT_TRUE(web.waitIdle());
    EXPECT_EQ(sink->taken(), std::vector<std::string>{"OnQuit"});
    EXPECT_THROW(ie->call("Quit"), automation::AutomationException);
    EXPECT_THROW(ie->get("Visible"), automation::AutomationException);
}

TEST_F(HeadlessBrowserTest, CreationAndConnectionRefuseWhatIsNotThere) {
    EXPECT_THROW(automation::createObject("Nobody.Home.1"), automation::AutomationException);
    web.failNextCreation("no window system");
    try {
        automation::createObject(PROG_ID);
        FAIL() << "created";
    } catch (const automation::AutomationException& e) {
        EXPECT_STREQ(e.what(), "no window system");
    }
    DispatchPtr ie = automation::createObject(PROG_ID);
    EXPECT_THROW(automation::DispatchEvents(ie, std::make_shared<Sink>(), "Other.Application.1"),
                 automation::AutomationException);
    DispatchPtr doc = ie->get("Document").toDispatch();
    EXPECT_THROW(doc->advise(std::make_shared<Sink>()), automation::AutomationException);
}

}  // namespace
