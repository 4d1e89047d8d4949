#include "platform/toolkit/qt/QtBrowserPeer.h"

#include "platform/toolkit/Browser.h"
#include "platform/toolkit/qt/QtRuntime.h"

#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineView>

namespace tk::qt {

namespace {

// Markup up to this size goes in a data address; the engine refuses much
// larger ones, so those are shown from a temporary file.
constexpr qsizetype DATA_URL_LIMIT = 1500 * 1000;
// The engine's code for a navigation that was called off.
constexpr int ERROR_ABORTED = -3;
constexpr int MAX_CRASH_RELOADS = 3;

QWidget* makeBrowser(QWidget* parent, int style) {
    if ((style & BORDER) == 0) return new QWebEngineView(parent);
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    new QWebEngineView(frame);
    return frame;
}

QString withoutUnsafeCharacters(QString name) {
    static const QString unsafe = QStringLiteral("/\\:*?\"<>|");
    for (QChar& c : name) {
        if (unsafe.contains(c) || c.unicode() < 0x20) c = QLatin1Char('_');
    }
    return name.trimmed();
}

// The folder for files saved without asking: the user's download folder.
QString saveFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    QDir().mkpath(folder);
    return folder;
}

QString unusedPath(const QString& folder, const QString& base, const QString& suffix) {
    QString path = QDir(folder).filePath(base + QLatin1Char('.') + suffix);
    for (int n = 1; QFileInfo::exists(path); ++n) {
        path = QDir(folder).filePath(QStringLiteral("%1 (%2).%3").arg(base).arg(n).arg(suffix));
    }
    return path;
}

}  // namespace

// ---- page ------------------------------------------------------------------

QtWebPage::QtWebPage(QWebEngineProfile* profile, QObject* parent, QtBrowserPeer* owner)
    : QWebEnginePage(profile, parent), m_owner(owner) {}

bool QtWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    // A disposed browser goes nowhere.
    if (m_owner == nullptr) return false;
    return m_owner->navigationRequested(url, type, isMainFrame);
}

QWebEnginePage* QtWebPage::createWindow(WebWindowType) {
    if (m_owner == nullptr) return nullptr;
    return m_owner->windowRequested();
}

// ---- browser ---------------------------------------------------------------

QtBrowserPeer::QtBrowserPeer(BrowserSite& site, DisplaySite* display, QWidget* parent, int style)
    : QtControl(site, makeBrowser(parent, style), style), m_browserSite(site), m_display(display) {
    m_view = qobject_cast<QWebEngineView*>(m_widget.data());
    if (m_view == nullptr) m_view = m_widget->findChild<QWebEngineView*>();
    m_view->show();
    m_page = new QtWebPage(&QtRuntime::instance().profile(), m_view, this);
    m_view->setPage(m_page);

    QObject::connect(m_page, &QWebEnginePage::loadingChanged, m_bridge, [this](const QWebEngineLoadingInfo& info) {
        if (!m_bridge->released()) loadingChanged(info);
    });
    QObject::connect(m_page, &QWebEnginePage::urlChanged, m_bridge, [this](const QUrl& url) {
        if (!m_bridge->released()) urlChanged(url);
    });
    QObject::connect(m_page, &QWebEnginePage::titleChanged, m_bridge, [this](const QString& title) {
        if (!m_bridge->released()) m_browserSite.userTitle(us(title));
    });
    QObject::connect(m_page, &QWebEnginePage::windowCloseRequested, m_bridge, [this] {
        if (!m_bridge->released()) m_browserSite.userCloseWindow();
    });
    QObject::connect(m_page, &QWebEnginePage::renderProcessTerminated, m_bridge,
                     [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                         // A crashed page comes back rather than staying blank.
                         if (m_bridge->released() || status == QWebEnginePage::NormalTerminationStatus) return;
                         if (m_crashReloads++ < MAX_CRASH_RELOADS) m_bridge->later([this] { m_page->triggerAction(QWebEnginePage::Reload); });
                     });
    QObject::connect(m_view, &QWebEngineView::printFinished, m_bridge, [this](bool) {
        if (m_bridge->released()) return;
        delete m_printing;
        m_printing = nullptr;
    });
    if (m_view != m_widget) {
        m_widget->setFocusProxy(m_view);
        // The frame's border around the view.
        m_bridge->setFilter([this](QObject* watched, QEvent* event) {
            if (watched == m_widget && event->type() == QEvent::Resize) {
                m_view->setGeometry(static_cast<QFrame*>(m_widget.data())->contentsRect());
            }
            return filter(watched, event);
        });
    }
}

QtBrowserPeer::~QtBrowserPeer() {
    if (m_page) {
        m_page->detach();
        m_page->triggerAction(QWebEnginePage::Stop);
    }
    // A print job still running keeps its printer until the view, which
    // ends the job, is gone.
    if (m_printing != nullptr && m_view != nullptr) {
        QObject::connect(m_view, &QObject::destroyed, [printer = m_printing] { delete printer; });
        m_printing = nullptr;
    }
}

std::string QtBrowserPeer::locationOf(const QUrl& url) { return us(url.toString(QUrl::FullyEncoded)); }

QUrl QtBrowserPeer::addressOf(const std::string& url) {
    QString text = qs(url).trimmed();
    if (text.startsWith(QLatin1Char('/'))) return QUrl::fromLocalFile(text);
    QUrl address(text, QUrl::TolerantMode);
    if (address.scheme().isEmpty()) address = QUrl::fromUserInput(text);
    return address;
}

bool QtBrowserPeer::navigationRequested(const QUrl& url, QWebEnginePage::NavigationType type, bool top) {
    switch (type) {
        case QWebEnginePage::NavigationTypeTyped:
            // Only the program loads typed addresses (there is no address
            // bar): setUrl asked the hook already, setText must not.
            if (top) return true;
            break;
        case QWebEnginePage::NavigationTypeReload:
        case QWebEnginePage::NavigationTypeRedirect:
            // A reload or a server's redirect stays with the navigation that
            // was let through.
            return true;
        default:
            break;
    }
    std::string location = locationOf(url);
    bool proceed = m_browserSite.userChanging(location, top);
    if (proceed && !top && !m_bridge->released()) {
        // Frames have no commit signal of their own.
        m_browserSite.userChanged(location, false);
    }
    return proceed;
}

QWebEnginePage* QtBrowserPeer::windowRequested() {
    auto* taken = dynamic_cast<QtBrowserPeer*>(m_browserSite.userOpenWindow());
    if (taken == nullptr || taken == this) return nullptr;
    QPointer<QtWebPage> page = taken->m_page;
    taken->m_browserSite.userVisibility(true);
    // The listeners may have disposed the browser that was to take it.
    if (!page || page->owner() == nullptr) return nullptr;
    return page;
}

void QtBrowserPeer::loadingChanged(const QWebEngineLoadingInfo& info) {
    switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            m_changedThisLoad = false;
            return;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
        case QWebEngineLoadingInfo::LoadFailedStatus:
            // A cancelled navigation ends as a failure without any page.
            if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && info.errorCode() == ERROR_ABORTED) return;
            // Loading the address already shown commits without a change of
            // address; report it all the same.
            if (!m_changedThisLoad) urlChanged(m_page->url());
            if (!m_bridge->released()) m_browserSite.userCompleted();
            return;
        default:
            return;
    }
}

void QtBrowserPeer::urlChanged(const QUrl& url) {
    m_changedThisLoad = true;
    // Markup shown by setText counts as a blank page.
    bool fromText = url.scheme() == QLatin1String("data") ||
                    (m_textFile && url == QUrl::fromLocalFile(m_textFile->fileName()));
    m_browserSite.userChanged(fromText ? std::string("about:blank") : locationOf(url), true);
}

void QtBrowserPeer::navigate(const std::string& url) {
    if (!m_page) return;
    m_page->load(addressOf(url));
}

void QtBrowserPeer::setText(const std::string& html) {
    if (!m_page) return;
    QByteArray bytes = QByteArray::fromStdString(html);
    if (bytes.size() < DATA_URL_LIMIT) {
        m_textFile.reset();
        m_page->setHtml(QString::fromUtf8(bytes), QUrl(QStringLiteral("about:blank")));
        return;
    }
    auto file = std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("browser-XXXXXX.html")));
    if (!file->open() || file->write(bytes) != bytes.size()) {
        // Nothing better to show than the start of it.
        m_page->setHtml(QString::fromUtf8(bytes.left(DATA_URL_LIMIT - 1)), QUrl(QStringLiteral("about:blank")));
        return;
    }
    file->close();
    m_textFile = std::move(file);
    m_page->load(QUrl::fromLocalFile(m_textFile->fileName()));
}

void QtBrowserPeer::refresh() {
    if (m_page) m_page->triggerAction(QWebEnginePage::Reload);
}

bool QtBrowserPeer::back() {
    if (!m_page || !m_page->history()->canGoBack()) return false;
    // The page's Back action does nothing between local files here; the
    // history's own step does.
    m_page->history()->back();
    return true;
}

bool QtBrowserPeer::forward() {
    if (!m_page || !m_page->history()->canGoForward()) return false;
    m_page->history()->forward();
    return true;
}

bool QtBrowserPeer::isBackEnabled() { return m_page && m_page->history()->canGoBack(); }

bool QtBrowserPeer::isForwardEnabled() { return m_page && m_page->history()->canGoForward(); }

void QtBrowserPeer::stop() {
    if (m_page) m_page->triggerAction(QWebEnginePage::Stop);
}

bool QtBrowserPeer::execCommand(int command, int option) {
    if (!m_page) return false;
    bool prompt = option != Browser::OPT_DONT_PROMPT_USER;
    switch (command) {
        case Browser::CMD_SAVE_AS: return saveAs(prompt);
        case Browser::CMD_PRINT: return print(prompt);
        case Browser::CMD_PRINT_PREVIEW: return printPreview();
        case Browser::CMD_PAGE_SETUP: return pageSetup();
        default: return false;
    }
}

QString QtBrowserPeer::suggestedFileName() const {
    QString name = withoutUnsafeCharacters(m_page->title());
    if (name.isEmpty() || name.startsWith(QLatin1String("about:")) || name.startsWith(QLatin1String("data:"))) {
        name = QFileInfo(m_page->url().path()).completeBaseName();
    }
    name = withoutUnsafeCharacters(name);
    // The save adds the suffix; a page without a title of its own has its
    // file's name, suffix included, as title.
    for (QLatin1String suffix : {QLatin1String(".html"), QLatin1String(".htm")}) {
        if (name.endsWith(suffix, Qt::CaseInsensitive)) {
            name = name.chopped(suffix.size()).trimmed();
            break;
        }
    }
    return name.isEmpty() ? QStringLiteral("page") : name;
}

bool QtBrowserPeer::saveAs(bool prompt) {
    QString path;
    if (prompt) {
        QString folder = m_page->url().isLocalFile() ? QFileInfo(m_page->url().toLocalFile()).absolutePath()
                                                     : QDir::currentPath();
        ModalDialog<QFileDialog> dialog(new QFileDialog(m_widget->window(), QStringLiteral("Save Web Page"), folder));
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        QStringList filters{QStringLiteral("Web Page, complete (*.html *.htm)"),
                            QStringLiteral("Web Archive, single file (*.mhtml)"),
                            QStringLiteral("PDF Document (*.pdf)")};
        dialog->setNameFilters(filters);
        dialog->selectFile(suggestedFileName() + QStringLiteral(".html"));
        dialog->setDefaultSuffix(QStringLiteral("html"));
        QPointer<PeerBridge> alive = m_bridge;
        bool accepted = dialog.exec(m_display) == QDialog::Accepted && !dialog->selectedFiles().isEmpty();
        // The browser may have been disposed while the dialog was open.
        if (!accepted || !alive || alive->released() || !m_page) return true;
        path = dialog->selectedFiles().first();
    } else {
        path = unusedPath(saveFolder(), suggestedFileName(), QStringLiteral("html"));
    }
    QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf")) {
        m_page->printToPdf(path, QtRuntime::instance().pageLayout());
    } else if (suffix == QLatin1String("mhtml") || suffix == QLatin1String("mht")) {
        m_page->save(path, QWebEngineDownloadRequest::MimeHtmlSaveFormat);
    } else {
        m_page->save(path, QWebEngineDownloadRequest::CompleteHtmlSaveFormat);
    }
    return true;
}

bool QtBrowserPeer::print(bool prompt) {
    if (m_printing != nullptr) return true;  // one job at a time
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPageLayout(QtRuntime::instance().pageLayout());
    if (prompt) {
        ModalDialog<QPrintDialog> dialog(new QPrintDialog(printer.get(), m_widget->window()));
        QPointer<PeerBridge> alive = m_bridge;
        if (dialog.exec(m_display) != QDialog::Accepted) return true;
        if (!alive || alive->released() || m_printing != nullptr) return true;
    } else if (QPrinterInfo::defaultPrinter().isNull()) {
        // Nowhere to print without asking.
        return false;
    }
    m_printing = printer.release();
    m_view->print(m_printing);
    return true;
}

bool QtBrowserPeer::printPreview() {
    if (m_printing != nullptr) return true;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(QtRuntime::instance().pageLayout());
    ModalDialog<QPrintPreviewDialog> dialog(new QPrintPreviewDialog(&printer, m_widget->window()));
    QPointer<QWebEngineView> view = m_view;
    DisplaySite* site = m_display;
    QPrintPreviewDialog* preview = dialog.get();
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview, [view, site, preview](QPrinter* target) {
        if (!view) return;
        // The preview paints at once; the engine prints in the background.
        // The wait also ends when the view or the dialog goes first.
        QEventLoop wait;
        bool finished = false;
        QObject::connect(view, &QWebEngineView::printFinished, &wait, [&] {
            finished = true;
            wait.quit();
        });
        QObject::connect(view, &QObject::destroyed, &wait, &QEventLoop::quit);
        QObject::connect(preview, &QDialog::finished, &wait, &QEventLoop::quit);
        QObject::connect(preview, &QObject::destroyed, &wait, &QEventLoop::quit);
        QTimer queued;
        if (site != nullptr) {
            QObject::connect(&queued, &QTimer::timeout, preview, [site] { site->runQueuedWork(); });
            queued.start(10);
        }
        view->print(target);
        if (!finished) wait.exec();
    });
    dialog.exec(m_display);
    return true;
}

bool QtBrowserPeer::pageSetup() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(QtRuntime::instance().pageLayout());
    ModalDialog<QPageSetupDialog> dialog(new QPageSetupDialog(&printer, m_widget->window()));
    if (dialog.exec(m_display) == QDialog::Accepted) QtRuntime::instance().pageLayout() = printer.pageLayout();
    return true;
}

}  // namespace tk::qt
