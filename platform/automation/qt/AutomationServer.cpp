#include "platform/automation/qt/AutomationServer.h"
#include "platform/automation/Names.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QTimer>
#include <QWebEngineHttpRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

extern const char rl_automation_agent_js[];
extern const unsigned long rl_automation_agent_js_size;

namespace automation::qt {

namespace {

const char* const BROWSER = "browser";

QString toQString(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string toStd(const QString& text) {
    QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QJsonValue toJson(const wire::Value& v) {
    switch (v.kind) {
        case wire::Value::Kind::Bool: return QJsonValue(v.number != 0);
        case wire::Value::Kind::Int: return QJsonValue(static_cast<double>(v.number));
        case wire::Value::Kind::String:
        case wire::Value::Kind::Handle: return QJsonValue(toQString(v.text));
        default: return QJsonValue(QJsonValue::Null);
    }
}

// Text carried as bytes: each character of the text gives its low 8 bits,
// as form bodies do.
QByteArray lowBytes(const std::string& text) {
    QString decoded = toQString(text);
    QByteArray out;
    out.reserve(decoded.size());
    for (QChar c : decoded) out.append(static_cast<char>(c.unicode() & 0xFF));
    return out;
}

const QString& agentSource() {
    static const QString source = QString::fromUtf8(rl_automation_agent_js, static_cast<qsizetype>(rl_automation_agent_js_size));
    return source;
}

}  // namespace

wire::Value agentAnswer(const QVariant& answer, QString& error) {
    const QVariantMap map = answer.toMap();
    const QString kind = map.value(QStringLiteral("t")).toString();
    if (kind == QLatin1String("s")) return wire::Value::string(toStd(map.value(QStringLiteral("v")).toString()));
    if (kind == QLatin1String("i")) return wire::Value::integer(map.value(QStringLiteral("v")).toLongLong());
    if (kind == QLatin1String("b")) return wire::Value::boolean(map.value(QStringLiteral("v")).toBool());
    if (kind == QLatin1String("n")) return wire::Value::null();
    if (kind == QLatin1String("-")) return wire::Value::empty();
    if (kind == QLatin1String("o")) return wire::Value::handle(toStd(map.value(QStringLiteral("h")).toString()));
    error = kind == QLatin1String("e") ? map.value(QStringLiteral("v")).toString()
                                       : QStringLiteral("The page changed before the call ended");
    return wire::Value::empty();
}

AutomationServer::AutomationServer(int fd, QWebEngineProfile* profile) : m_fd(fd), m_profile(profile) {}

AutomationServer::~AutomationServer() { disconnect(); }

void AutomationServer::start() {
    m_window = new BrowserWindow(m_profile);
    AutomationPage* page = m_window->page();
    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        switch (info.status()) {
            case QWebEngineLoadingInfo::LoadStartedStatus:
                m_loading = true;
                break;
            case QWebEngineLoadingInfo::LoadSucceededStatus:
            case QWebEngineLoadingInfo::LoadFailedStatus:
                m_loading = false;
                raiseEvent("DocumentComplete",
                      {wire::Value::handle(BROWSER), wire::Value::string(toStd(info.url().toString(QUrl::FullyEncoded)))});
                break;
            case QWebEngineLoadingInfo::LoadStoppedStatus:
                m_loading = false;
                break;
        }
    });
    connect(page, &AutomationPage::frameCompleted, this, [this](const QString& url) {
        raiseEvent("DocumentComplete", {wire::Value::null(), wire::Value::string(toStd(url))});
    });
    connect(m_window, &BrowserWindow::closing, this, [this] {
        if (!m_quitSent) {
            m_quitSent = true;
            raiseEvent("OnQuit", {});
        }
    });
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &AutomationServer::onReadable);
    send({wire::Value::string("ready")});
}

bool AutomationServer::send(const wire::Message& message) {
    if (m_fd < 0) return false;
    if (wire::sendAll(m_fd, wire::encode(message))) return true;
    disconnect();
    return false;
}

void AutomationServer::disconnect() {
    if (m_fd < 0) return;
    if (m_notifier) m_notifier->setEnabled(false);
    ::close(m_fd);
    m_fd = -1;
}

void AutomationServer::onReadable() {
    char buffer[65536];
    ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n <= 0) {
        // The program has gone; the window is the user's now.
        disconnect();
        return;
    }
    m_decoder.feed(buffer, static_cast<size_t>(n));
    try {
        while (auto message = m_decoder.next()) handle(*message);
    } catch (const wire::WireError&) {
        disconnect();
    }
}

void AutomationServer::handle(const wire::Message& message) {
    if (message.size() < 4 || message[0].kind != wire::Value::Kind::String || message[1].kind != wire::Value::Kind::Int) {
        throw wire::WireError("malformed request");
    }
    const std::string& verb = message[0].text;
    const int64_t id = message[1].number;
    const std::string& handle = message[2].text;
    const std::string& name = message[3].text;
    if (!m_window) {
        refuse(id, QStringLiteral("The browser window is closed"));
        return;
    }
    if (handle == BROWSER) {
        if (verb == "get") return browserGet(id, name);
        if (verb == "put" && message.size() == 5) return browserPut(id, name, message[4]);
        if (verb == "call") return browserCall(id, name, wire::Message(message.begin() + 4, message.end()));
        return refuse(id, QStringLiteral("Unknown request"));
    }
    QJsonObject request;
    request.insert(QStringLiteral("op"), toQString(verb));
    request.insert(QStringLiteral("h"), toQString(handle));
    request.insert(QStringLiteral("name"), toQString(name));
    if (verb == "put" && message.size() == 5) {
        request.insert(QStringLiteral("value"), toJson(message[4]));
    } else if (verb == "call") {
        QJsonArray args;
        for (size_t i = 4; i < message.size(); ++i) args.append(toJson(message[i]));
        request.insert(QStringLiteral("args"), args);
    } else if (verb != "get") {
        return refuse(id, QStringLiteral("Unknown request"));
    }
    runAgent(id, QString::fromUtf8(QJsonDocument(request).toJson(QJsonDocument::Compact)));
}

void AutomationServer::answer(int64_t id, const wire::Value& value) {
    send({wire::Value::string("reply"), wire::Value::integer(id), value});
}

void AutomationServer::refuse(int64_t id, const QString& reason) {
    send({wire::Value::string("error"), wire::Value::integer(id), wire::Value::string(toStd(reason))});
}

void AutomationServer::runAgent(int64_t id, const QString& requestJson) {
    const QString code = agentSource() + QStringLiteral(".run(") + requestJson + QStringLiteral(")");
    QPointer<AutomationServer> self(this);
    m_window->page()->runJavaScript(code, QWebEngineScript::ApplicationWorld, [self, id](const QVariant& result) {
        if (!self) return;
        QString error;
        wire::Value value = agentAnswer(result, error);
        if (error.isEmpty()) {
            self->answer(id, value);
        } else {
            self->refuse(id, error);
        }
    });
}

void AutomationServer::browserGet(int64_t id, const std::string& name) {
    const std::string key = lowerCase(name);
    if (key == "visible") return answer(id, wire::Value::boolean(m_visible));
    if (key == "silent") return answer(id, wire::Value::boolean(m_window->page()->isSilent()));
    if (key == "menubar") return answer(id, wire::Value::boolean(m_window->isMenuBarShown()));
    if (key == "addressbar") return answer(id, wire::Value::boolean(m_window->isAddressBarShown()));
    if (key == "busy") return answer(id, wire::Value::boolean(m_loading));
    if (key == "locationurl") {
        return answer(id, wire::Value::string(toStd(m_window->page()->url().toString(QUrl::FullyEncoded))));
    }
    if (key == "document") return runAgent(id, QStringLiteral("{\"op\":\"document\"}"));
    refuse(id, QStringLiteral("Object doesn't support this property or method: ") + toQString(name));
}

void AutomationServer::browserPut(int64_t id, const std::string& name, const wire::Value& value) {
    const std::string key = lowerCase(name);
    const bool on = value.kind == wire::Value::Kind::Bool || value.kind == wire::Value::Kind::Int
                        ? value.number != 0
                        : value.text == "true";
    if (key == "visible") {
        m_visible = on;
        if (on) {
            m_window->show();
            m_window->raise();
            m_window->activateWindow();
        } else {
            m_window->hide();
        }
    } else if (key == "silent") {
        m_window->page()->setSilent(on);
    } else if (key == "menubar") {
        m_window->setMenuBarShown(on);
    } else if (key == "addressbar") {
        m_window->setAddressBarShown(on);
    } else {
        return refuse(id, QStringLiteral("Object doesn't support this property or method: ") + toQString(name));
    }
    answer(id, wire::Value::empty());
}

void AutomationServer::browserCall(int64_t id, const std::string& name, const wire::Message& args) {
    const std::string key = lowerCase(name);
    if (key == "navigate") {
        if (args.empty() || args[0].text.empty()) return refuse(id, QStringLiteral("Navigate needs an address"));
        const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(args[0].text));
        const std::string post = args.size() > 3 ? args[3].text : "";
        const std::string headers = args.size() > 4 ? args[4].text : "";
        QWebEngineHttpRequest request =
            post.empty() ? QWebEngineHttpRequest(url) : QWebEngineHttpRequest::postRequest(url, {});
        if (!post.empty()) request.setPostData(lowBytes(post));
        // Header lines "Name: value", separated by CR LF.
        for (const QString& line : toQString(headers).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
            const qsizetype colon = line.indexOf(QLatin1Char(':'));
            if (colon > 0) request.setHeader(line.left(colon).trimmed().toLatin1(), line.mid(colon + 1).trimmed().toLatin1());
        }
        m_window->page()->load(request);
        return answer(id, wire::Value::empty());
    }
    if (key == "quit") {
        answer(id, wire::Value::empty());
        if (!m_quitSent) {
            m_quitSent = true;
            raiseEvent("OnQuit", {});
        }
        QTimer::singleShot(0, qApp, [] { BrowserWindow::closeAll(); });
        return;
    }
    refuse(id, QStringLiteral("Object doesn't support this property or method: ") + toQString(name));
}

void AutomationServer::raiseEvent(const std::string& name, wire::Message args) {
    wire::Message message{wire::Value::string("event"), wire::Value::string(name)};
    message.insert(message.end(), args.begin(), args.end());
    send(message);
}

}  // namespace automation::qt
