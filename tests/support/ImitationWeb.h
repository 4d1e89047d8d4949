#pragma once
// Imitation web sites for tests: one HTTP and one HTTPS server on the
// loopback address, answering as scripted per host name, logging every
// request exactly as it arrived.
//
// Typical use (a GoogleTest fixture does the set-up):
//
//   class MyAdapterTest : public rltest::ImitationWebTest {};
//
//   TEST_F(MyAdapterTest, LogsIn) {
//       site("www.aa.com")
//           .on("GET", "/login", Answer::page("<form>...").setCookie("sid=42; path=/"))
//           .on("POST", "/login", Answer::redirect("/account"))
//           .on("GET", "/account", [](const Request& r) {
//               return Answer::page(r.cookie("sid") == "42" ? "Balance: 1,234" : "Sign in");
//           });
//       ... run the code under test against "https://www.aa.com/login" ...
//       auto posts = site("www.aa.com").requests("POST", "/login");
//       ASSERT_EQ(posts.size(), 1u);
//       EXPECT_EQ(posts[0].formValue("user"), "joe");
//   }
//
// How requests get here: the constructor sets RL_CONNECT_TO so that the web
// client connects every http address (ports 80 and 8080) to the HTTP server
// and every https address (ports 443 and 8443) to the HTTPS server, whatever
// the host; the address, the Host header, TLS names, cookies and absolute
// redirects keep the real host names. It sets RL_CA_FILE to the test
// authority's certificate, so the sites' certificates verify. Both
// variables are restored when the object goes. Set-up happens before the
// first request of a test; one ImitationWeb at a time per process.
//
// Routes: on(method, path, answer) where method "*" matches any method and
// path is matched against the request's path without its query, or against
// path and query when the route contains "?"; a route ending in "*" matches
// every target with that beginning. The last matching route added wins.
// An unscripted request gets 404 "No route". An unknown host gets 404 too
// and is logged like every other request.
//
// Answers: status, header fields in order (exactly as given), Set-Cookie,
// Location, body bytes; Content-Length is added unless a field of that name
// is given (then the body is sent as is and the connection closed after
// it); delays before the answer, a body sent in slow slices, a body that
// stops after n bytes and goes silent, a connection that never answers, a
// connection closed without an answer, a kept-alive connection closed when
// the client reuses it, a body repeated many times over or without end.
//
// Beside it: LogCapture.h (read what the code under test logged),
// Wait.h (waitFor, waitUntil: the one way a test waits), TempWorkDir.h (a temporary working
// folder), TestCertificates.h (the test authority behind the HTTPS site).
// Servers run one thread per connection; handlers may block, but a handler
// that never returns holds the server's shutdown.

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/Wait.h"

namespace rltest {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// One request as it arrived.
struct Request {
    bool tls = false;
    std::string method;
    std::string target;    // path and query as sent
    std::string path;      // without the query
    std::string query;     // without "?"
    std::string host;      // the Host field as sent (may carry ":port")
    std::string hostName;  // lower case, without the port
    HeaderList headers;    // in the order received, names as sent
    std::string body;
    std::string rawHead;   // request line and header block as received
    int64_t receivedAtMs = 0;  // steady clock
    int connection = 0;    // serial number of the connection it came on

    // The first field of that name (case-insensitive).
    std::optional<std::string> header(const std::string& name) const;
    std::vector<std::string> headerNames() const;
    // Cookies of the Cookie field, in order.
    HeaderList cookies() const;
    std::optional<std::string> cookie(const std::string& name) const;
    // Form fields of the body (POST) or of the query, percent-decoded.
    HeaderList form() const;
    std::optional<std::string> formValue(const std::string& name) const;
    // scheme://Host + target
    std::string url() const;
};

// One scripted answer.
struct Answer {
    int status = 200;
    std::string reason;  // from the status when empty
    HeaderList headers;
    std::string body;
    int delayMs = 0;            // before the status line
    size_t sliceBytes = 0;      // body in slices of this size ...
    int sliceDelayMs = 0;       // ... with this pause before each
    int64_t stallAfter = -1;    // send this many body bytes, then go silent
                                // (or close, with closeConnection())
    bool never = false;         // never send a byte
    bool drop = false;          // close the connection without an answer
    bool close = false;         // close the connection after the answer
    bool closeOnReuse = false;  // keep it open without a word, then close
                                // it at the next request, unanswered
    int64_t repeats = 1;        // the body is sent this many times over
                                // (negative: without end)

    static Answer page(std::string body, int status = 200);
    static Answer redirect(std::string location, int status = 302);
    static Answer neverAnswer();
    static Answer dropConnection();

    Answer& header(std::string name, std::string value);
    Answer& setCookie(std::string value) { return header("Set-Cookie", std::move(value)); }
    Answer& contentType(std::string value) { return header("Content-Type", std::move(value)); }
    Answer& delay(int ms);
    Answer& slowly(size_t bytesPerSlice, int msBetween);
    Answer& stallAfterBytes(int64_t bytes);
    Answer& closeConnection();
    // As a server whose idle limit ran out: the answer promises nothing,
    // and the next request on the connection finds it closed.
    Answer& closeWhenReused();
    // The body sent times times over, as one body (its Content-Length
    // counts them all); a negative count sends it until the client goes,
    // with no length, the connection closing after it.
    Answer& repeatBody(int64_t times);
};

using Handler = std::function<Answer(const Request&)>;

class ImitationWeb;

// The script of one host (both schemes).
class Site {
public:
    Site& on(const std::string& method, const std::string& path, Answer answer);
    Site& on(const std::string& method, const std::string& path, Handler handler);
    // Successive answers; the last one repeats.
    Site& onSequence(const std::string& method, const std::string& path, std::vector<Answer> answers);
    // HTTPS for this host presents a self-signed certificate (to be refused).
    Site& selfSignedCertificate(bool on = true);
    bool isSelfSigned() const { return m_selfSigned.load(); }

    // This host's requests in arrival order, optionally only those of one
    // method and path (without query).
    std::vector<Request> requests() const;
    std::vector<Request> requests(const std::string& method, const std::string& path) const;
    const std::string& host() const { return m_host; }

    // The answer for a request (used by the servers).
    Answer answer(const Request& request) const;

private:
    friend class ImitationWeb;
    Site(ImitationWeb& web, std::string host) : m_web(web), m_host(std::move(host)) {}

    struct Route {
        std::string method;
        std::string path;
        Handler handler;
    };

    ImitationWeb& m_web;
    std::string m_host;
    std::atomic<bool> m_selfSigned{false};
    mutable std::mutex m_lock;
    std::vector<Route> m_routes;
};

class ImitationWeb {
public:
    ImitationWeb();
    ~ImitationWeb();
    ImitationWeb(const ImitationWeb&) = delete;
    ImitationWeb& operator=(const ImitationWeb&) = delete;

    // The script of a host name (case-insensitive), made on first use.
    Site& site(const std::string& host);

    int httpPort() const;
    int httpsPort() const;
    const std::string& caFile() const;
    // Routes addresses with this explicit port to one of the servers too.
    void mapPort(int port, bool tls);

    // Every request so far, in arrival order.
    std::vector<Request> requests() const;
    void clearRequests();
    // Waits until at least count requests arrived; false on time-out.
    bool waitForRequests(size_t count, int timeoutMs) const;

    // Used by the servers.
    Answer dispatch(Request& request);
    bool isSelfSigned(const std::string& hostName) const;

private:
    class Server;
    void applyEnvironment();

    mutable std::mutex m_lock;
    mutable std::condition_variable m_arrived;
    std::map<std::string, std::unique_ptr<Site>> m_sites;
    std::vector<Request> m_requests;
    std::vector<std::pair<int, bool>> m_extraPorts;
    std::optional<std::string> m_oldConnectTo;
    std::optional<std::string> m_oldCaFile;
    std::unique_ptr<Server> m_http;
    std::unique_ptr<Server> m_https;
};

// Fixture: a fresh ImitationWeb for every test.
class ImitationWebTest : public ::testing::Test {
protected:
    Site& site(const std::string& host) { return web.site(host); }
    ImitationWeb web;
};

// Percent-decoding of form text ("+" as blank).
std::string formDecode(const std::string& text);

}  // namespace rltest
