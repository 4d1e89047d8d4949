#include "tests/support/ImitationWeb.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <set>
#include <stdexcept>
#include <thread>

#include "tests/support/TestCertificates.h"

namespace rltest {

namespace {

int64_t steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trim(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r')) --e;
    return text.substr(b, e - b);
}

HeaderList splitPairs(const std::string& text, char separator, bool decode) {
    HeaderList out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        std::string item = separator == ';' ? trim(text.substr(start, end - start)) : text.substr(start, end - start);
        if (!item.empty()) {
            size_t eq = item.find('=');
            std::string name = eq == std::string::npos ? item : item.substr(0, eq);
            std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
            if (decode) {
                name = formDecode(name);
                value = formDecode(value);
            }
            out.emplace_back(name, value);
        }
        start = end + 1;
    }
    return out;
}

const char* reasonFor(int status) {
    switch (status) {
        case 200: return "OK";
        case 204: return "No Content";
        case 301: return "Moved Permanently";
        case 302: return "Found";
        case 303: return "See Other";
        case 304: return "Not Modified";
        case 307: return "Temporary Redirect";
        case 400: return "Bad Request";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        case 503: return "Service Unavailable";
        default: return "Status";
    }
}

bool routeMatches(const std::string& pattern, const Request& request) {
    if (!pattern.empty() && pattern.back() == '*') {
        return request.target.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    }
    if (pattern.find('?') != std::string::npos) return pattern == request.target;
    return pattern == request.path;
}

}  // namespace

// ---------------------------------------------------------------- Request

std::optional<std::string> Request::header(const std::string& name) const {
    std::string want = lower(name);
    for (const auto& [n, v] : headers) {
        if (lower(n) == want) return v;
    }
    return std::nullopt;
}

std::vector<std::string> Request::headerNames() const {
    std::vector<std::string> names;
    for (const auto& field : headers) names.push_back(field.first);
    return names;
}

HeaderList Request::cookies() const {
    auto field = header("Cookie");
    return field ? splitPairs(*field, ';', false) : HeaderList{};
}

std::optional<std::string> Request::cookie(const std::string& name) const {
    for (const auto& [n, v] : cookies()) {
        if (n == name) return v;
    }
    return std::nullopt;
}

HeaderList Request::form() const { return splitPairs(method == "POST" ? body : query, '&', true); }

std::optional<std::string> Request::formValue(const std::string& name) const {
    for (const auto& [n, v] : form()) {
        if (n == name) return v;
    }
    return std::nullopt;
}

std::string Request::url() const { return std::string(tls ? "https://" : "http://") + host + target; }

std::string formDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                   std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

// ---------------------------------------------------------------- Answer

Answer Answer::page(std::string body, int status) {
    Answer a;
    a.status = status;
    a.body = std::move(body);
    return a;
}

Answer Answer::redirect(std::string location, int status) {
    Answer a;
    a.status = status;
    a.headers.emplace_back("Location", std::move(location));
    return a;
}

Answer Answer::neverAnswer() {
    Answer a;
    a.never = true;
    return a;
}

Answer Answer::dropConnection() {
    Answer a;
    a.drop = true;
    return a;
}

Answer& Answer::header(std::string name, std::string value) {
    headers.emplace_back(std::move(name), std::move(value));
    return *this;
}

Answer& Answer::delay(int ms) {
    delayMs = ms;
    return *this;
}

Answer& Answer::slowly(size_t bytesPerSlice, int msBetween) {
    sliceBytes = bytesPerSlice;
    sliceDelayMs = msBetween;
    return *this;
}

Answer& Answer::stallAfterBytes(int64_t bytes) {
    stallAfter = bytes;
    return *this;
}

Answer& Answer::closeConnection() {
    close = true;
    return *this;
}

Answer& Answer::closeWhenReused() {
    closeOnReuse = true;
    return *this;
}

Answer& Answer::repeatBody(int64_t times) {
    repeats = times;
    return *this;
}

// ---------------------------------------------------------------- Site

Site& Site::on(const std::string& method, const std::string& path, Answer answer) {
    return on(method, path, Handler([answer](const Request&) { return answer; }));
}

Site& Site::on(const std::string& method, const std::string& path, Handler handler) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_routes.push_back(Route{method, path, std::move(handler)});
    return *this;
}

Site& Site::onSequence(const std::string& method, const std::string& path, std::vector<Answer> answers) {
    struct State {
        std::mutex lock;
        std::vector<Answer> answers;
        size_t next = 0;
    };
    auto state = std::make_shared<State>();
    state->answers = std::move(answers);
    return on(method, path, Handler([state](const Request&) {
                  std::lock_guard<std::mutex> guard(state->lock);
                  if (state->answers.empty()) return Answer::page("No answers", 404);
                  size_t i = std::min(state->next, state->answers.size() - 1);
                  ++state->next;
                  return state->answers[i];
              }));
}

Site& Site::selfSignedCertificate(bool on) {
    m_selfSigned.store(on);
    return *this;
}

std::vector<Request> Site::requests() const {
    std::vector<Request> mine;
    for (auto& r : m_web.requests()) {
        if (r.hostName == m_host) mine.push_back(r);
    }
    return mine;
}

std::vector<Request> Site::requests(const std::string& method, const std::string& path) const {
    std::vector<Request> mine;
    for (auto& r : requests()) {
        if (r.method == method && r.path == path) mine.push_back(r);
    }
    return mine;
}

Answer Site::answer(const Request& request) const {
    Handler handler;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (auto it = m_routes.rbegin(); it != m_routes.rend(); ++it) {
            if ((it->method == "*" || it->method == request.method) && routeMatches(it->path, request)) {
                handler = it->handler;
                break;
            }
        }
    }
    if (!handler) return Answer::page("No route for " + request.method + " " + request.target, 404);
    return handler(request);
}

// ---------------------------------------------------------------- Server

class ImitationWeb::Server {
public:
    Server(ImitationWeb& web, bool tls) : m_web(web), m_tls(tls) {
        if (::pipe2(m_wake, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        if (tls) setUpTls();
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_listen, 128) != 0) {
            throw std::runtime_error("cannot listen on the loopback address");
        }
        socklen_t len = sizeof addr;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_acceptor = std::thread([this] { acceptLoop(); });
    }

    ~Server() { stop(); }

    int port() const { return m_port; }

    void stop() {
        if (m_stopping.exchange(true)) return;
        char byte = 1;
        (void)!::write(m_wake[1], &byte, 1);
        ::shutdown(m_listen, SHUT_RDWR);
        if (m_acceptor.joinable()) m_acceptor.join();
        std::vector<std::thread> threads;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            for (int fd : m_open) ::shutdown(fd, SHUT_RDWR);
            threads.swap(m_threads);
        }
        for (auto& t : threads) t.join();
        ::close(m_listen);
        ::close(m_wake[0]);
        ::close(m_wake[1]);
        if (m_ctx) SSL_CTX_free(m_ctx);
        m_ctx = nullptr;
    }

private:
    struct Conn {
        int fd = -1;
        SSL* ssl = nullptr;
        long read(char* buffer, size_t size) {
            if (ssl) return SSL_read(ssl, buffer, static_cast<int>(size));
            return ::recv(fd, buffer, size, 0);
        }
        bool writeAll(const char* data, size_t size) {
            while (size > 0) {
                long n = ssl ? SSL_write(ssl, data, static_cast<int>(size)) : ::send(fd, data, size, MSG_NOSIGNAL);
                if (n <= 0) return false;
                data += n;
                size -= static_cast<size_t>(n);
            }
            return true;
        }
    };

    void setUpTls() {
        m_ctx = SSL_CTX_new(TLS_server_method());
        auto fallback = TestCertificates::shared().leafFor("localhost");
        SSL_CTX_use_certificate(m_ctx, fallback.cert);
        SSL_CTX_use_PrivateKey(m_ctx, fallback.key);
        SSL_CTX_set_tlsext_servername_callback(m_ctx, &Server::onServerName);
        SSL_CTX_set_tlsext_servername_arg(m_ctx, this);
    }

    static int onServerName(SSL* ssl, int*, void* arg) {
        auto* self = static_cast<Server*>(arg);
        const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
        if (!name) return SSL_TLSEXT_ERR_OK;
        std::string host = lower(name);
        auto leaf = TestCertificates::shared().leafFor(host, self->m_web.isSelfSigned(host));
        SSL_use_certificate(ssl, leaf.cert);
        SSL_use_PrivateKey(ssl, leaf.key);
        return SSL_TLSEXT_ERR_OK;
    }

    // Waits up to ms (forever when negative); false when the server stops or
    // the client did something (closed, sent more) while we held back.
    bool pause(int ms, int fd) {
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {fd, POLLIN, 0}};
        int64_t until = steadyMs() + ms;
        while (true) {
            int wait = ms < 0 ? -1 : static_cast<int>(std::max<int64_t>(0, until - steadyMs()));
            int n = ::poll(fds, 2, wait);
            if (n < 0 && errno == EINTR) continue;
            if (n == 0) return true;
            return false;
        }
    }

    void acceptLoop() {
        while (!m_stopping) {
            pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {m_listen, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
            if (m_stopping) return;
            if (!(fds[1].revents & POLLIN)) continue;
            int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_stopping) {
                ::close(fd);
                return;
            }
            m_open.insert(fd);
            int serial = ++m_connections;
            m_threads.emplace_back([this, fd, serial] { serve(fd, serial); });
        }
    }

    void serve(int fd, int serial) {
        Conn conn;
        conn.fd = fd;
        if (m_tls) {
            conn.ssl = SSL_new(m_ctx);
            SSL_set_fd(conn.ssl, fd);
            if (SSL_accept(conn.ssl) != 1) {
                finish(conn);
                return;
            }
        }
        std::string pending;
        char buffer[16384];
        bool closeAtNext = false;
        while (!m_stopping) {
            size_t end;
            while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
                long n = conn.read(buffer, sizeof buffer);
                if (n <= 0 || pending.size() > (1u << 20)) {
                    finish(conn);
                    return;
                }
                pending.append(buffer, static_cast<size_t>(n));
            }
            Request request;
            request.tls = m_tls;
            request.connection = serial;
            request.rawHead = pending.substr(0, end + 4);
            pending.erase(0, end + 4);
            if (!parseHead(request)) {
                finish(conn);
                return;
            }
            size_t length = 0;
            if (auto cl = request.header("Content-Length")) length = std::strtoul(cl->c_str(), nullptr, 10);
            while (pending.size() < length) {
                long n = conn.read(buffer, sizeof buffer);
                if (n <= 0) {
                    finish(conn);
                    return;
                }
                pending.append(buffer, static_cast<size_t>(n));
            }
            request.body = pending.substr(0, length);
            pending.erase(0, length);
            // Read whole, so that the close is an orderly one.
            if (closeAtNext) break;
            request.receivedAtMs = steadyMs();

            Answer answer = m_web.dispatch(request);
            if (answer.drop) break;
            if (answer.never) {
                pause(-1, fd);
                break;
            }
            if (answer.delayMs > 0 && !pause(answer.delayMs, fd)) break;
            if (!send(conn, answer)) break;
            closeAtNext = answer.closeOnReuse;
            auto connection = request.header("Connection");
            if (answer.close || (connection && lower(*connection) == "close")) break;
        }
        finish(conn);
    }

    bool parseHead(Request& request) {
        const std::string& head = request.rawHead;
        size_t lineEnd = head.find("\r\n");
        std::string line = head.substr(0, lineEnd);
        size_t sp1 = line.find(' ');
        size_t sp2 = line.find(' ', sp1 + 1);
        if (sp1 == std::string::npos || sp2 == std::string::npos) return false;
        request.method = line.substr(0, sp1);
        request.target = line.substr(sp1 + 1, sp2 - sp1 - 1);
        size_t q = request.target.find('?');
        request.path = request.target.substr(0, q);
        request.query = q == std::string::npos ? "" : request.target.substr(q + 1);
        size_t pos = lineEnd + 2;
        while (pos < head.size()) {
            size_t next = head.find("\r\n", pos);
            if (next == std::string::npos || next == pos) break;
            std::string field = head.substr(pos, next - pos);
            size_t colon = field.find(':');
            if (colon != std::string::npos) {
                request.headers.emplace_back(field.substr(0, colon), trim(field.substr(colon + 1)));
            }
            pos = next + 2;
        }
        request.host = request.header("Host").value_or("");
        std::string name = request.host;
        if (!name.empty() && name[0] == '[') {
            name = name.substr(0, name.find(']') + 1);
        } else {
            name = name.substr(0, name.find(':'));
        }
        request.hostName = lower(name);
        return true;
    }

    bool send(Conn& conn, const Answer& answer) {
        bool hasLength = false;
        std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " " +
                           (answer.reason.empty() ? reasonFor(answer.status) : answer.reason) + "\r\n";
        for (const auto& [name, value] : answer.headers) {
            if (lower(name) == "content-length" || lower(name) == "transfer-encoding") hasLength = true;
            head += name + ": " + value + "\r\n";
        }
        bool noBody = answer.status == 204 || answer.status == 304 || (answer.status >= 100 && answer.status < 200);
        const bool endless = answer.repeats < 0;
        if (!hasLength && !noBody && !endless) {
            head += "Content-Length: " + std::to_string(answer.body.size() * static_cast<uint64_t>(answer.repeats)) +
                    "\r\n";
        }
        // A body framed by a field given by the test ends with the connection.
        bool closeAfter = answer.close || hasLength || endless;
        if (closeAfter) head += "Connection: close\r\n";
        head += "\r\n";
        if (answer.repeats != 1 && !answer.body.empty()) {
            if (!conn.writeAll(head.data(), head.size())) return false;
            for (int64_t i = 0; (endless || i < answer.repeats) && !m_stopping; ++i) {
                if (!conn.writeAll(answer.body.data(), answer.body.size())) return false;
            }
            return !closeAfter;
        }

        std::string body = answer.body;
        bool stall = answer.stallAfter >= 0 && static_cast<size_t>(answer.stallAfter) < body.size();
        if (stall) body.resize(static_cast<size_t>(answer.stallAfter));
        if (answer.sliceBytes == 0) {
            std::string all = head + body;
            if (!conn.writeAll(all.data(), all.size())) return false;
        } else {
            if (!conn.writeAll(head.data(), head.size())) return false;
            for (size_t at = 0; at < body.size(); at += answer.sliceBytes) {
                if (answer.sliceDelayMs > 0 && !pause(answer.sliceDelayMs, conn.fd)) return false;
                size_t n = std::min(answer.sliceBytes, body.size() - at);
                if (!conn.writeAll(body.data() + at, n)) return false;
            }
        }
        if (stall) {
            // Cut short: silence, or a close when the answer asks for one.
            if (!answer.close) pause(-1, conn.fd);
            return false;
        }
        return !closeAfter;
    }

    void finish(Conn& conn) {
        if (conn.ssl) {
            SSL_shutdown(conn.ssl);
            SSL_free(conn.ssl);
            conn.ssl = nullptr;
        }
        ERR_clear_error();
        std::lock_guard<std::mutex> guard(m_lock);
        m_open.erase(conn.fd);
        ::close(conn.fd);
    }

    ImitationWeb& m_web;
    bool m_tls;
    SSL_CTX* m_ctx = nullptr;
    int m_listen = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptor;
    std::mutex m_lock;
    std::set<int> m_open;
    std::vector<std::thread> m_threads;
    int m_connections = 0;
};

// ---------------------------------------------------------------- ImitationWeb

namespace {

std::optional<std::string> envValue(const char* name) {
    const char* v = std::getenv(name);
    if (!v) return std::nullopt;
    return std::string(v);
}

void restoreEnv(const char* name, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

}  // namespace

ImitationWeb::ImitationWeb() {
    std::signal(SIGPIPE, SIG_IGN);
    m_oldConnectTo = envValue("RL_CONNECT_TO");
    m_oldCaFile = envValue("RL_CA_FILE");
    TestCertificates::shared();
    m_http = std::make_unique<Server>(*this, false);
    m_https = std::make_unique<Server>(*this, true);
    applyEnvironment();
}

ImitationWeb::~ImitationWeb() {
    m_http->stop();
    m_https->stop();
    restoreEnv("RL_CONNECT_TO", m_oldConnectTo);
    restoreEnv("RL_CA_FILE", m_oldCaFile);
}

void ImitationWeb::applyEnvironment() {
    std::string http = "127.0.0.1:" + std::to_string(m_http->port());
    std::string https = "127.0.0.1:" + std::to_string(m_https->port());
    std::string list = ":80:" + http + ",:8080:" + http + ",:443:" + https + ",:8443:" + https;
    for (const auto& [port, tls] : m_extraPorts) list += ",:" + std::to_string(port) + ":" + (tls ? https : http);
    ::setenv("RL_CONNECT_TO", list.c_str(), 1);
    ::setenv("RL_CA_FILE", caFile().c_str(), 1);
}

Site& ImitationWeb::site(const std::string& host) {
    std::lock_guard<std::mutex> guard(m_lock);
    std::string key = lower(host);
    auto& slot = m_sites[key];
    if (!slot) slot.reset(new Site(*this, key));
    return *slot;
}

int ImitationWeb::httpPort() const { return m_http->port(); }
int ImitationWeb::httpsPort() const { return m_https->port(); }
const std::string& ImitationWeb::caFile() const { return TestCertificates::shared().caFile(); }

void ImitationWeb::mapPort(int port, bool tls) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_extraPorts.emplace_back(port, tls);
    }
    applyEnvironment();
}

std::vector<Request> ImitationWeb::requests() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests;
}

void ImitationWeb::clearRequests() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_requests.clear();
}

bool ImitationWeb::waitForRequests(size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> guard(m_lock);
    return m_arrived.wait_for(guard, std::chrono::milliseconds(scaled(timeoutMs)),
                              [&] { return m_requests.size() >= count; });
}

bool ImitationWeb::isSelfSigned(const std::string& hostName) const {
    std::lock_guard<std::mutex> guard(m_lock);
    auto found = m_sites.find(lower(hostName));
    return found != m_sites.end() && found->second->isSelfSigned();
}

Answer ImitationWeb::dispatch(Request& request) {
    Site* site = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_requests.push_back(request);
        auto found = m_sites.find(request.hostName);
        if (found != m_sites.end()) site = found->second.get();
    }
    m_arrived.notify_all();
    if (!site) return Answer::page("No imitation of " + request.hostName, 404);
    try {
        return site->answer(request);
    } catch (const std::exception& failure) {
        return Answer::page(std::string("Handler failed: ") + failure.what(), 500);
    }
}

}  // namespace rltest
