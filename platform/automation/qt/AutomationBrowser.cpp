// The automated browser's server program. A program that drives a visible
// browser starts it as
//
//   automation-browser --automation <socket path>
//
// It connects to the socket at once, opens its window (hidden until the
// program shows it) and answers over the socket (AutomationServer.h). The
// window outlives the program that drove it; the server ends when its last
// window closes.
//
// For tests, RL_CONNECT_TO (entries HOST:PORT:TO-HOST:TO-PORT, an empty
// HOST or PORT matching any) sends the browser's connections to other
// addresses while the pages keep their names, and the authorities in
// RL_CA_FILE are trusted beside the system's.

#include <QApplication>
#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/automation/Wire.h"
#include "platform/automation/qt/AutomationServer.h"
#include "platform/toolkit/ToolkitException.h"
#include "platform/toolkit/qt/QtRuntime.h"

namespace {

int connectTo(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        ::close(fd);
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void sendFailure(int fd, const std::string& reason) {
    automation::wire::sendAll(
        fd, automation::wire::encode({automation::wire::Value::string("failed"), automation::wire::Value::string(reason)}));
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// RL_CONNECT_TO as the engine's host mapping rules: "MAP host:port to:port".
std::string hostRules(const std::string& connectTo) {
    std::string rules;
    for (const std::string& entry : split(connectTo, ',')) {
        std::vector<std::string> fields;
        size_t start = 0;
        for (int i = 0; i < 3; ++i) {
            size_t colon = entry.find(':', start);
            if (colon == std::string::npos) break;
            fields.push_back(entry.substr(start, colon - start));
            start = colon + 1;
        }
        if (fields.size() != 3) continue;
        const std::string& host = fields[0].empty() ? "*" : fields[0];
        const std::string pattern = fields[1].empty() ? host : host + ":" + fields[1];
        const std::string target = fields[2] + ":" + entry.substr(start);
        rules += (rules.empty() ? "" : ",") + std::string("MAP ") + pattern + " " + target;
    }
    return rules;
}

// The authorities of RL_CA_FILE join the ones certificates are checked
// against when the engine refuses one (AutomationPage).
void trustTestAuthorities() {
    const char* file = std::getenv("RL_CA_FILE");
    if (file == nullptr || *file == '\0') return;
    QFile pem(QString::fromLocal8Bit(file));
    if (!pem.open(QIODevice::ReadOnly)) return;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(QSslCertificate::fromData(pem.readAll(), QSsl::Pem));
    QSslConfiguration::setDefaultConfiguration(configuration);
}

// Each run starts clean and leaves nothing on disk: no cache, cookies,
// visited links or other storage where an address or a page that carries a
// password could stay behind.
QWebEngineProfile* offTheRecordProfile(QObject* parent) {
    auto* profile = new QWebEngineProfile(parent);  // no storage name: off the record
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->setSpellCheckEnabled(false);
    QWebEngineSettings* settings = profile->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    // Only for pages that declare no character set; a declared one rules.
    settings->setDefaultTextEncoding(QStringLiteral("windows-1252"));
    return profile;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "--automation") != 0) {
        std::fprintf(stderr, "usage: automation-browser --automation <socket path>\n");
        return 2;
    }
    int fd = connectTo(argv[2]);
    if (fd < 0) {
        std::perror("automation-browser: cannot reach the program");
        return 3;
    }

    // The engine takes its switches from the command line after
    // --webEngineArgs, and ignores them when QTWEBENGINE_CHROMIUM_FLAGS is
    // set: the variable's switches move to the command line.
    std::vector<std::string> args{argv[0], "--webEngineArgs"};
    if (const char* flags = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS")) {
        for (const std::string& flag : split(flags, ' ')) args.push_back(flag);
        ::unsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    }
    if (const char* connect = std::getenv("RL_CONNECT_TO"); connect && *connect) {
        std::string rules = hostRules(connect);
        if (!rules.empty()) args.push_back("--host-resolver-rules=" + rules);
    }
    std::vector<char*> qtArgv;
    for (std::string& a : args) qtArgv.push_back(a.data());
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(args.size());

    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool needsDisplay = platform == nullptr || *platform == '\0' || std::strncmp(platform, "xcb", 3) == 0 ||
                              std::strncmp(platform, "wayland", 7) == 0;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (needsDisplay && (display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0')) {
        sendFailure(fd, "no window system: DISPLAY is not set");
        return 1;
    }

    tk::qt::QtRuntime::prepareEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(qtArgc, qtArgv.data());
    QWebEngineProfile* profile = nullptr;
    try {
        tk::qt::QtRuntime::instance();
        profile = offTheRecordProfile(&application);
    } catch (const tk::ToolkitException& e) {
        sendFailure(fd, e.what());
        return 1;
    }
    trustTestAuthorities();

    automation::qt::AutomationServer server(fd, profile);
    server.start();
    return application.exec();
}
