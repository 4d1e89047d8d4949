// The imitation-site kit itself: routing, scripted answers and the request
// log, seen through the connection layer.

#include "tests/support/ImitationWeb.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/net/HttpConnection.h"

using namespace rltest;
using net::HttpConnection;

namespace {

struct Reply {
    int status = 0;
    std::string body;
};

Reply fetch(const std::string& url, const std::string& method = "GET", const std::string& body = "") {
    HttpConnection c(url);
    c.setMethod(method);
    if (method == "POST") c.setBody(body);
    Reply r;
    r.status = c.getResponseCode();
    char buffer[4096];
    while (size_t n = c.read(buffer, sizeof buffer)) r.body.append(buffer, n);
    return r;
}

}  // namespace

class ImitationWebKitTest : public ImitationWebTest {};

TEST_F(ImitationWebKitTest, RoutesByHostMethodPathAndQuery) {
    site("a.example").on("GET", "/x", Answer::page("a-x")).on("POST", "/x", Answer::page("a-post"));
    site("B.Example").on("GET", "/x", Answer::page("b-x"));
    site("a.example").on("GET", "/q?id=1", Answer::page("query one")).on("GET", "/files/*", Answer::page("prefix"));
    site("a.example").on("*", "/any", Answer::page("any method"));
    EXPECT_EQ(fetch("http://a.example/x").body, "a-x");
    EXPECT_EQ(fetch("https://b.example/x").body, "b-x");
    EXPECT_EQ(fetch("http://a.example/x", "POST", "k=v").body, "a-post");
    EXPECT_EQ(fetch("http://a.example/q?id=1").body, "query one");
    EXPECT_EQ(fetch("http://a.example/q?id=2").status, 404);
    EXPECT_EQ(fetch("http://a.example/files/deep/name.gif").body, "prefix");
    EXPECT_EQ(fetch("http://a.example/any", "POST", "").body, "any method");
    EXPECT_EQ(fetch("http://nobody.example/x").status, 404);
    // The later route wins.
    site("a.example").on("GET", "/x", Answer::page("replaced"));
    EXPECT_EQ(fetch("http://a.example/x").body, "replaced");
    EXPECT_EQ(site("nobody.example").requests().size(), 1u);
}

TEST_F(ImitationWebKitTest, SequencesHandlersAndTheRequestLog) {
    site("a.example").onSequence("GET", "/s", {Answer::page("first"), Answer::page("second")});
    site("a.example").on("POST", "/echo", [](const Request& r) {
        return Answer::page(r.formValue("name").value_or("?") + "|" + r.formValue("text").value_or("?"));
    });
    EXPECT_EQ(fetch("http://a.example/s").body, "first");
    EXPECT_EQ(fetch("http://a.example/s").body, "second");
    EXPECT_EQ(fetch("http://a.example/s").body, "second");
    EXPECT_EQ(fetch("https://a.example/echo", "POST", "name=J%C3%B6+D&text=a%2Bb%3Dc").body, "J\xC3\xB6 D|a+b=c");

    auto log = web.requests();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[3].method, "POST");
    EXPECT_TRUE(log[3].tls);
    EXPECT_EQ(log[3].url(), "https://a.example/echo");
    EXPECT_EQ(log[3].body, "name=J%C3%B6+D&text=a%2Bb%3Dc");
    EXPECT_NE(log[3].rawHead.find("POST /echo HTTP/1.1\r\n"), std::string::npos);
    EXPECT_EQ(site("a.example").requests("GET", "/s").size(), 3u);
    web.clearRequests();
    EXPECT_TRUE(web.requests().empty());
}

TEST_F(ImitationWebKitTest, AnswersCarryFieldsInOrderAndCookiesParse) {
    site("a.example").on("GET", "/", Answer::page("x").setCookie("a=1").header("X-Mid", "m").setCookie("b=2"));
    HttpConnection c("http://a.example/");
    c.addRequestHeader("Cookie", "sid=42; lang=en");
    ASSERT_EQ(c.getResponseCode(), 200);
    EXPECT_EQ(c.getHeaderFieldKey(1).value(), "Set-Cookie");
    EXPECT_EQ(c.getHeaderFieldKey(2).value(), "X-Mid");
    EXPECT_EQ(c.getHeaderField(size_t(3)).value(), "b=2");
    auto r = site("a.example").requests()[0];
    EXPECT_EQ(r.cookie("sid").value(), "42");
    EXPECT_EQ(r.cookie("lang").value(), "en");
    EXPECT_FALSE(r.cookie("none"));
    EXPECT_EQ(r.cookies().size(), 2u);
}

TEST_F(ImitationWebKitTest, DelaysAndSlowBodies) {
    site("a.example")
        .on("GET", "/late", Answer::page("late").delay(300))
        .on("GET", "/slow", Answer::page(std::string(1000, 's')).slowly(250, 100));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(fetch("http://a.example/late").body, "late");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(fetch("http://a.example/slow").body.size(), 1000u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
}

TEST_F(ImitationWebKitTest, ExtraPortsAndWaiting) {
    web.mapPort(9443, true);
    site("a.example").on("GET", "/", Answer::page("on 9443"));
    EXPECT_EQ(fetch("https://a.example:9443/").body, "on 9443");
    EXPECT_EQ(site("a.example").requests()[0].host, "a.example:9443");
    EXPECT_TRUE(web.waitForRequests(1, 100));
    EXPECT_FALSE(web.waitForRequests(2, 100));
}
