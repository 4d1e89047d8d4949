// The host's web requests through the control: a GET that waits, a POST
// that is started and left, failures returned to the host, and request
// threads that end when the control ends.

#include <chrono>

#include "foundation/AsynchURL.h"
#include "platform/toolkit/headless/Headless.h"
#include "tests/control/ControlFixture.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Wait.h"

namespace {

using rltest::Answer;

class WebRequests : public rltest::ControlFixture {
protected:
    rltest::ImitationWeb web;
};

TEST_F(WebRequests, DownloadUrlWaitsForTheAnswerAndReturnsNothing) {
    web.site("www.weather.example")
        .on("GET", "/Pages/esi/LocationSelector.html",
            Answer::page("<html>location set</html>").setCookie("zip=46236; path=/"));
    EXPECT_EQ(control->DownloadURL(
                  "http://www.weather.example/Pages/esi/LocationSelector.html?referrer_id=1&loc_change=46236"),
              "");
    auto requests = web.site("www.weather.example").requests("GET", "/Pages/esi/LocationSelector.html");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].query, "referrer_id=1&loc_change=46236");
}

TEST_F(WebRequests, CookiesOfEveryAnswerGoToTheBrowsersStoreWithTheirAddress) {
    rltest::LogCapture log;
    web.site("www.weather.example")
        .on("GET", "/Pages/esi/LocationSelector.html",
            Answer::redirect("http://www.movies.example/set?x=1").setCookie("zip=46236; path=/"));
    web.site("www.movies.example")
        .on("GET", "/set",
            Answer::page("ok")
                .setCookie("loc=IN; domain=movies.example")
                .setCookie("; path=/")
                .setCookie("sid=to\x01ken; path=/"));
    EXPECT_EQ(control->DownloadURL("http://www.weather.example/Pages/esi/LocationSelector.html?loc_change=46236"), "");
    // The cookies also went along inside the request, as a browser's would.
    auto set = web.site("www.movies.example").requests("GET", "/set");
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(set[0].cookie("zip"), "46236");
    // A field that sets nothing is not handed on.
    using Cookie = tk::headless::BrowserCookie;
    EXPECT_EQ(tk::headless::browserCookies(display),
              (std::vector<Cookie>{
                  {"http://www.weather.example/Pages/esi/LocationSelector.html?loc_change=46236", "zip=46236; path=/"},
                  {"http://www.movies.example/set?x=1", "loc=IN; domain=movies.example"}}));
    // A refused cookie is named, its value never shown.
    EXPECT_TRUE(log.contains("The browsers did not take the cookie sid from http://www.movies.example/set?x=1"));
    EXPECT_FALSE(log.contains("to\x01ken"));
}

TEST_F(WebRequests, AFailedDownloadIsTheMethodsFailure) {
    web.site("www.weather.example").on("GET", "/gone", Answer::page("no", 404));
    EXPECT_ANY_THROW(control->DownloadURL("http://www.weather.example/gone"));
    EXPECT_ANY_THROW(control->DownloadURL("http://nowhere.invalid/"));
    // Only web addresses are fetched.
    EXPECT_ANY_THROW(control->DownloadURL("file:///etc/passwd"));
}

TEST_F(WebRequests, DownloadWithPostSendsTheDataUnchangedAfterBody) {
    web.site("www.roamledger.example").on("POST", "/lanternbay/echo.php", Answer::page("ok"));
    EXPECT_EQ(control->DownloadURLWithPost("http://www.roamledger.example/lanternbay/echo.php", "a=1&b=x y"), "");
    ASSERT_TRUE(web.waitForRequests(1, 10000));
    auto posts = web.site("www.roamledger.example").requests("POST", "/lanternbay/echo.php");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].body, "body=a=1&b=x y");
    EXPECT_EQ(posts[0].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_THROW(control->DownloadURLWithPost("file:///etc/passwd", "a=1"), std::invalid_argument);
}

TEST_F(WebRequests, RequestsStillRunningEndWithTheControl) {
    web.site("www.roamledger.example").on("POST", "/slow", Answer::neverAnswer());
    control->DownloadURLWithPost("http://www.roamledger.example/slow", "a=1");
    control->DownloadURLWithPost("http://www.roamledger.example/slow", "a=2");
    ASSERT_TRUE(web.waitForRequests(2, 10000));
    auto started = std::chrono::steady_clock::now();
    control->close();
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    // Stopped, not waited out: the request's own limit is 90 seconds.
    EXPECT_LT(took.count(), static_cast<long>(foundation::AsynchURL::TIME_LIMIT_MS) / 10);
}

}  // namespace
