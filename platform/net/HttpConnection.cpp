#include "platform/net/HttpConnection.h"

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/system/Ascii.h"
#include "platform/system/NumberText.h"
#include "platform/system/ThreadResources.h"

namespace net {

namespace {

// Bytes held for the reader before the transfer is paused.
constexpr size_t kMaxBuffered = 1 << 20;
// Room of a body buffer that a thread keeps for its next request.
constexpr size_t kKeptBufferRoom = 256 << 10;
// Longest wait between two looks at the abort check.
constexpr int kPollMs = 50;
// Room of libcurl's receive buffer for plain http: a page of up to this
// size that is already there is taken with one read instead of one per
// 16 KiB.
constexpr long kReceiveBuffer = 64 << 10;

// Appends text without its line breaks, so that no field can end early.
void appendSanitized(std::string& out, const std::string& text) {
    if (!std::memchr(text.data(), '\r', text.size()) && !std::memchr(text.data(), '\n', text.size())) {
        out += text;
        return;
    }
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out.append(text, start, i - start);
            start = i + 1;
        }
    }
    out.append(text, start, std::string::npos);
}

std::string_view trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r' || text[e - 1] == '\n')) --e;
    return text.substr(b, e - b);
}


// Process-wide: libcurl's global state and a share object for the DNS and
// TLS session caches. Connections themselves are not shared across threads
// (libcurl does not support that); each thread keeps its own in its multi
// handle. Never freed, and libcurl's global clean-up is never called: the
// program joins its threads before the exit handlers run, and the system
// takes the rest.
struct Global {
    CURLSH* share = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
    bool ok = false;

    Global() {
        ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
        ok = ok && info && (info->features & CURL_VERSION_SSL);
        share = curl_share_init();
        curl_share_setopt(share, CURLSHOPT_USERDATA, this);
        curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &Global::lock);
        curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Global::unlock);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }

    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        static_cast<Global*>(user)->locks[static_cast<size_t>(data)].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* user) {
        static_cast<Global*>(user)->locks[static_cast<size_t>(data)].unlock();
    }
};

Global& global() {
    static Global* g = new Global();
    return *g;
}

// Per thread: the multi handle that drives this thread's transfers and keeps
// its idle connections, a few idle easy handles for reuse and a body buffer
// that keeps its room from one request to the next.
std::atomic<size_t> g_threadStates{0};

struct ThreadMulti {
    static constexpr size_t kIdleHandles = 4;
    CURLM* multi = curl_multi_init();
    // The sockets libcurl waits on and for what (CURL_POLL_IN, _OUT, _INOUT):
    // the transfers are driven by socket events, so libcurl need not look
    // at a socket's readiness itself before each read.
    std::vector<std::pair<curl_socket_t, int>> sockets;
    std::vector<pollfd> pollfds;
    std::vector<CURL*> idle;
    std::string spareBuffer;
    // The connect-to list of the last RL_CONNECT_TO text seen.
    std::string connectToText;
    curl_slist* connectTo = nullptr;
    // Lists of earlier texts stay alive: a transfer may still hold one.
    std::vector<curl_slist*> retired;

    ThreadMulti() {
        g_threadStates.fetch_add(1);
        curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &ThreadMulti::onSocket);
        curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
    }

    static int onSocket(CURL*, curl_socket_t socket, int what, void* user, void*) {
        auto& list = static_cast<ThreadMulti*>(user)->sockets;
        auto it = std::find_if(list.begin(), list.end(), [socket](const auto& entry) { return entry.first == socket; });
        if (what == CURL_POLL_REMOVE) {
            if (it != list.end()) list.erase(it);
        } else if (it != list.end()) {
            it->second = what;
        } else {
            list.emplace_back(socket, what);
        }
        return 0;
    }

    ~ThreadMulti() {
        g_threadStates.fetch_sub(1);
        for (CURL* e : idle) curl_easy_cleanup(e);
        curl_multi_cleanup(multi);
        if (connectTo) curl_slist_free_all(connectTo);
        for (curl_slist* list : retired) curl_slist_free_all(list);
    }

    curl_slist* connectToFor(const std::string& text) {
        if (text != connectToText || !connectTo) {
            if (connectTo) retired.push_back(connectTo);
            connectTo = nullptr;
            connectToText = text;
            size_t start = 0;
            while (start <= text.size()) {
                size_t comma = text.find(',', start);
                if (comma == std::string::npos) comma = text.size();
                std::string entry(trim(std::string_view(text).substr(start, comma - start)));
                if (!entry.empty()) connectTo = curl_slist_append(connectTo, entry.c_str());
                start = comma + 1;
            }
        }
        return connectTo;
    }

    // An easy handle for a request; fresh is set for one that has not
    // served a request before.
    CURL* take(bool& fresh) {
        fresh = idle.empty();
        if (fresh) return curl_easy_init();
        CURL* e = idle.back();
        idle.pop_back();
        return e;
    }

    void give(CURL* e) {
        if (idle.size() < kIdleHandles) {
            // Nothing of the finished request stays in or reachable from
            // the handle: its options, and libcurl's own state of it, such
            // as its count of retries on connections found closed, which
            // would otherwise add up over requests until one fails.
            curl_easy_reset(e);
            idle.push_back(e);
        } else {
            curl_easy_cleanup(e);
        }
    }

    void takeBuffer(std::string& buffer) { buffer.swap(spareBuffer); }

    void keepBuffer(std::string& buffer) {
        buffer.clear();
        if (buffer.capacity() <= kKeptBufferRoom && buffer.capacity() > spareBuffer.capacity()) {
            buffer.swap(spareBuffer);
        }
    }
};

thread_local std::unique_ptr<ThreadMulti> t_multi;

ThreadMulti& threadMulti() {
    global();
    if (!t_multi) t_multi = std::make_unique<ThreadMulti>();
    return *t_multi;
}

// Extra certificate authorities, parsed once per file version.
struct ExtraCas {
    std::mutex lock;
    std::string path;
    time_t mtime = 0;
    off_t size = -1;
    std::vector<X509*> certs;

    void addTo(const std::string& file, X509_STORE* store) {
        std::lock_guard<std::mutex> guard(lock);
        struct stat st {};
        if (::stat(file.c_str(), &st) != 0) return;
        if (file != path || st.st_mtime != mtime || st.st_size != size) {
            for (X509* c : certs) X509_free(c);
            certs.clear();
            path = file;
            mtime = st.st_mtime;
            size = st.st_size;
            if (BIO* bio = BIO_new_file(file.c_str(), "r")) {
                while (X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr)) certs.push_back(cert);
                BIO_free(bio);
            }
            ERR_clear_error();
        }
        // A certificate already in the store is no failure.
        for (X509* cert : certs) X509_STORE_add_cert(store, cert);
        ERR_clear_error();
    }
};

ExtraCas& extraCas() {
    static ExtraCas* cas = new ExtraCas();
    return *cas;
}

}  // namespace

struct HttpConnection::Impl {
    HttpConnection* owner = nullptr;
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    // The request's field list: its own nodes over the connection's field
    // texts, which stay unchanged while the transfer runs.
    std::vector<curl_slist> headers;
    bool added = false;
    bool finished = false;
    CURLcode result = CURLE_OK;
    bool paused = false;
    std::string buffer;
    size_t bufferPos = 0;
    // While a read(std::string&) waits: where arriving bytes go first, and
    // how many it still takes; the rest of a piece goes to buffer.
    std::string* sink = nullptr;
    size_t sinkRoom = 0;
    std::string caFile;
    char errbuf[CURL_ERROR_SIZE] = {0};

    size_t available() const { return buffer.size() - bufferPos; }

    void release() {
        if (easy) {
            if (added) curl_multi_remove_handle(multi, easy);
            ThreadMulti& thread = threadMulti();
            thread.give(easy);
            easy = nullptr;
            // A drained buffer keeps its room for the thread's next request.
            if (available() == 0) {
                bufferPos = 0;
                thread.keepBuffer(buffer);
            }
        }
        added = false;
    }

    ~Impl() { release(); }

    static size_t onHeader(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<Impl*>(user);
        size_t total = size * count;
        self->owner->headerLine(std::string_view(data, total));
        return total;
    }

    static size_t onWrite(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<Impl*>(user);
        const size_t total = size * count;
        if (self->sink) {
            const size_t n = std::min(total, self->sinkRoom);
            self->sink->append(data, n);
            self->sinkRoom -= n;
            if (self->sinkRoom == 0) self->sink = nullptr;
            if (n == total) return total;
            // A piece taken in part cannot be paused: its rest is kept
            // whatever the buffer holds.
            self->buffer.append(data + n, total - n);
            return total;
        }
        if (self->available() >= kMaxBuffered) {
            self->paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        if (self->bufferPos == self->buffer.size()) {
            self->buffer.clear();
            self->bufferPos = 0;
        } else if (self->bufferPos > 0 && self->bufferPos >= self->buffer.size() / 2) {
            self->buffer.erase(0, self->bufferPos);
            self->bufferPos = 0;
        }
        self->buffer.append(data, total);
        return total;
    }

    static CURLcode onSslContext(CURL*, void* sslctx, void* user) {
        auto* self = static_cast<Impl*>(user);
        X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslctx));
        if (store) extraCas().addTo(self->caFile, store);
        return CURLE_OK;
    }
};

HttpConnection::HttpConnection(std::string url) : m_url(std::move(url)) {}

bool HttpConnection::initialize() { return global().ok; }

void HttpConnection::releaseThreadState() { t_multi.reset(); }

namespace {
// Threads set the transport up before their registry arms its exit-time
// safety net, and give their connections back as they end.
[[maybe_unused]] const bool g_threadResource = sys::registerThreadResource(
    {[] { HttpConnection::initialize(); }, &HttpConnection::releaseThreadState});
}  // namespace

size_t HttpConnection::threadStateCount() { return g_threadStates.load(); }

HttpConnection::~HttpConnection() = default;

void HttpConnection::setMethod(const std::string& method) { m_method = method; }

void HttpConnection::addRequestHeader(const std::string& name, const std::string& value) {
    // Once sent, the request's fields are fixed (the transfer reads them).
    if (m_impl) return;
    std::string& text = m_requestHeaderText;
    if (text.empty()) text.reserve(256);
    appendSanitized(text, name);
    const size_t nameEnd = text.size();
    text += ": ";
    appendSanitized(text, value);
    // "Name;" is libcurl's way of sending a field with an empty value.
    if (text.size() == nameEnd + 2) text.replace(nameEnd, 2, ";");
    text += '\0';
    ++m_requestHeaderCount;
}

void HttpConnection::setBody(std::string bytes) { m_body = std::move(bytes); }

void HttpConnection::setAbortCheck(std::function<bool()> check) { m_abortCheck = std::move(check); }

void HttpConnection::setTimeoutMs(int64_t ms) { m_timeoutMs = ms; }

void HttpConnection::headerLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.substr(0, 5) == "HTTP/") {
        // A new answer (after an interim 1xx one) starts its field list afresh.
        m_statusLine.assign(line);
        m_headers.clear();
        m_headers.reserve(16);
        m_status = 0;
        auto sp = m_statusLine.find(' ');
        if (sp != std::string::npos) {
            const std::string_view code = std::string_view(m_statusLine).substr(sp + 1);
            m_status = sys::parseNumber<int>(code.substr(0, code.find(' '))).value_or(0);
        }
        return;
    }
    if (line.empty()) {
        if (m_status >= 200) m_headersDone = true;
        return;
    }
    if ((line[0] == ' ' || line[0] == '\t') && !m_headers.empty()) {
        std::string& value = m_headers.back().second;
        value += ' ';
        value += trim(line);
        return;
    }
    auto colon = line.find(':');
    if (colon == std::string_view::npos) {
        m_headers.emplace_back(trim(line), std::string());
    } else {
        m_headers.emplace_back(trim(line.substr(0, colon)), trim(line.substr(colon + 1)));
    }
}

namespace {
// Whether libcurl takes the address as http or https: its scheme is the
// text before "://" (without one, libcurl would guess a scheme from the
// host name, ftp among them).
bool isWebAddress(const std::string& url) {
    auto startsWith = [&url](std::string_view prefix) { return sys::startsWithIgnoreAsciiCase(url, prefix); };
    return startsWith("http://") || startsWith("https://");
}
}  // namespace

void HttpConnection::prepare() {
    if (m_impl) return;
    // Checked here rather than with a list of protocols that libcurl would
    // parse again at every request.
    if (!isWebAddress(m_url)) throw NetError(FailureKind::MalformedUrl, "Not an http or https address: " + m_url);
    ThreadMulti& thread = threadMulti();
    m_impl = std::make_unique<Impl>();
    Impl& im = *m_impl;
    im.owner = this;
    im.multi = thread.multi;
    bool fresh = false;
    im.easy = thread.take(fresh);
    if (!im.easy) throw NetError(FailureKind::Other, "Unable to create a connection");
    thread.takeBuffer(im.buffer);
    CURL* e = im.easy;
    // Every handle starts from libcurl's defaults (new, or reset when it
    // was given back): only what differs from them is set. The defaults
    // follow no redirect and verify TLS peers and their names. A reset
    // keeps the handle's share, which is therefore set once.
    if (fresh) curl_easy_setopt(e, CURLOPT_SHARE, global().share);
    // The path goes out as written: a site may need its "../" segments.
    curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    // TLS hands over one record (16 KiB at most) per read whatever the room.
    if (sys::toAsciiLower(m_url[4]) != 's') curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kReceiveBuffer);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Impl::onHeader);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Impl::onWrite);
    curl_easy_setopt(e, CURLOPT_URL, m_url.c_str());
    curl_easy_setopt(e, CURLOPT_PRIVATE, &im);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, im.errbuf);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &im);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &im);
    if (m_timeoutMs > 0) curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(m_timeoutMs));

    if (m_method == "POST") {
        const char* body = m_body ? m_body->data() : "";
        curl_easy_setopt(e, CURLOPT_POST, 1L);
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(m_body ? m_body->size() : 0));
        curl_easy_setopt(e, CURLOPT_COPYPOSTFIELDS, body);
    } else if (m_method != "GET") {
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, m_method.c_str());
    }

    // No "Expect: 100-continue" round trip before a body.
    static char noExpect[] = "Expect:";
    const bool withBody = m_method == "POST";
    im.headers.resize(m_requestHeaderCount + (withBody ? 1 : 0));
    char* field = m_requestHeaderText.data();
    for (size_t i = 0; i < m_requestHeaderCount; ++i) {
        im.headers[i] = curl_slist{field, nullptr};
        field += std::strlen(field) + 1;
    }
    if (withBody) im.headers.back() = curl_slist{noExpect, nullptr};
    for (size_t i = 0; i + 1 < im.headers.size(); ++i) im.headers[i].next = &im.headers[i + 1];
    if (!im.headers.empty()) curl_easy_setopt(e, CURLOPT_HTTPHEADER, im.headers.data());

    if (const char* connectTo = std::getenv("RL_CONNECT_TO"); connectTo && *connectTo) {
        curl_easy_setopt(e, CURLOPT_CONNECT_TO, thread.connectToFor(connectTo));
        // Requests rerouted for tests never go through a proxy.
        curl_easy_setopt(e, CURLOPT_PROXY, "");
    }
    if (const char* caFile = std::getenv("RL_CA_FILE"); caFile && *caFile) {
        im.caFile = caFile;
        // The extra authorities go into this connection's own store, never
        // into the store libcurl caches for later connections.
        curl_easy_setopt(e, CURLOPT_CA_CACHE_TIMEOUT, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, &Impl::onSslContext);
        curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA, &im);
    }

    if (curl_multi_add_handle(im.multi, e) != CURLM_OK) {
        throw NetError(FailureKind::Other, "Unable to start the request");
    }
    im.added = true;
}

void HttpConnection::fail(int curlCode) {
    Impl& im = *m_impl;
    long osErrno = 0;
    curl_off_t connectTime = 0;
    curl_off_t sendTime = 0;
    if (im.easy) {
        curl_easy_getinfo(im.easy, CURLINFO_OS_ERRNO, &osErrno);
        curl_easy_getinfo(im.easy, CURLINFO_CONNECT_TIME_T, &connectTime);
        // A reused connection has no connect time of this request.
        curl_easy_getinfo(im.easy, CURLINFO_PRETRANSFER_TIME_T, &sendTime);
    }
    FailureKind kind = classifyFailure(curlCode, osErrno, connectTime > 0 || sendTime > 0);
    std::string message = im.errbuf[0] ? std::string(im.errbuf) : curl_easy_strerror(static_cast<CURLcode>(curlCode));
    im.finished = true;
    im.result = static_cast<CURLcode>(curlCode);
    im.release();
    throw NetError(kind, message, curlCode, osErrno);
}

namespace {
// One step of the calling thread's transfers: what libcurl's timer asks
// for when it is due, else a wait of at most kPollMs for the sockets
// libcurl named and the events that came.
CURLMcode act(CURLM* multi) {
    ThreadMulti& thread = threadMulti();
    int running = 0;
    long due = -1;
    curl_multi_timeout(multi, &due);
    if (due == 0) return curl_multi_socket_action(multi, CURL_SOCKET_TIMEOUT, 0, &running);
    const int wait = due < 0 || due > kPollMs ? kPollMs : static_cast<int>(due);
    auto& fds = thread.pollfds;
    fds.clear();
    for (const auto& [socket, what] : thread.sockets) {
        short events = 0;
        if (what & CURL_POLL_IN) events |= POLLIN;
        if (what & CURL_POLL_OUT) events |= POLLOUT;
        fds.push_back(pollfd{socket, events, 0});
    }
    const int ready = ::poll(fds.data(), fds.size(), wait);
    if (ready == 0 && due > 0 && due <= wait) return curl_multi_socket_action(multi, CURL_SOCKET_TIMEOUT, 0, &running);
    if (ready <= 0) return CURLM_OK;
    // The events are told as they came: libcurl then reads without
    // looking at the socket first. Handling one socket may close another.
    for (const pollfd& fd : fds) {
        if (!fd.revents) continue;
        int bits = 0;
        if (fd.revents & (POLLIN | POLLHUP | POLLERR)) bits |= CURL_CSELECT_IN;
        if (fd.revents & (POLLOUT | POLLERR)) bits |= CURL_CSELECT_OUT;
        if (fd.revents & (POLLERR | POLLNVAL)) bits |= CURL_CSELECT_ERR;
        CURLMcode mc = curl_multi_socket_action(multi, fd.fd, bits, &running);
        if (mc != CURLM_OK && mc != CURLM_BAD_SOCKET) return mc;
    }
    return CURLM_OK;
}
}  // namespace

void HttpConnection::pump(const std::function<bool()>& done) {
    Impl& im = *m_impl;
    while (!done() && !im.finished && im.easy) {
        if (m_abortCheck && m_abortCheck()) {
            im.release();
            im.finished = true;
            im.result = CURLE_ABORTED_BY_CALLBACK;
            throw NetError(FailureKind::Aborted, "Transfer aborted", CURLE_ABORTED_BY_CALLBACK);
        }
        CURLMcode mc = act(im.multi);
        if (mc != CURLM_OK) {
            im.release();
            im.finished = true;
            throw NetError(FailureKind::Other, curl_multi_strerror(mc));
        }
        // Other connections of this thread may finish in the same pass.
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(im.multi, &left)) {
            if (msg->msg != CURLMSG_DONE) continue;
            Impl* target = nullptr;
            curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, reinterpret_cast<char**>(&target));
            if (target) {
                target->finished = true;
                target->result = msg->data.result;
            }
        }
    }
}

int HttpConnection::getResponseCode() {
    prepare();
    if (!m_headersDone) {
        pump([this] { return m_headersDone; });
        if (!m_headersDone) {
            if (m_impl->result != CURLE_OK) fail(m_impl->result);
            throw NetError(FailureKind::Protocol, "No answer header received");
        }
    }
    return m_status;
}

std::optional<std::string> HttpConnection::getHeaderFieldKey(size_t index) const {
    if (index == 0 || index > m_headers.size()) return std::nullopt;
    return m_headers[index - 1].first;
}

std::optional<std::string> HttpConnection::getHeaderField(size_t index) const {
    if (index == 0) {
        if (m_statusLine.empty()) return std::nullopt;
        return m_statusLine;
    }
    if (index > m_headers.size()) return std::nullopt;
    return m_headers[index - 1].second;
}

std::optional<std::string> HttpConnection::getHeaderField(const std::string& name) const {
    for (auto it = m_headers.rbegin(); it != m_headers.rend(); ++it) {
        // Field names are ASCII tokens.
        if (sys::equalsIgnoreAsciiCase(it->first, name)) return it->second;
    }
    return std::nullopt;
}

size_t HttpConnection::awaitBody() {
    getResponseCode();
    Impl& im = *m_impl;
    if (im.available() == 0 && !im.finished) {
        if (im.paused && im.easy) {
            im.paused = false;
            curl_easy_pause(im.easy, CURLPAUSE_CONT);
        }
        pump([&im] { return im.available() > 0; });
    }
    if (im.available() == 0 && im.result != CURLE_OK) fail(im.result);
    return im.available();
}

size_t HttpConnection::read(char* buffer, size_t size) {
    if (size == 0) return 0;
    size_t n = std::min(size, awaitBody());
    if (n == 0) return 0;
    Impl& im = *m_impl;
    std::memcpy(buffer, im.buffer.data() + im.bufferPos, n);
    im.bufferPos += n;
    if (im.bufferPos == im.buffer.size()) {
        im.buffer.clear();
        im.bufferPos = 0;
    }
    return n;
}

size_t HttpConnection::read(std::string& out, size_t size) {
    if (size == 0) return 0;
    getResponseCode();
    Impl& im = *m_impl;
    if (im.available() == 0 && !im.finished && im.easy) {
        const size_t before = out.size();
        im.sink = &out;
        im.sinkRoom = size;
        try {
            // A resumed transfer may deliver at once: the sink comes first.
            if (im.paused) {
                im.paused = false;
                curl_easy_pause(im.easy, CURLPAUSE_CONT);
            }
            pump([&] { return out.size() > before || im.available() > 0; });
        } catch (...) {
            im.sink = nullptr;
            throw;
        }
        im.sink = nullptr;
        if (out.size() > before) return out.size() - before;
    }
    size_t n = std::min(size, awaitBody());
    if (n == 0) return 0;
    // A body that came whole with the header (a small page) changes hands
    // instead of being copied, unless the buffer's room is far larger.
    if (out.empty() && im.bufferPos == 0 && n == im.buffer.size() &&
        im.buffer.capacity() <= std::max<size_t>(2 * n, 64 << 10)) {
        out.swap(im.buffer);
        im.buffer.clear();
        return n;
    }
    out.append(im.buffer, im.bufferPos, n);
    im.bufferPos += n;
    if (im.bufferPos == im.buffer.size()) {
        im.buffer.clear();
        im.bufferPos = 0;
    }
    return n;
}

void HttpConnection::disconnect() {
    if (!m_impl) return;
    if (!m_impl->finished) {
        m_impl->finished = true;
        m_impl->result = CURLE_ABORTED_BY_CALLBACK;
    }
    m_impl->release();
}

}  // namespace net
