#pragma once
// One HTTP/1.1 request and its answer over a libcurl easy handle.
//
// Use: set the method, the request header fields (sent in the order given,
// except that a Host field always comes first, right after the request line;
// nothing added but what HTTP itself needs) and an optional body; then
// getResponseCode() sends the request and waits for the answer's header;
// the header fields are read by index or by name; read() pulls the body in
// chunks. Destroying the connection (or disconnect()) abandons whatever is
// left of the body.
//
// Fixed for every connection: redirects are never followed, HTTP/1.1 only,
// no cookie engine, no content decoding, TLS peers verified against the
// system's certificate store. Two environment variables, read at every
// request, serve tests:
//   RL_CONNECT_TO  libcurl connect-to entries separated by commas, e.g.
//                  ":443:127.0.0.1:8443,:80:127.0.0.1:8080" (the address, the
//                  Host header and TLS names keep the real host)
//   RL_CA_FILE     a PEM file of extra certificate authorities trusted beside
//                  the system's
//
// An abort check, consulted before every step of the transfer (a step
// waits at most 50 ms), ends a transfer with FailureKind::Aborted within a
// fraction of a second.
//
// A connection belongs to the thread that made it. Idle connections are
// kept per thread and reused by later requests of the same thread; nothing
// else of one request reaches the next.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/net/NetError.h"

namespace net {

class HttpConnection {
public:
    explicit HttpConnection(std::string url);
    ~HttpConnection();

    // The process-wide set-up (done at the first request anyway); false when
    // it failed or the transport has no TLS.
    static bool initialize();
    // Frees the calling thread's idle connections and handles (and the TLS
    // state they hold). A thread calls it at its end, before it reports
    // that it ended; a later request of the same thread starts afresh. No
    // connection of the thread may be open.
    static void releaseThreadState();
    // How many threads hold network state now (for tests).
    static size_t threadStateCount();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    // --- before the request ---------------------------------------------
    void setMethod(const std::string& method);  // "GET" (default) or "POST"
    void addRequestHeader(const std::string& name, const std::string& value);
    void setBody(std::string bytes);            // sent as is
    void setAbortCheck(std::function<bool()> check);
    // Total time limit of the request in ms; 0 (default) for none.
    void setTimeoutMs(int64_t ms);

    // --- the answer --------------------------------------------------------
    // Sends the request when not yet sent and waits for the header of the
    // final answer. Throws NetError.
    int getResponseCode();
    // Java-style header access: index 0 is the status line (no key); the
    // fields follow from 1 in the order received. Absent past the last one.
    std::optional<std::string> getHeaderFieldKey(size_t index) const;
    std::optional<std::string> getHeaderField(size_t index) const;
    // The last field of that name (case-insensitive), absent when none.
    std::optional<std::string> getHeaderField(const std::string& name) const;
    size_t getHeaderFieldCount() const { return m_headers.size(); }
    // All fields, name and value, in the order received (field i of the
    // index access is element i - 1).
    const std::vector<std::pair<std::string, std::string>>& getHeaderFields() const { return m_headers; }
    const std::string& getStatusLine() const { return m_statusLine; }

    // Reads up to size body bytes; 0 at the end of the body. Blocks while
    // nothing has arrived. Throws NetError.
    size_t read(char* buffer, size_t size);
    // The same, appending to out: what arrives while the call waits goes
    // straight into out (no copy through the connection's buffer), so a
    // caller that collects a body asks for all it still wants at once.
    size_t read(std::string& out, size_t size);

    // Abandons the transfer; the connection is closed unless it completed.
    void disconnect();

    const std::string& getUrl() const { return m_url; }

private:
    struct Impl;
    friend struct Impl;

    void prepare();
    void headerLine(std::string_view line);
    void pump(const std::function<bool()>& done);
    // Waits until body bytes are buffered or the transfer ended; the number
    // buffered.
    size_t awaitBody();
    [[noreturn]] void fail(int curlCode);

    std::string m_url;
    std::string m_method = "GET";
    // "Name: value" lines as libcurl takes them, each ended by a NUL, in one
    // text (one allocation for all of them).
    std::string m_requestHeaderText;
    size_t m_requestHeaderCount = 0;
    std::optional<std::string> m_body;
    std::function<bool()> m_abortCheck;
    int64_t m_timeoutMs = 0;

    std::unique_ptr<Impl> m_impl;

    // answer
    std::string m_statusLine;
    int m_status = 0;
    std::vector<std::pair<std::string, std::string>> m_headers;
    bool m_headersDone = false;
};

}  // namespace net
