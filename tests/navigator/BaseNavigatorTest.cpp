// The base of the site navigators: the browser it starts, the pages it
// hands on, the finish that leaves the browser with the user, the posting
// navigation whose failure goes no further, and the page handler whose
// failure ends the navigation.

#include <gtest/gtest.h>

#include <functional>

#include "navigator/RLNavigator.h"
#include "platform/automation/Automation.h"
#include "platform/automation/headless/HeadlessBrowser.h"
#include "tests/support/LogCapture.h"

namespace {

using automation::headless::Fetch;
using automation::headless::HeadlessWeb;
using automation::headless::Record;
using automation::headless::Response;

class ScriptedNavigator : public navigator::RLNavigator {
public:
    std::function<void(ScriptedNavigator&, const std::string&)> onPage;
    std::vector<std::string> pages;

    std::string getInitialURL() override { return "http://h.com/start"; }
    void onDocumentCompleteImpl(const std::string& url) override {
        pages.push_back(url);
        if (onPage) onPage(*this, url);
    }
    using BaseNavigator::setDone;
};

class BaseNavigatorTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(automation::shutdown(5000)); }
    std::vector<std::string> settings() {
        std::vector<std::string> out;
        for (const Record& r : web.browser()->records()) {
            if (r.kind == Record::Kind::SetProperty) out.push_back(r.name + "=" + r.value);
        }
        return out;
    }
    rltest::LogCapture log;
    HeadlessWeb web{[](const Fetch& f) {
        return Response::page(f.url == "http://h.com/start" ? "<frameset><frame src=/f1><frame src=/f2></frameset>"
                                                            : "<p>" + f.method + " " + f.body + "</p>");
    }};
};

TEST_F(BaseNavigatorTest, StartsTheBrowserShownQuietAndWithoutAddressBar) {
    ScriptedNavigator nav;
    EXPECT_EQ(settings(), (std::vector<std::string>{"Visible=true", "Silent=true", "AddressBar=false"}));
    // On a browser already shown only the quiet mode changes.
    nav.notifyComplete();
    EXPECT_EQ(settings().back(), "Silent=false");
    EXPECT_EQ(settings().size(), 4u);
    nav.setBrowserVisible(false);
    nav.notifyComplete();
    std::vector<std::string> after = settings();
    EXPECT_EQ(std::vector<std::string>(after.end() - 3, after.end()),
              (std::vector<std::string>{"Visible=false", "Visible=true", "Silent=false"}));
}

TEST_F(BaseNavigatorTest, EachFrameAndThenThePageRunTheSiteLogicWithTheirAddress) {
    ScriptedNavigator nav;
    nav.onPage = [](ScriptedNavigator& n, const std::string& url) {
        if (url == "http://h.com/start") n.dispose();
    };
    nav.go();
    ASSERT_TRUE(web.waitIdle());
    EXPECT_EQ(nav.pages, (std::vector<std::string>{"http://h.com/f1", "http://h.com/f2", "http://h.com/start"}));
    EXPECT_EQ(log.count("URL: http://h.com/"), 3u);
    EXPECT_TRUE(nav.isDone());
    // Disposed: the browser is released, shown and talkative.
    EXPECT_EQ(web.browser()->sinkCount(), 0u);
    EXPECT_FALSE(web.browser()->property("Silent"));
    EXPECT_THROW(nav.navigate("http://h.com/again"), std::exception);
}

TEST_F(BaseNavigatorTest, AnEventAfterTheFinishRunsNothingAndLogsNothing) {
    ScriptedNavigator nav;
    nav.onPage = [](ScriptedNavigator& n, const std::string&) {
        n.setDone();
        n.notifyComplete();
    };
    nav.go();
    ASSERT_TRUE(web.waitIdle());
    EXPECT_EQ(nav.pages, std::vector<std::string>{"http://h.com/f1"});
    EXPECT_EQ(log.count("URL: "), 1u);
    EXPECT_EQ(web.browser()->sinkCount(), 1u);  // done, not released
}

TEST_F(BaseNavigatorTest, AFailingPageHandlerEndsTheNavigation) {
    ScriptedNavigator nav;
    nav.onPage = [](ScriptedNavigator&, const std::string&) { throw std::runtime_error("no such field"); };
    nav.go();
    ASSERT_TRUE(web.waitIdle());
    EXPECT_TRUE(nav.isDone());
    EXPECT_EQ(nav.pages.size(), 1u);
    EXPECT_EQ(log.count("Unable to finish navigation: runtime_error: no such field"), 1u) << log.text();
    EXPECT_TRUE(web.browser()->property("Silent"));  // left as it was: not disposed
}

TEST_F(BaseNavigatorTest, NavigatesWithPostDataAndSwallowsItsFailure) {
    ScriptedNavigator nav;
    nav.navigate("http://h.com/post", "a=1&b=2");
    ASSERT_TRUE(web.waitIdle());
    std::vector<Record> records = web.browser()->records();
    auto post = std::find_if(records.begin(), records.end(), [](const Record& r) { return r.kind == Record::Kind::Navigate; });
    ASSERT_NE(post, records.end());
    EXPECT_EQ(post->method, "POST");
    EXPECT_EQ(post->body, "a=1&b=2");

    nav.closeExternalBrowser();
    ASSERT_TRUE(web.waitIdle());
    EXPECT_TRUE(web.browser()->hasQuit());
    nav.closeExternalBrowser();  // a second quit fails quietly
    testing::internal::CaptureStdout();
    EXPECT_NO_THROW(nav.navigate("http://h.com/post", "a=1"));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("The browser has closed"), std::string::npos);
    EXPECT_THROW(nav.navigate("http://h.com/get"), std::exception);
}

}  // namespace
