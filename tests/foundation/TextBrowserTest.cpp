#include "foundation/TextBrowser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <regex>
#include <thread>

#include "foundation/HostTable.h"
#include "foundation/TextBrowserException.h"
#include "foundation/ThreadStop.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"

using namespace rltest;
using foundation::TextBrowser;
using foundation::TextBrowserException;

namespace {

using Clock = std::chrono::steady_clock;

int64_t msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The failure of a call that must fail with TextBrowserException.
template <typename F>
TextBrowserException failureOf(F&& call) {
    try {
        call();
    } catch (const TextBrowserException& e) {
        return e;
    }
    ADD_FAILURE() << "no TextBrowserException";
    return TextBrowserException("none");
}

// Runs a body on a thread of its own with a stop token bound, as a worker.
class StoppableRun {
public:
    template <typename F>
    explicit StoppableRun(F body) {
        m_thread = std::thread([this, body] {
            foundation::ThreadStop::Scope scope(m_token);
            try {
                body();
            } catch (const foundation::ThreadStopped&) {
                m_stopped = true;
            } catch (...) {
                m_failed = true;
            }
            m_done = true;
        });
    }
    ~StoppableRun() {
        m_token->requestStop();
        if (m_thread.joinable()) m_thread.join();
    }
    void stop() { m_token->requestStop(); }
    // Waits up to ms for the body to end.
    bool waitDone(int ms) {
        for (int i = 0; i < ms / 10 && !m_done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return m_done;
    }
    bool stopped() const { return m_stopped; }
    bool failed() const { return m_failed; }

private:
    std::shared_ptr<foundation::StopToken> m_token = std::make_shared<foundation::StopToken>();
    std::atomic<bool> m_done{false}, m_stopped{false}, m_failed{false};
    std::thread m_thread;
};

}  // namespace

class TextBrowserTest : public ImitationWebTest {
protected:
    Site& h() { return site("h.example"); }
};

TEST_F(TextBrowserTest, FirstRequestHasNoRefererNorDelayLaterOnesHaveBoth) {
    h().on("GET", "/one", Answer::page("1")).on("GET", "/two", Answer::page("2"));
    // A delay well above what a request takes on a busy machine, so that
    // its absence shows.
    TextBrowser tb(false, 1500);
    auto start = Clock::now();
    EXPECT_EQ(tb.doGet("http://h.example/one"), "1");
    EXPECT_LT(msSince(start), 1000);
    start = Clock::now();
    EXPECT_EQ(tb.doGet("http://h.example/two"), "2");
    EXPECT_GE(msSince(start), 1500);

    auto log = h().requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log[0].header("Referer"));
    EXPECT_EQ(log[1].header("Referer").value(), "http://h.example/one");
    EXPECT_EQ(log[0].headerNames(), (std::vector<std::string>{"Host", "Accept", "Accept-Language", "User-Agent"}));
    EXPECT_EQ(log[1].headerNames(),
              (std::vector<std::string>{"Host", "Accept", "Accept-Language", "User-Agent", "Referer"}));
    EXPECT_EQ(log[0].header("Accept").value(), "*/*");
    EXPECT_EQ(log[0].header("Accept-Language").value(), "en-us");
    EXPECT_EQ(log[0].header("User-Agent").value(), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)");
    EXPECT_EQ(log[0].host, "h.example");
}

TEST_F(TextBrowserTest, FirstRedirectHopHasNoDelayAndCarriesTheNewCookies) {
    h().on("GET", "/start", Answer::redirect("/next").setCookie("sid=1; path=/"))
        .on("GET", "/next", Answer::page("next"));
    TextBrowser tb(false, 1500);
    auto start = Clock::now();
    EXPECT_EQ(tb.doGet("http://h.example/start"), "next");
    EXPECT_LT(msSince(start), 1000);
    auto log = h().requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log[0].header("Cookie"));
    EXPECT_EQ(log[1].header("Cookie").value(), "sid=1");
    EXPECT_EQ(log[1].header("Referer").value(), "http://h.example/start");
    EXPECT_EQ(log[1].headerNames(),
              (std::vector<std::string>{"Host", "Cookie", "Accept", "Accept-Language", "User-Agent", "Referer"}));
}

TEST_F(TextBrowserTest, EveryHopAfterTheFirstPageWaits) {
    h().on("GET", "/page", Answer::page("p"))
        .on("GET", "/a", Answer::redirect("/b"))
        .on("GET", "/b", Answer::redirect("/c"))
        .on("GET", "/c", Answer::page("c"));
    TextBrowser tb(false, 150);
    tb.doGet("http://h.example/page");
    auto start = Clock::now();
    EXPECT_EQ(tb.doGet("http://h.example/a"), "c");
    EXPECT_GE(msSince(start), 3 * 150);
}

TEST_F(TextBrowserTest, OnlyA302IsFollowed) {
    for (int status : {301, 303, 307}) {
        h().on("GET", "/moved" + std::to_string(status), Answer::redirect("/elsewhere", status));
    }
    h().on("GET", "/moved301", Answer::page("body of 301", 301).header("Location", "/elsewhere"));
    TextBrowser tb(false, 0);
    EXPECT_EQ(tb.doGet("http://h.example/moved301"), "body of 301");
    EXPECT_EQ(tb.doGet("http://h.example/moved303"), "");
    EXPECT_EQ(tb.doGet("http://h.example/moved307"), "");
    EXPECT_TRUE(h().requests("GET", "/elsewhere").empty());
}

TEST_F(TextBrowserTest, CookiesGoToEveryHostOnceSet) {
    h().on("GET", "/set", Answer::page("x").setCookie("sid=42; path=/"));
    site("other.example").on("GET", "/", Answer::page("y"));
    TextBrowser tb(false, 0);
    tb.doGet("http://other.example/");
    tb.doGet("http://h.example/set");
    tb.doGet("https://other.example/");
    auto log = site("other.example").requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log[0].header("Cookie"));
    EXPECT_EQ(log[1].header("Cookie").value(), "sid=42");
}

TEST_F(TextBrowserTest, SetCookieFieldsAreParsedByTheirFirstEqualsAndSemicolon) {
    h().on("GET", "/set", Answer::page("x")
                              .setCookie("a=b=c; x=y")
                              .setCookie("empty=")
                              .header("set-cookie", "lower=1")
                              .setCookie("novalue")
                              .setCookie("=nameless")
                              .setCookie("sid=old")
                              .setCookie("sid=new; secure"));
    h().on("GET", "/check", Answer::page("y"));
    TextBrowser tb(false, 0);
    tb.doGet("http://h.example/set");
    const auto& jar = tb.getCookieJar();
    EXPECT_EQ(jar.getCookie("a").value(), "b=c");
    EXPECT_EQ(jar.getCookie("empty").value(), "");
    EXPECT_EQ(jar.getCookie("lower").value(), "1");
    EXPECT_EQ(jar.getCookie("sid").value(), "new");
    EXPECT_FALSE(jar.getCookie("novalue"));
    EXPECT_EQ(jar.size(), 4u);
    tb.doGet("http://h.example/check");
    EXPECT_EQ(h().requests("GET", "/check")[0].header("Cookie").value(), "a=b=c; empty=; lower=1; sid=new");
}

TEST_F(TextBrowserTest, ManualCookiesAreSentLikeSiteCookies) {
    h().on("GET", "/", Answer::page("x"));
    TextBrowser tb(false, 0);
    tb.addManualCookie(".elsewhere.example", "canUseCookies", "yes");
    tb.doGet("http://h.example/");
    EXPECT_EQ(h().requests()[0].cookie("canUseCookies").value(), "yes");
}

TEST_F(TextBrowserTest, RedirectTargets) {
    h().on("GET", "/dir/start.asp", Answer::redirect("page.asp"))
        .on("GET", "/q/start.asp", Answer::redirect("page.asp"))
        .on("GET", "/", Answer::redirect("page.asp"))
        .on("GET", "/abs", Answer::redirect("http://other.example/landing"))
        .on("GET", "/upper", Answer::redirect("HTTP://other.example/landing"))
        .on("GET", "/netpath", Answer::redirect("//other.example/landing"))
        .on("GET", "/dir/page.asp", Answer::page("dir page"))
        .on("GET", "/q/page.asp", Answer::page("q page"))
        .on("GET", "/page.asp", Answer::page("root page"));
    site("other.example").on("GET", "/landing", Answer::page("landed"));
    TextBrowser tb(false, 0);
    EXPECT_EQ(tb.doGet("http://h.example/dir/start.asp"), "dir page");
    // The query, even with slashes in it, is no part of the base.
    EXPECT_EQ(tb.doGet("http://h.example/q/start.asp?next=/x/y#frag/z"), "q page");
    EXPECT_EQ(tb.doGet("http://h.example"), "root page");
    EXPECT_EQ(tb.doGet("http://h.example?go=/a/b"), "root page");
    EXPECT_EQ(tb.doGet("http://h.example/abs"), "landed");
    EXPECT_EQ(tb.doGet("http://h.example/upper"), "landed");
    EXPECT_EQ(tb.doGet("http://h.example/netpath"), "landed");
}

TEST_F(TextBrowserTest, RootRelativeRedirectKeepsSchemeHostAndPort) {
    site("secure.example").on("GET", "/a", Answer::redirect("/top")).on("GET", "/top", Answer::page("top"));
    TextBrowser tb(false, 0);
    EXPECT_EQ(tb.doGet("https://secure.example:8443/a"), "top");
    auto log = site("secure.example").requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_TRUE(log[1].tls);
    EXPECT_EQ(log[1].target, "/top");
    EXPECT_EQ(log[1].host, "secure.example:8443");
    EXPECT_EQ(log[1].header("Referer").value(), "https://secure.example:8443/a");
}

TEST_F(TextBrowserTest, ResolveRedirectWithoutASite) {
    struct Case {
        const char* url;
        const char* location;
        const char* expected;
    } cases[] = {
        {"http://h/dir/start.asp", "page.asp", "http://h/dir/page.asp"},
        {"http://h/dir/", "page.asp", "http://h/dir/page.asp"},
        {"http://h", "page.asp", "http://h/page.asp"},
        {"http://h?x=/y/z", "page.asp", "http://h/page.asp"},
        {"http://h/a/b.asp?x=/y/z#f/g", "c.asp?k=v", "http://h/a/c.asp?k=v"},
        {"https://h:8443/a", "/top", "https://h:8443/top"},
        {"https://h/a/b", "/top", "https://h/top"},
        {"http://h/a", "https://x/y", "https://x/y"},
        {"http://h/a", "Https://x/y", "Https://x/y"},
        {"https://h/a", "//x/y", "https://x/y"},
    };
    for (const auto& c : cases) EXPECT_EQ(TextBrowser::resolveRedirect(c.url, c.location), c.expected) << c.url;
}

TEST_F(TextBrowserTest, ARedirectWithoutLocationFails) {
    Answer bare;
    bare.status = 302;
    h().on("GET", "/bare", bare);
    TextBrowser tb(false, 0);
    auto e = failureOf([&] { tb.doGet("http://h.example/bare"); });
    EXPECT_FALSE(e.isExceptionNetworkRelated());
    EXPECT_NE(std::string(e.what()).find("Location"), std::string::npos);
}

TEST_F(TextBrowserTest, RedirectChainsEndAfterTwentyHops) {
    h().on("GET", "/loop", Answer::redirect("/loop"));
    for (int i = 0; i < 20; ++i) {
        h().on("GET", "/c" + std::to_string(i), Answer::redirect("/c" + std::to_string(i + 1)));
    }
    h().on("GET", "/c20", Answer::page("end of chain"));
    TextBrowser tb(false, 0);
    EXPECT_EQ(tb.doGet("http://h.example/c0"), "end of chain");
    auto e = failureOf([&] { tb.doGet("http://h.example/loop"); });
    EXPECT_FALSE(e.isExceptionNetworkRelated());
    EXPECT_EQ(h().requests("GET", "/loop").size(), 21u);
}

TEST_F(TextBrowserTest, ByteLimits) {
    std::string big;
    for (int i = 0; i < 50000; ++i) big += static_cast<char>('a' + i % 26);
    h().on("GET", "/big", Answer::page(big))
        .on("GET", "/zero", Answer::page("").header("X-Empty", "1"))
        .on("GET", "/oddlength", Answer::page("hello world").header("Content-Length", "5x"))
        .on("GET", "/huge", Answer::page("whole body").header("Content-Length", "99999999999999999999"))
        .on("GET", "/rubbish", Answer::page("hello").header("Content-Length", "abc"));
    TextBrowser tb(false, 0);
    EXPECT_EQ(tb.doGet("http://h.example/big", 10000), big.substr(0, 10000));
    EXPECT_EQ(tb.doGet("http://h.example/big", 0), "");
    EXPECT_EQ(tb.doGet("http://h.example/big", -1), big);
    EXPECT_EQ(tb.doGet("http://h.example/big", 50000), big);
    EXPECT_EQ(tb.doGet("http://h.example/big", 60000), big);
    EXPECT_EQ(tb.doGet("http://h.example/zero"), "");
    // Lengths the client cannot read as a number count as absent; what the
    // connection delivers is the page.
    EXPECT_EQ(tb.doGet("http://h.example/oddlength"), "hello");
    EXPECT_EQ(tb.doGet("http://h.example/huge"), "whole body");
    EXPECT_EQ(tb.doGet("http://h.example/huge", 5), "whole");
    // A length the connection itself cannot frame fails the request.
    auto e = failureOf([&] { tb.doGet("http://h.example/rubbish"); });
    EXPECT_FALSE(e.isExceptionNetworkRelated());
}

TEST_F(TextBrowserTest, APageReadWithoutALimitFailsPastTheBoundAndIsNeverReturnedCut) {
    constexpr int64_t bound = TextBrowser::MAX_BODY_BYTES;
    std::string block;
    for (int i = 0; i < (64 << 10); ++i) block += static_cast<char>('a' + i % 26);
    const int64_t blocks = bound / static_cast<int64_t>(block.size());
    h().on("GET", "/long", Answer::page(block).repeatBody(4 * blocks))
        .on("GET", "/endless", Answer::page(block).repeatBody(-1))
        .on("GET", "/whole", Answer::page(block).repeatBody(blocks))
        .on("GET", "/ordinary", Answer::page(block + "end"));
    TextBrowser tb(false, 0);
    for (const char* path : {"/long", "/endless"}) {
        auto e = failureOf([&] { tb.doGet(std::string("http://h.example") + path); });
        EXPECT_EQ(std::string(e.what()).rfind("Cannot read", 0), 0u) << path << ": " << e.what();
        EXPECT_FALSE(e.isExceptionNetworkRelated());
    }
    // A limit of the caller's still cuts a page short, as a success.
    EXPECT_EQ(tb.doGet("http://h.example/endless", 10000), block.substr(0, 10000));
    EXPECT_EQ(static_cast<int64_t>(tb.doGet("http://h.example/whole").size()), bound);
    EXPECT_EQ(tb.doGet("http://h.example/ordinary"), block + "end");
}

TEST_F(TextBrowserTest, ContentLengthParsing) {
    EXPECT_EQ(TextBrowser::parseContentLength(std::string("0")), 0);
    EXPECT_EQ(TextBrowser::parseContentLength(std::string("2147483647")), 2147483647);
    EXPECT_EQ(TextBrowser::parseContentLength(std::string("+12")), 12);
    EXPECT_FALSE(TextBrowser::parseContentLength(std::string("2147483648")));
    EXPECT_FALSE(TextBrowser::parseContentLength(std::string("12x")));
    EXPECT_FALSE(TextBrowser::parseContentLength(std::string("")));
    EXPECT_FALSE(TextBrowser::parseContentLength(std::string("-")));
    EXPECT_FALSE(TextBrowser::parseContentLength(std::nullopt));
}

TEST_F(TextBrowserTest, PostSendsTheLowEightBitsOfEachCharacter) {
    h().on("POST", "/form", Answer::page("posted"));
    TextBrowser tb(false, 0);
    // U+0100 (above 255) gives 0x00, U+00E9 gives 0xE9, a stray byte stays.
    std::string body = "a=\xC4\x80&b=\xC3\xA9&c=\xE9&d=\xE2\x82\xAC";
    EXPECT_EQ(tb.doPost("http://h.example/form", body), "posted");
    auto log = h().requests();
    ASSERT_EQ(log.size(), 1u);
    std::string expected = std::string("a=") + '\0' + "&b=\xE9&c=\xE9&d=\xAC";
    EXPECT_EQ(log[0].body, expected);
    EXPECT_EQ(log[0].header("Content-Length").value(), std::to_string(expected.size()));
    EXPECT_EQ(log[0].headerNames(), (std::vector<std::string>{"Host", "Content-Type", "Content-Length", "Pragma",
                                                              "Accept", "Accept-Language", "User-Agent"}));
    EXPECT_EQ(log[0].header("Content-Type").value(), "application/x-www-form-urlencoded");
    EXPECT_EQ(log[0].header("Pragma").value(), "no-cache");
}

TEST_F(TextBrowserTest, PostRedirectIsFollowedWithGet) {
    h().on("POST", "/login", Answer::redirect("/home").setCookie("auth=yes"))
        .on("GET", "/home", Answer::page("welcome"));
    TextBrowser tb(false, 0);
    EXPECT_EQ(tb.doPost("http://h.example/login", "u=1&p=2"), "welcome");
    auto log = h().requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].method, "GET");
    EXPECT_EQ(log[1].body, "");
    EXPECT_EQ(log[1].cookie("auth").value(), "yes");
    EXPECT_EQ(log[1].header("Referer").value(), "http://h.example/login");
}

TEST_F(TextBrowserTest, BlanksAndHighCharactersInAddresses) {
    LogCapture log;
    h().on("GET", "*", Answer::page("ok"));
    TextBrowser tb(false, 0);
    tb.setSecrets({"s3cret"});
    tb.doGet("http://h.example/a b?q=x y&k=s3cret");
    tb.doGet("http://h.example/s?q=\xC3\xA9");
    auto requests = h().requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/a+b?q=x+y&k=s3cret");
    EXPECT_EQ(requests[1].target, "/s?q=\xE9");
    EXPECT_EQ(tb.getLastLocation().value(), "http://h.example/s?q=\xE9");
    EXPECT_TRUE(log.contains("Replacing spaces in URL with +: http://h.example/a b?q=x y&k=********\n"));
}

TEST_F(TextBrowserTest, RedirectTargetsAreBytesAndGoOutUnchanged) {
    // A Location is bytes of the answer, not text of ours: a UTF-8 sequence
    // in it must reach the site as those same bytes.
    h().on("GET", "*", Answer::page("landed"))
        .on("GET", "/start", Answer::redirect("/caf\xC3\xA9.asp?q=\xC3\xA9"));
    TextBrowser tb(false, 0);
    EXPECT_EQ(tb.doGet("http://h.example/start"), "landed");
    auto requests = h().requests();
    ASSERT_EQ(requests.size(), 2u);
    // The transport may percent-encode the path; the bytes must be the same.
    std::string path;
    const std::string& sent = requests[1].path;
    for (size_t i = 0; i < sent.size(); ++i) {
        if (sent[i] == '%' && i + 2 < sent.size()) {
            path += static_cast<char>(std::stoi(sent.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            path += sent[i];
        }
    }
    EXPECT_EQ(path, "/caf\xC3\xA9.asp");
    EXPECT_EQ(requests[1].target.substr(requests[1].target.find('?')), "?q=\xC3\xA9");
    EXPECT_EQ(tb.getLastLocation().value(), "http://h.example/caf\xC3\xA9.asp?q=\xC3\xA9");
}

TEST_F(TextBrowserTest, NetworkFailuresAreTellableFromSiteFaults) {
    h().on("GET", "/missing", Answer::page("gone", 404))
        .on("GET", "/broken", Answer::page("oops", 500))
        .on("GET", "/drop", Answer::dropConnection());
    site("selfsigned.example").selfSignedCertificate().on("GET", "/", Answer::page("x"));
    TextBrowser tb(false, 0);

    auto notFound = failureOf([&] { tb.doGet("http://h.example/missing"); });
    EXPECT_FALSE(notFound.isExceptionNetworkRelated());
    EXPECT_TRUE(dynamic_cast<const foundation::FileNotFoundException*>(notFound.getException()));
    auto broken = failureOf([&] { tb.doGet("http://h.example/broken"); });
    EXPECT_FALSE(broken.isExceptionNetworkRelated());
    EXPECT_NE(std::string(broken.what()).find("500"), std::string::npos);
    auto tls = failureOf([&] { tb.doGet("https://selfsigned.example/"); });
    EXPECT_FALSE(tls.isExceptionNetworkRelated());
    EXPECT_TRUE(dynamic_cast<const foundation::SSLException*>(tls.getException()));
    auto dropped = failureOf([&] { tb.doGet("http://h.example/drop"); });
    EXPECT_TRUE(dropped.isExceptionNetworkRelated());
    auto malformed = failureOf([&] { tb.doGet("notaurl"); });
    EXPECT_FALSE(malformed.isExceptionNetworkRelated());
    EXPECT_NE(std::string(malformed.what()).find(" URL: notaurl"), std::string::npos);

    ::setenv("RL_CONNECT_TO", ":80:127.0.0.1:1", 1);
    auto refused = failureOf([&] { tb.doGet("http://h.example/"); });
    EXPECT_TRUE(refused.isExceptionNetworkRelated());
    EXPECT_TRUE(dynamic_cast<const foundation::ConnectException*>(refused.getException()));

    ::unsetenv("RL_CONNECT_TO");
    auto unknown = failureOf([&] { tb.doGet("http://no-such-host.invalid/"); });
    EXPECT_TRUE(unknown.isExceptionNetworkRelated());
    ASSERT_TRUE(dynamic_cast<const foundation::UnknownHostException*>(unknown.getException()));
    EXPECT_STREQ(unknown.getException()->what(), "no-such-host.invalid");
    EXPECT_EQ(std::string(unknown.what()).rfind("UnknownHostException: no-such-host.invalid", 0), 0u);
}

TEST_F(TextBrowserTest, ExceptionWithoutCauseIsNotNetworkRelated) {
    EXPECT_FALSE(TextBrowserException("plain").isExceptionNetworkRelated());
    EXPECT_EQ(TextBrowserException("plain").getException(), nullptr);
    TextBrowserException noRoute(std::make_shared<foundation::NoRouteToHostException>("No route to host"), "x");
    EXPECT_TRUE(noRoute.isExceptionNetworkRelated());
    TextBrowserException io(std::make_shared<foundation::IOException>("io"), "x");
    EXPECT_FALSE(io.isExceptionNetworkRelated());
}

TEST_F(TextBrowserTest, LineEndRepairOnlyWhenAsked) {
    h().on("GET", "/text", Answer::page("a\nb\r\nc")).on("GET", "/lead", Answer::page("\nx\n\n"));
    TextBrowser tb(false, 0);
    EXPECT_EQ(tb.doGet("http://h.example/text"), "a\nb\r\nc");
    tb.setPossibleUnixStyle(true);
    EXPECT_EQ(tb.doGet("http://h.example/text"), "a\r\nb\r\nc");
    EXPECT_EQ(tb.doGet("http://h.example/lead"), "\nx\r\n\r\n");
}

TEST_F(TextBrowserTest, BodiesAreOneCharPerByte) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    h().on("GET", "/bytes", Answer::page(bytes).contentType("text/html; charset=utf-8"));
    TextBrowser tb(false, 0);
    EXPECT_EQ(tb.doGet("http://h.example/bytes"), bytes);
}

TEST_F(TextBrowserTest, PageDumpsNameAndCountReceivedPages) {
    TempWorkDir dir;
    h().on("GET", "/r", Answer::redirect("/p")).on("GET", "/p", Answer::page("dumped page"));
    h().on("POST", "/f", Answer::page("posted page"));
    TextBrowser tb(true, 0);
    tb.setName("AA-joe/../x y:z");
    tb.doGet("http://h.example/r");
    tb.doPost("http://h.example/f", "a=1");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    std::regex first(R"(AA-joe_\.\._x_y_z-1-\d+\.html)"), second(R"(AA-joe_\.\._x_y_z-2-\d+\.html)");
    EXPECT_TRUE(std::regex_match(names[0], first)) << names[0];
    EXPECT_TRUE(std::regex_match(names[1], second)) << names[1];
    EXPECT_EQ(readFile(dir.file(names[0])), "dumped page");
    EXPECT_EQ(readFile(dir.file(names[1])), "posted page");
}

TEST_F(TextBrowserTest, DownloadsWriteBytesAndKeepOrReplaceFiles) {
    TempWorkDir dir;
    std::string image;
    for (int i = 0; i < 10000; ++i) image += static_cast<char>(i % 256);
    h().on("GET", "/img.gif", Answer::page(image));
    TextBrowser tb(false, 1500);
    tb.addManualCookie("", "sid", "1");
    tb.doGet("http://h.example/img.gif");

    auto start = Clock::now();
    tb.doDownloadBinaryFileWithThrow("http://h.example/img.gif", dir.file("a.gif"), false);
    EXPECT_LT(msSince(start), 1000);  // no politeness delay
    EXPECT_TRUE(readFile(dir.file("a.gif")) == image);
    auto log = h().requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log[1].header("Cookie"));
    EXPECT_FALSE(log[1].header("User-Agent"));
    EXPECT_FALSE(log[1].header("Referer"));

    writeFile(dir.file("kept.gif"), "old");
    tb.doDownloadBinaryFile("http://h.example/img.gif", dir.file("kept.gif"));
    EXPECT_EQ(readFile(dir.file("kept.gif")), "old");
    EXPECT_EQ(h().requests().size(), 2u);
    tb.doDownloadBinaryFileWithThrow("http://h.example/img.gif", dir.file("kept.gif"), false);
    EXPECT_TRUE(readFile(dir.file("kept.gif")) == image);
}

TEST_F(TextBrowserTest, FailedDownloadsLeaveNoFileBehind) {
    TempWorkDir dir;
    LogCapture log;
    h().on("GET", "/missing.zip", Answer::page("no such file", 404))
        .on("GET", "/moved.zip", Answer::redirect("/elsewhere.zip"))
        .on("GET", "/cut.zip", Answer::page(std::string(5000, 'z')).stallAfterBytes(1000).closeConnection());
    TextBrowser tb(false, 0);
    writeFile(dir.file("old.zip"), "previous");
    for (const char* path : {"/missing.zip", "/moved.zip", "/cut.zip"}) {
        std::string url = std::string("http://h.example") + path;
        auto e = failureOf([&] { tb.doDownloadBinaryFileWithThrow(url, dir.file("old.zip"), false); });
        EXPECT_EQ(std::string(e.what()).rfind("Cannot download file from " + url + " to " + dir.file("old.zip") +
                                                  "\r\n\r\n",
                                              0),
                  0u)
            << e.what();
        EXPECT_EQ(readFile(dir.file("old.zip")), "previous");
        EXPECT_FALSE(fileExists(dir.file("old.zip.part")));
    }
    tb.doDownloadBinaryFile("http://h.example/missing.zip", dir.file("new.zip"), false);
    EXPECT_FALSE(fileExists(dir.file("new.zip")));
    EXPECT_TRUE(log.contains("Cannot download file from http://h.example/missing.zip to " + dir.file("new.zip")));
}

TEST_F(TextBrowserTest, ADownloadPastItsBoundFailsAndLeavesNoFile) {
    TempWorkDir dir;
    const std::string block(10000, 'd');
    h().on("GET", "/long.zip", Answer::page(block).repeatBody(20))
        .on("GET", "/endless.zip", Answer::page(block).repeatBody(-1))
        .on("GET", "/fits.zip", Answer::page(block).repeatBody(10));
    TextBrowser tb(false, 0);
    writeFile(dir.file("old.zip"), "previous");
    for (const char* path : {"/long.zip", "/endless.zip"}) {
        const std::string url = std::string("http://h.example") + path;
        auto e = failureOf([&] { tb.doDownloadBinaryFileWithThrow(url, dir.file("old.zip"), false, 100000); });
        const std::string message = e.what();
        EXPECT_EQ(message.rfind("Cannot download file from " + url + " to " + dir.file("old.zip") + "\r\n\r\n", 0), 0u)
            << message;
        EXPECT_NE(message.find("Cannot read more than 100000 bytes"), std::string::npos) << message;
        EXPECT_EQ(readFile(dir.file("old.zip")), "previous");
        EXPECT_FALSE(fileExists(dir.file("old.zip.part")));
    }
    tb.doDownloadBinaryFileWithThrow("http://h.example/fits.zip", dir.file("new.zip"), false, 100000);
    EXPECT_EQ(readFile(dir.file("new.zip")).size(), 100000u);
}

TEST_F(TextBrowserTest, AStalledTransferDoesNotRefreshTheAccessTime) {
    h().on("GET", "/stall", Answer::page(std::string(40000, 's')).stallAfterBytes(20000));
    auto tb = std::make_shared<TextBrowser>(false, 0);
    int64_t before = tb->getLastAccessTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    StoppableRun run([tb] { tb->doGet("http://h.example/stall"); });
    ASSERT_TRUE(waitFor([&] { return !h().requests().empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int64_t during = tb->getLastAccessTime();
    EXPECT_GT(during, before);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(tb->getLastAccessTime(), during);
    auto stopAt = Clock::now();
    run.stop();
    EXPECT_TRUE(run.waitDone(1000));
    EXPECT_LT(msSince(stopAt), 1000);
    EXPECT_TRUE(run.stopped());
}

TEST_F(TextBrowserTest, AStopEndsAWaitForAnAnswerAndPreventsNewRequests) {
    h().on("GET", "/hang", Answer::neverAnswer()).on("GET", "/after", Answer::page("x"));
    StoppableRun run([] {
        TextBrowser tb(false, 0);
        try {
            tb.doGet("http://h.example/hang");
        } catch (const std::exception&) {
            // A stop must not look like an ordinary failure.
        }
        tb.doGet("http://h.example/after");
    });
    ASSERT_TRUE(waitFor([&] { return !h().requests().empty(); }));
    auto stopAt = Clock::now();
    run.stop();
    EXPECT_TRUE(run.waitDone(1000));
    EXPECT_LT(msSince(stopAt), 1000);
    EXPECT_TRUE(run.stopped());
    EXPECT_TRUE(h().requests("GET", "/after").empty());
}

TEST_F(TextBrowserTest, AStopEndsThePolitenessDelay) {
    h().on("GET", "/p", Answer::page("x"));
    std::atomic<bool> first{false};
    StoppableRun run([&] {
        TextBrowser tb(false, 60000);
        tb.doGet("http://h.example/p");
        first = true;
        tb.doGet("http://h.example/p");
    });
    ASSERT_TRUE(waitFor([&] { return first.load(); }));
    run.stop();
    EXPECT_TRUE(run.waitDone(1000));
    EXPECT_TRUE(run.stopped());
    EXPECT_EQ(h().requests().size(), 1u);
}

TEST_F(TextBrowserTest, RepairedRedirectsOfTwoSites) {
    std::string mart = foundation::HostTable::host("AirMilesMart.site");
    std::string diners = foundation::HostTable::host("DinersClub.site");
    ASSERT_FALSE(mart.empty());
    ASSERT_FALSE(diners.empty());
    site(mart).on("GET", "/Top_Bar/login.asp", Answer::redirect("http://" + mart + "/broken/target.asp"))
        .on("GET", "/default.asp", Answer::page("mart home"));
    site(diners)
        .on("GET", "/osrv/login", Answer::redirect("https://" + foundation::HostTable::domain("DinersClub.site") +
                                                   "/osrv\\en/finishRegister.jsp?x=1"))
        .on("GET", "/osrv/en/finishRegister.jsp", Answer::page("finish registration"));
    TextBrowser tb(false, 0);
    EXPECT_EQ(tb.doGet("http://" + mart + "/Top_Bar/login.asp"), "mart home");
    EXPECT_EQ(tb.doGet("https://" + diners + "/osrv/login"), "finish registration");
    EXPECT_TRUE(site(mart).requests("GET", "/broken/target.asp").empty());
}
