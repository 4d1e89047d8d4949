#include "platform/net/HttpConnection.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/net/Url.h"
#include "tests/support/ImitationWeb.h"

using namespace rltest;
using net::FailureKind;
using net::HttpConnection;
using net::NetError;

namespace {

std::string readAll(HttpConnection& c, size_t chunk = 8192) {
    std::string out;
    std::string buffer(chunk, '\0');
    while (size_t n = c.read(buffer.data(), buffer.size())) out.append(buffer.data(), n);
    return out;
}

FailureKind failureOf(HttpConnection& c) {
    try {
        c.getResponseCode();
        readAll(c);
    } catch (const NetError& e) {
        return e.kind();
    }
    ADD_FAILURE() << "no failure";
    return FailureKind::Other;
}

// A loopback port with nothing listening on it.
int closedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

}  // namespace

class HttpConnectionTest : public ImitationWebTest {};

TEST_F(HttpConnectionTest, SendsHeaderFieldsInTheOrderGivenHostFirst) {
    site("www.example.com").on("GET", "/a", Answer::page("x"));
    HttpConnection c("http://www.example.com/a?q=1");
    c.addRequestHeader("Cookie", "a=1");
    c.addRequestHeader("Accept", "*/*");
    c.addRequestHeader("User-Agent", "Agent");
    c.addRequestHeader("Host", "www.example.com");
    c.addRequestHeader("Referer", "http://elsewhere/");
    EXPECT_EQ(c.getResponseCode(), 200);
    EXPECT_EQ(readAll(c), "x");

    auto log = site("www.example.com").requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].target, "/a?q=1");
    EXPECT_EQ(log[0].rawHead.rfind("GET /a?q=1 HTTP/1.1\r\n", 0), 0u);
    EXPECT_EQ(log[0].headerNames(),
              (std::vector<std::string>{"Host", "Cookie", "Accept", "User-Agent", "Referer"}));
}

TEST_F(HttpConnectionTest, DotSegmentsOfThePathAreSentAsWritten) {
    site("www.example.com").on("POST", "/a/b/../../c/./d.jsp", Answer::page("as written"));
    HttpConnection c("https://www.example.com/a/b/../../c/./d.jsp?x=../y");
    c.setMethod("POST");
    c.setBody("k=v");
    EXPECT_EQ(c.getResponseCode(), 200);
    EXPECT_EQ(readAll(c), "as written");
    auto log = site("www.example.com").requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].target, "/a/b/../../c/./d.jsp?x=../y");
}

TEST_F(HttpConnectionTest, HeaderFieldsByIndexAndByName) {
    site("h.example").on("GET", "/", Answer::page("body", 404)
                                         .header("X-One", "1")
                                         .setCookie("a=1")
                                         .setCookie("b=2")
                                         .header("x-one", "last"));
    HttpConnection c("http://h.example/");
    EXPECT_EQ(c.getResponseCode(), 404);
    EXPECT_EQ(c.getHeaderField(size_t(0)).value(), "HTTP/1.1 404 Not Found");
    EXPECT_FALSE(c.getHeaderFieldKey(0));
    EXPECT_EQ(c.getHeaderFieldKey(1).value(), "X-One");
    EXPECT_EQ(c.getHeaderField(size_t(2)).value(), "a=1");
    EXPECT_EQ(c.getHeaderField(size_t(3)).value(), "b=2");
    // By name: the last one, any case.
    EXPECT_EQ(c.getHeaderField(std::string("X-ONE")).value(), "last");
    EXPECT_FALSE(c.getHeaderField(std::string("Missing")));
    size_t n = c.getHeaderFieldCount();
    EXPECT_TRUE(c.getHeaderFieldKey(n));
    EXPECT_FALSE(c.getHeaderFieldKey(n + 1));
    EXPECT_FALSE(c.getHeaderField(n + 1));
    EXPECT_EQ(readAll(c), "body");
}

TEST_F(HttpConnectionTest, RedirectsAreNotFollowed) {
    site("h.example").on("GET", "/old", Answer::redirect("http://h.example/new")).on("GET", "/new", Answer::page("new"));
    HttpConnection c("http://h.example/old");
    EXPECT_EQ(c.getResponseCode(), 302);
    EXPECT_EQ(c.getHeaderField(std::string("Location")).value(), "http://h.example/new");
    EXPECT_EQ(site("h.example").requests().size(), 1u);
}

TEST_F(HttpConnectionTest, NoCookiesOfItsOwnNoCompression) {
    site("h.example").on("GET", "/set", Answer::page("x").setCookie("a=1; path=/")).on("GET", "/next", Answer::page("y"));
    for (const char* path : {"/set", "/next"}) {
        HttpConnection c(std::string("http://h.example") + path);
        c.getResponseCode();
        readAll(c);
    }
    auto log = site("h.example").requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log[1].header("Cookie"));
    EXPECT_FALSE(log[1].header("Accept-Encoding"));
}

TEST_F(HttpConnectionTest, LargeBodyArrivesWholeInSmallReads) {
    std::string big;
    for (int i = 0; i < 3 * 1024 * 1024; ++i) big += static_cast<char>(i * 7 % 251);
    site("h.example").on("GET", "/big", Answer::page(big));
    HttpConnection c("http://h.example/big");
    EXPECT_EQ(c.getResponseCode(), 200);
    std::string got = readAll(c, 1000);
    EXPECT_EQ(got.size(), big.size());
    EXPECT_TRUE(got == big);
}

TEST_F(HttpConnectionTest, PostBodyBytesArriveUnchanged) {
    site("h.example").on("POST", "/form", Answer::page("ok"));
    std::string body;
    for (int i = 0; i < 256; ++i) body += static_cast<char>(i);
    body += std::string(5000, 'z');  // past the size where a client would ask to continue
    HttpConnection c("http://h.example/form");
    c.setMethod("POST");
    c.addRequestHeader("Content-Type", "application/x-www-form-urlencoded");
    c.addRequestHeader("Content-Length", std::to_string(body.size()));
    c.setBody(body);
    EXPECT_EQ(c.getResponseCode(), 200);
    readAll(c);
    auto log = site("h.example").requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].body == body);
    EXPECT_FALSE(log[0].header("Expect"));
    EXPECT_EQ(log[0].header("Content-Length").value(), std::to_string(body.size()));
}

TEST_F(HttpConnectionTest, ConnectionsOfOneThreadAreReused) {
    site("h.example").on("GET", "/", Answer::page("x"));
    for (int i = 0; i < 3; ++i) {
        HttpConnection c("http://h.example/");
        c.getResponseCode();
        readAll(c);
    }
    auto log = site("h.example").requests();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].connection, log[2].connection);
}

TEST_F(HttpConnectionTest, ServersThatCloseKeptAliveConnectionsNeverWearAThreadOut) {
    // Every reuse finds its connection closed and is silently retried on a
    // new one; such retries must not add up from one request to the next.
    site("h.example").on("*", "/", [](const Request& r) { return Answer::page(r.method + r.body).closeWhenReused(); });
    for (int i = 0; i < 50; ++i) {
        HttpConnection c("http://h.example/");
        const bool post = i % 3 == 1;
        if (post) {
            c.setMethod("POST");
            c.setBody("n=" + std::to_string(i));
        }
        ASSERT_EQ(c.getResponseCode(), 200) << "request " << i;
        EXPECT_EQ(readAll(c), post ? "POSTn=" + std::to_string(i) : "GET") << "request " << i;
    }
    EXPECT_EQ(site("h.example").requests().size(), 50u);
}

TEST_F(HttpConnectionTest, NothingOfARequestReachesTheNextOnTheThread) {
    site("h.example")
        .on("POST", "/form", Answer::page("posted"))
        .on("GET", "/hang", Answer::neverAnswer())
        .on("GET", "/old", Answer::redirect("http://h.example/new"))
        .on("GET", "/slow", Answer::page("slow").delay(1500));
    {
        HttpConnection post("http://h.example/form");
        post.setMethod("POST");
        post.addRequestHeader("X-Form", "1");
        post.setBody("a=1");
        post.setTimeoutMs(10000);
        EXPECT_EQ(post.getResponseCode(), 200);
        readAll(post);
    }
    {
        HttpConnection hang("http://h.example/hang");
        // Long enough for the connection to be made on a loaded machine: the
        // time-out then falls on the wait for the answer.
        hang.setTimeoutMs(1000);
        EXPECT_EQ(failureOf(hang), FailureKind::Timeout);
    }
    {
        HttpConnection old("http://h.example/old");
        old.addRequestHeader("X-Old", "1");
        EXPECT_EQ(old.getResponseCode(), 302);
    }
    // Longer than the time-out before, with no limit of its own.
    HttpConnection next("http://h.example/slow");
    EXPECT_EQ(next.getResponseCode(), 200);
    EXPECT_EQ(readAll(next), "slow");
    auto log = site("h.example").requests("GET", "/slow");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rawHead.rfind("GET /slow HTTP/1.1\r\n", 0), 0u);
    EXPECT_EQ(log[0].headerNames(), (std::vector<std::string>{"Host", "Accept"}));
    EXPECT_EQ(log[0].body, "");
}

TEST_F(HttpConnectionTest, HttpsVerifiesAgainstTheExtraAuthority) {
    site("secure.example").on("GET", "/", Answer::page("secret"));
    HttpConnection c("https://secure.example/");
    EXPECT_EQ(c.getResponseCode(), 200);
    EXPECT_EQ(readAll(c), "secret");
    ASSERT_EQ(site("secure.example").requests().size(), 1u);
    EXPECT_TRUE(site("secure.example").requests()[0].tls);
}

TEST_F(HttpConnectionTest, CertificateFailuresAreRefused) {
    site("selfsigned.example").selfSignedCertificate().on("GET", "/", Answer::page("x"));
    HttpConnection selfSigned("https://selfsigned.example/");
    EXPECT_EQ(failureOf(selfSigned), FailureKind::Tls);

    // Without the test authority the sites' own certificates are strangers.
    ::unsetenv("RL_CA_FILE");
    site("secure2.example").on("GET", "/", Answer::page("x"));
    HttpConnection unknownCa("https://secure2.example/");
    EXPECT_EQ(failureOf(unknownCa), FailureKind::Tls);
    EXPECT_TRUE(site("selfsigned.example").requests().empty());
}

TEST_F(HttpConnectionTest, FailuresAreSortedByKind) {
    int port = closedPort();
    ::setenv("RL_CONNECT_TO", (":80:127.0.0.1:" + std::to_string(port)).c_str(), 1);
    HttpConnection refused("http://h.example/");
    EXPECT_EQ(failureOf(refused), FailureKind::ConnectionRefused);

    ::unsetenv("RL_CONNECT_TO");
    HttpConnection unknown("http://no-such-host.invalid/");
    EXPECT_EQ(failureOf(unknown), FailureKind::UnknownHost);

    HttpConnection malformed("ftp://h.example/");
    EXPECT_EQ(failureOf(malformed), FailureKind::MalformedUrl);
}

TEST_F(HttpConnectionTest, ClosedWithoutAnswerAndCutShortBodies) {
    site("h.example")
        .on("GET", "/drop", Answer::dropConnection())
        .on("GET", "/cut", Answer::page(std::string(100, 'a')).stallAfterBytes(10).closeConnection());
    HttpConnection dropped("http://h.example/drop");
    EXPECT_EQ(failureOf(dropped), FailureKind::Socket);
    HttpConnection cut("http://h.example/cut");
    EXPECT_EQ(cut.getResponseCode(), 200);
    EXPECT_EQ(failureOf(cut), FailureKind::Truncated);
}

TEST_F(HttpConnectionTest, AbortCheckEndsAWaitPromptly) {
    site("h.example").on("GET", "/hang", Answer::neverAnswer());
    std::atomic<bool> stop{false};
    HttpConnection c("http://h.example/hang");
    c.setAbortCheck([&] { return stop.load(); });
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop = true;
    });
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(failureOf(c), FailureKind::Aborted);
    auto took = std::chrono::steady_clock::now() - begin;
    stopper.join();
    EXPECT_LT(took, std::chrono::milliseconds(800));
}

TEST_F(HttpConnectionTest, AbortCheckEndsAStalledBody) {
    site("h.example").on("GET", "/stall", Answer::page(std::string(50000, 'b')).stallAfterBytes(20000));
    std::atomic<bool> stop{false};
    HttpConnection c("http://h.example/stall");
    c.setAbortCheck([&] { return stop.load(); });
    EXPECT_EQ(c.getResponseCode(), 200);
    std::string got;
    char buffer[4096];
    while (got.size() < 20000) got.append(buffer, c.read(buffer, sizeof buffer));
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = true;
    });
    EXPECT_THROW(c.read(buffer, sizeof buffer), NetError);
    stopper.join();
}

TEST_F(HttpConnectionTest, TimeLimit) {
    site("h.example").on("GET", "/hang", Answer::neverAnswer());
    HttpConnection c("http://h.example/hang");
    c.setTimeoutMs(200);
    EXPECT_EQ(failureOf(c), FailureKind::Timeout);
}

TEST(HttpConnectionRouting, ConnectToIsReadAtEveryRequest) {
    // Two imitations one after the other in one process, on different ports.
    for (int round = 0; round < 2; ++round) {
        ImitationWeb web;
        web.site("h.example").on("GET", "/", Answer::page("round " + std::to_string(round)));
        HttpConnection c("http://h.example/");
        EXPECT_EQ(c.getResponseCode(), 200);
        EXPECT_EQ(readAll(c), "round " + std::to_string(round));
    }
}

TEST(FailureClassification, CurlResultsAndSystemErrors) {
    struct Case {
        CURLcode code;
        long err;
        bool connected;
        FailureKind kind;
    } cases[] = {
        {CURLE_COULDNT_RESOLVE_HOST, 0, false, FailureKind::UnknownHost},
        {CURLE_COULDNT_CONNECT, ECONNREFUSED, false, FailureKind::ConnectionRefused},
        {CURLE_COULDNT_CONNECT, EHOSTUNREACH, false, FailureKind::NoRouteToHost},
        {CURLE_COULDNT_CONNECT, ENETUNREACH, false, FailureKind::NoRouteToHost},
        {CURLE_COULDNT_CONNECT, ETIMEDOUT, false, FailureKind::ConnectFailed},
        {CURLE_OPERATION_TIMEDOUT, 0, false, FailureKind::ConnectFailed},
        {CURLE_OPERATION_TIMEDOUT, 0, true, FailureKind::Timeout},
        {CURLE_RECV_ERROR, ECONNRESET, true, FailureKind::Socket},
        {CURLE_GOT_NOTHING, 0, true, FailureKind::Socket},
        {CURLE_PEER_FAILED_VERIFICATION, 0, true, FailureKind::Tls},
        {CURLE_SSL_CONNECT_ERROR, 0, true, FailureKind::Tls},
        {CURLE_WEIRD_SERVER_REPLY, 0, true, FailureKind::Protocol},
        {CURLE_PARTIAL_FILE, 0, true, FailureKind::Truncated},
        {CURLE_ABORTED_BY_CALLBACK, 0, true, FailureKind::Aborted},
        {CURLE_URL_MALFORMAT, 0, false, FailureKind::MalformedUrl},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(net::classifyFailure(c.code, c.err, c.connected), c.kind)
            << curl_easy_strerror(c.code) << " errno " << c.err;
    }
}

TEST(UrlParsing, PartsAndHostHeader) {
    auto u = net::parseUrl("https://Www.Example.com:8443/dir/page.asp?a=1&b=2#frag");
    ASSERT_TRUE(u);
    EXPECT_EQ(u->scheme, "https");
    EXPECT_EQ(u->port, 8443);
    EXPECT_EQ(u->path, "/dir/page.asp");
    EXPECT_EQ(u->query, "a=1&b=2");
    EXPECT_EQ(u->fragment, "frag");
    EXPECT_EQ(u->hostHeader(), u->host + ":8443");

    auto plain = net::parseUrl("http://h.example");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->path, "/");
    EXPECT_EQ(plain->port, -1);
    EXPECT_EQ(plain->hostHeader(), "h.example");
    EXPECT_EQ(net::parseUrl("http://h.example:80/")->hostHeader(), "h.example");

    EXPECT_FALSE(net::parseUrl("ftp://h.example/"));
    EXPECT_FALSE(net::parseUrl("/relative/path"));
    EXPECT_FALSE(net::parseUrl("http://"));
}
