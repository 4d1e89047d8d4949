#include "platform/toolkit/qt/QtRuntime.h"

#include "platform/system/ThreadResources.h"
#include "platform/toolkit/Style.h"
#include "platform/toolkit/ToolkitException.h"
#include "platform/toolkit/qt/QtSupport.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPageSize>
#include <QPointer>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

namespace tk::qt {

namespace {

std::mutex g_mutex;
QtRuntime* g_runtime = nullptr;

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// argv for QApplication: it keeps references to both for its whole life.
// The panes of a program show pages of one site, its install folder: one
// renderer process serves them all, rather than one starting per pane,
// which holds back the first page and doubles the memory. (The engine
// ignores these switches when QTWEBENGINE_CHROMIUM_FLAGS is set.)
char g_programName[256] = "program";
char g_engineArgs[] = "--webEngineArgs";
char g_processModel[] = "--process-per-site";
char* g_argv[] = {g_programName, g_engineArgs, g_processModel, nullptr};
int g_argc = 3;

// A download the page asks for (not a page save) goes to the user's
// download folder under its suggested name, without overwriting a file.
void acceptDownload(QWebEngineDownloadRequest* download) {
    if (download->isSavePageDownload()) {
        download->accept();
        return;
    }
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    QDir().mkpath(folder);
    QString name = download->downloadFileName();
    if (name.isEmpty()) name = QStringLiteral("download");
    QFileInfo info(name);
    QString candidate = name;
    for (int n = 1; QFileInfo::exists(QDir(folder).filePath(candidate)); ++n) {
        candidate = info.completeSuffix().isEmpty()
                        ? QStringLiteral("%1 (%2)").arg(info.baseName()).arg(n)
                        : QStringLiteral("%1 (%2).%3").arg(info.baseName()).arg(n).arg(info.completeSuffix());
    }
    download->setDownloadDirectory(folder);
    download->setDownloadFileName(candidate);
    download->accept();
}

// The session manager's end of the session, which Qt hands to the
// application as a Quit event, ends the program as the end of a session
// does otherwise: by SIGTERM, which the programs take as a quiet end. Qt
// would instead close every window as a user does, and a box of that end
// would wait for nobody.
class SessionEnd : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != QCoreApplication::instance() || event->type() != QEvent::Quit) return false;
        std::raise(SIGTERM);
        return true;
    }
};

// Whether the process holds a file under folder (which ends in "/") open,
// but for those of the sub-folder "but" (which ends in "/" too).
bool hasFileOpenUnder(const std::string& folder, const std::string& but) {
    DIR* fds = ::opendir("/proc/self/fd");
    if (fds == nullptr) return false;
    bool found = false;
    while (dirent* entry = ::readdir(fds)) {
        if (entry->d_name[0] == '.') continue;
        char target[PATH_MAX];
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
        if (length <= 0) continue;
        const std::string_view path(target, static_cast<size_t>(length));
        if (path.substr(0, folder.size()) == folder && path.substr(0, but.size()) != but) {
            found = true;
            break;
        }
    }
    ::closedir(fds);
    return found;
}

void closeProfileAtEnd() {
    QtRuntime* runtime = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        runtime = g_runtime;
    }
    if (runtime != nullptr) runtime->closeProfile();
}

}  // namespace

void QtRuntime::prepareEnvironment() {
    // The engine's sandbox refuses to run as root; it reads these at start.
    if (::getuid() == 0 && !isSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        const char* flags = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (flags == nullptr || std::strstr(flags, "--no-sandbox") == nullptr) {
            ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
        }
    }
    // The engine prints its graphics set-up at every start otherwise.
    if (!isSet("QT_LOGGING_RULES")) QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}

QtRuntime& QtRuntime::instance() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_runtime != nullptr) {
        if (g_runtime->m_thread != std::this_thread::get_id()) {
            throw ToolkitException(ERROR_THREAD_INVALID_ACCESS,
                                   "the Qt toolkit serves only the thread that made its first display");
        }
        return *g_runtime;
    }
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    bool x11OrWayland = platform == nullptr || *platform == '\0' || std::strncmp(platform, "xcb", 3) == 0 ||
                        std::strncmp(platform, "wayland", 7) == 0;
    if (x11OrWayland && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) {
        // Qt would abort the process here; a clear failure lets the program
        // report it.
        throw ToolkitException(ERROR_NO_HANDLES,
                               "no window system: DISPLAY is not set (start the program in a desktop session, "
                               "or under xvfb-run, or choose RL_TOOLKIT=headless)");
    }
    g_runtime = new QtRuntime();
    return *g_runtime;
}

QtRuntime::QtRuntime()
    : m_pageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                   QPageLayout::Millimeter) {
    prepareEnvironment();
    std::strncpy(g_programName, program_invocation_short_name, sizeof(g_programName) - 1);
    // Required by the web engine, before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (QCoreApplication::instance() != nullptr) {
        m_application = qobject_cast<QApplication*>(QCoreApplication::instance());
        if (m_application == nullptr) {
            throw ToolkitException(ERROR_NO_HANDLES, "a non-widget Qt application already exists");
        }
    } else {
        m_application = new QApplication(g_argc, g_argv);
    }
    // The application and its web engine live until the process ends, and so
    // do the engine's threads (its compositor's among them).
    sys::markUnjoinedThreads(&closeProfileAtEnd);
    // The toolkit decides when the program ends, not the last window.
    m_application->setQuitOnLastWindowClosed(false);
    m_application->installEventFilter(new SessionEnd(m_application));
    // Also replaces the desktop theme's fonts for menus, tips and the like.
    QApplication::setFont(systemFont());
    m_thread = std::this_thread::get_id();
}

QWebEngineProfile& QtRuntime::profile() {
    if (m_profile != nullptr) return *m_profile;
    // A named profile keeps cookies on disk, as a user's browser does; the
    // panes of one program share it.
    m_profile = new QWebEngineProfile(QStringLiteral("browser"), m_application);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    QWebEngineSettings* settings = m_profile->settings();
    // Content pages are local files that pull pictures and scripts from
    // the web.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    // Only for pages that declare no character set; a declared one rules.
    settings->setDefaultTextEncoding(QStringLiteral("windows-1252"));
    QObject::connect(m_profile, &QWebEngineProfile::downloadRequested, m_profile, &acceptDownload);
    // The engine has started its threads now.
    sys::markUnjoinedThreads(&closeProfileAtEnd);
    return *m_profile;
}

void QtRuntime::closeProfile() {
    if (m_profile == nullptr || m_thread != std::this_thread::get_id()) return;
    // As the file links of the process name it: without symbolic links.
    const QString storage =
        m_profile->isOffTheRecord() ? QString() : QFileInfo(m_profile->persistentStoragePath()).canonicalFilePath();
    // A profile goes only after its pages, and a page with the view it is a
    // child of (every browser's is).
    QList<QPointer<QWidget>> views;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (qobject_cast<QWebEngineView*>(widget) == nullptr) continue;
        for (QWebEnginePage* page : widget->findChildren<QWebEnginePage*>(Qt::FindDirectChildrenOnly)) {
            if (page->profile() == m_profile) {
                views.append(widget);
                break;
            }
        }
    }
    for (const QPointer<QWidget>& view : views) delete view.data();
    QWebEngineProfile* profile = m_profile;
    m_profile = nullptr;
    delete profile;
    if (storage.isEmpty()) return;
    // The engine's own threads write and close the files; its closing
    // needs nothing of this thread. The graphics thread keeps its shader
    // cache, which is no part of the profile, open for good.
    const std::string folder = storage.toStdString() + "/";
    const std::string shaderCache = folder + "GPUCache/";
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(PROFILE_CLOSE_MS);
    while (hasFileOpenUnder(folder, shaderCache) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace tk::qt
