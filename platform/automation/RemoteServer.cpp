#include "platform/automation/RemoteServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/automation/AutomationException.h"
#include "platform/automation/EventThread.h"
#include "platform/automation/Wire.h"
#include "platform/system/Process.h"

namespace automation {

namespace {

const char* const BROWSER_HANDLE = "browser";

class Connection;

class RemoteObject : public Dispatch {
public:
    RemoteObject(std::shared_ptr<Connection> connection, std::string handle, std::string progId)
        : m_connection(std::move(connection)), m_handle(std::move(handle)), m_progId(std::move(progId)) {}

    Variant get(const std::string& name) override;
    void put(const std::string& name, const Variant& value) override;
    Variant call(const std::string& name, const std::vector<Variant>& args) override;
    std::string progId() const override { return m_progId; }
    int advise(std::shared_ptr<EventSink> sink) override;
    void unadvise(int cookie) override;

private:
    std::shared_ptr<Connection> m_connection;
    std::string m_handle;
    std::string m_progId;
};

class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(int fd, wire::Decoder decoder) : m_fd(fd), m_decoder(std::move(decoder)) {}

    ~Connection() {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_closing = true;
        }
        ::shutdown(m_fd, SHUT_RDWR);
        if (m_reader.joinable()) m_reader.join();
        m_events.stop();
        ::close(m_fd);
    }

    void start(std::string progId) {
        m_progId = std::move(progId);
        m_reader = std::thread([this] { readLoop(); });
    }

    wire::Value request(const wire::Message& request) {
        int64_t id;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_closed) throw AutomationException("The browser is no longer running");
            id = ++m_lastId;
            m_pending[id];
        }
        wire::Message message;
        message.reserve(request.size() + 1);
        message.push_back(request[0]);
        message.push_back(wire::Value::integer(id));
        message.insert(message.end(), request.begin() + 1, request.end());
        send(wire::encode(message));
        std::unique_lock<std::mutex> lock(m_lock);
        m_answered.wait(lock, [&] { return m_pending[id].done || m_closed; });
        Pending answer = std::move(m_pending[id]);
        m_pending.erase(id);
        if (!answer.done) throw AutomationException("The browser is no longer running");
        if (!answer.error.empty()) throw AutomationException(answer.error);
        return answer.value;
    }

    Variant toVariant(const wire::Value& v) {
        switch (v.kind) {
            case wire::Value::Kind::Empty: return Variant();
            case wire::Value::Kind::Null: return Variant::null();
            case wire::Value::Kind::Bool: return Variant(v.number != 0);
            case wire::Value::Kind::Int: return Variant(v.number);
            case wire::Value::Kind::String: return Variant(v.text);
            case wire::Value::Kind::Handle:
                return Variant(std::make_shared<RemoteObject>(shared_from_this(), v.text,
                                                              v.text == BROWSER_HANDLE ? m_progId : ""));
        }
        return Variant();
    }

    static wire::Value toWire(const Variant& v) {
        switch (v.type()) {
            case Variant::Type::Empty: return wire::Value::empty();
            case Variant::Type::Null: return wire::Value::null();
            case Variant::Type::Bool: return wire::Value::boolean(v.toBool());
            case Variant::Type::Int: return wire::Value::integer(v.toInt());
            case Variant::Type::String: return wire::Value::string(v.toString());
            case Variant::Type::Object: break;
        }
        throw AutomationException("Objects cannot be passed to the browser");
    }

    int advise(std::shared_ptr<EventSink> sink) {
        std::lock_guard<std::mutex> guard(m_lock);
        int cookie = ++m_lastCookie;
        m_sinks[cookie] = std::move(sink);
        return cookie;
    }

    void unadvise(int cookie) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_sinks.erase(cookie);
        }
        // Waits for a delivery in progress on the event thread (a handler
        // that unadvises from inside its own delivery holds this already).
        std::lock_guard<std::recursive_mutex> delivering(m_delivering);
    }

private:
    struct Pending {
        bool done = false;
        wire::Value value;
        std::string error;
    };

    void send(const std::string& bytes) {
        std::lock_guard<std::mutex> guard(m_sendLock);
        if (wire::sendAll(m_fd, bytes)) return;
        std::lock_guard<std::mutex> lock(m_lock);
        m_closed = true;
        m_answered.notify_all();
        throw AutomationException("The browser is no longer running");
    }

    void readLoop() {
        char buffer[65536];
        bool sawQuit = false;
        try {
            for (;;) {
                while (auto message = m_decoder.next()) sawQuit |= handle(*message);
                ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                m_decoder.feed(buffer, static_cast<size_t>(n));
            }
        } catch (const wire::WireError&) {
            // A server that speaks nonsense is treated as gone.
        }
        bool closing;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_closed = true;
            closing = m_closing;
            m_answered.notify_all();
        }
        if (!sawQuit && !closing) deliver("OnQuit", {});
    }

    // Answers true for the quit event.
    bool handle(const wire::Message& message) {
        if (message.empty() || message[0].kind != wire::Value::Kind::String) throw wire::WireError("no verb");
        const std::string& verb = message[0].text;
        if ((verb == "reply" || verb == "error") && message.size() == 3 &&
            message[1].kind == wire::Value::Kind::Int) {
            std::lock_guard<std::mutex> guard(m_lock);
            auto found = m_pending.find(message[1].number);
            if (found == m_pending.end()) return false;
            found->second.done = true;
            if (verb == "reply") {
                found->second.value = message[2];
            } else {
                found->second.error = message[2].text.empty() ? "The browser refused the call" : message[2].text;
            }
            m_answered.notify_all();
            return false;
        }
        if (verb == "event" && message.size() >= 2 && message[1].kind == wire::Value::Kind::String) {
            deliver(message[1].text, wire::Message(message.begin() + 2, message.end()));
            return message[1].text == "OnQuit";
        }
        throw wire::WireError("unknown message " + verb);
    }

    void deliver(const std::string& event, wire::Message args) {
        std::weak_ptr<Connection> self = weak_from_this();
        m_events.post([self, event, args = std::move(args)] {
            std::shared_ptr<Connection> connection = self.lock();
            if (!connection) return;
            std::lock_guard<std::recursive_mutex> delivering(connection->m_delivering);
            std::vector<Variant> values;
            for (const wire::Value& v : args) values.push_back(connection->toVariant(v));
            std::vector<std::shared_ptr<EventSink>> sinks;
            {
                std::lock_guard<std::mutex> guard(connection->m_lock);
                for (auto& [cookie, sink] : connection->m_sinks) sinks.push_back(sink);
            }
            for (auto& sink : sinks) {
                std::vector<Variant> copy = values;
                sink->invoke(event, copy);
            }
        });
    }

    const int m_fd;
    wire::Decoder m_decoder;
    std::string m_progId;
    std::thread m_reader;
    EventThread m_events;
    std::mutex m_sendLock;
    std::recursive_mutex m_delivering;
    std::mutex m_lock;
    std::condition_variable m_answered;
    std::map<int64_t, Pending> m_pending;
    int64_t m_lastId = 0;
    std::map<int, std::shared_ptr<EventSink>> m_sinks;
    int m_lastCookie = 0;
    bool m_closed = false;
    bool m_closing = false;
};

Variant RemoteObject::get(const std::string& name) {
    return m_connection->toVariant(
        m_connection->request({wire::Value::string("get"), wire::Value::handle(m_handle), wire::Value::string(name)}));
}

void RemoteObject::put(const std::string& name, const Variant& value) {
    m_connection->request({wire::Value::string("put"), wire::Value::handle(m_handle), wire::Value::string(name),
                           Connection::toWire(value)});
}

Variant RemoteObject::call(const std::string& name, const std::vector<Variant>& args) {
    wire::Message message{wire::Value::string("call"), wire::Value::handle(m_handle), wire::Value::string(name)};
    for (const Variant& arg : args) message.push_back(Connection::toWire(arg));
    return m_connection->toVariant(m_connection->request(message));
}

int RemoteObject::advise(std::shared_ptr<EventSink> sink) {
    if (m_handle != BROWSER_HANDLE) return Dispatch::advise(std::move(sink));
    return m_connection->advise(std::move(sink));
}

void RemoteObject::unadvise(int cookie) {
    if (m_handle == BROWSER_HANDLE) m_connection->unadvise(cookie);
}

// A listening socket in a fresh folder that only this user can enter; the
// folder and the socket go as soon as the server is connected.
class Rendezvous {
public:
    Rendezvous() {
        std::string base = "/tmp";
        if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
            struct stat st;
            if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) && std::strlen(runtime) < 60) base = runtime;
        }
        std::string pattern = base + "/rl-automation-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) fail("Cannot make the browser's channel folder");
        m_dir = pattern;
        m_path = m_dir + "/channel";
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd < 0) fail("Cannot make the browser's channel");
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (m_path.size() >= sizeof address.sun_path) fail("The browser's channel path is too long");
        std::memcpy(address.sun_path, m_path.c_str(), m_path.size() + 1);
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(m_fd, 1) != 0) {
            fail("Cannot open the browser's channel");
        }
    }
    ~Rendezvous() {
        if (m_fd >= 0) ::close(m_fd);
        ::unlink(m_path.c_str());
        ::rmdir(m_dir.c_str());
    }
    const std::string& path() const { return m_path; }

    // The server's connection, or -1 when none came in time.
    int accept(int timeoutMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return -1;
            pollfd p{m_fd, POLLIN, 0};
            int ready = ::poll(&p, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) return -1;
            int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            ucred peer{};
            socklen_t length = sizeof peer;
            if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::getuid()) return fd;
            ::close(fd);
        }
    }

private:
    [[noreturn]] void fail(const std::string& what) {
        throw AutomationException(what + ": " + std::strerror(errno));
    }
    std::string m_dir;
    std::string m_path;
    int m_fd = -1;
};

// Reads the server's first message: "ready", or "failed" with a reason.
wire::Decoder awaitReady(int fd, int timeoutMs) {
    wire::Decoder decoder;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    for (;;) {
        std::optional<wire::Message> message;
        try {
            message = decoder.next();
        } catch (const wire::WireError& e) {
            throw AutomationException(std::string("The browser did not start: ") + e.what());
        }
        if (message) {
            if (!message->empty() && (*message)[0].text == "ready") return decoder;
            std::string reason = message->size() > 1 ? (*message)[1].text : "no reason given";
            throw AutomationException("The browser did not start: " + reason);
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        int ready = left.count() > 0 ? ::poll(&p, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) throw AutomationException("The browser did not start in time");
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw AutomationException("The browser ended before it was ready");
        decoder.feed(buffer, static_cast<size_t>(n));
    }
}

}  // namespace

ServerFactory remoteServer(const std::string& progId, const std::string& executable, int startTimeoutMs) {
    return [progId, executable, startTimeoutMs]() -> DispatchPtr {
        Rendezvous rendezvous;
        try {
            sys::startDetached({executable, "--automation", rendezvous.path()});
        } catch (const std::system_error& e) {
            throw AutomationException(std::string("Cannot start the browser: ") + e.what());
        }
        int fd = rendezvous.accept(startTimeoutMs);
        if (fd < 0) throw AutomationException("The browser did not connect in time");
        wire::Decoder decoder;
        try {
            decoder = awaitReady(fd, startTimeoutMs);
        } catch (...) {
            ::close(fd);
            throw;
        }
        auto connection = std::make_shared<Connection>(fd, std::move(decoder));
        connection->start(progId);
        return std::make_shared<RemoteObject>(connection, BROWSER_HANDLE, progId);
    };
}

}  // namespace automation
