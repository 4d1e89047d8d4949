#include "platform/automation/qt/BrowserWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QSslCertificate>
#include <QSslError>
#include <QToolBar>
#include <QUuid>
#include <QWebEngineCertificateError>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include <cstdlib>

namespace automation::qt {

namespace {

int g_openWindows = 0;

// Reports a frame's completion (never the page's own: the page reports
// through its load signal).
QWebEngineScript frameReporter() {
    QWebEngineScript script;
    script.setName(QStringLiteral("frame-completion"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(QStringLiteral("(function () { if (window === window.top) return;"
                                        " window.addEventListener('load', function () {"
                                        " console.log('%1' + location.href); }); })();")
                             .arg(AutomationPage::frameMarker()));
    return script;
}

// A certificate the engine refused passes only when extra authorities are
// configured (RL_CA_FILE, for tests) and its chain leads to one of them.
bool trustedAfterAll(const QWebEngineCertificateError& error) {
    const char* extra = std::getenv("RL_CA_FILE");
    if (extra == nullptr || *extra == '\0' || error.certificateChain().isEmpty()) return false;
    return QSslCertificate::verify(error.certificateChain(), error.url().host()).isEmpty();
}

}  // namespace

AutomationPage::AutomationPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {
    scripts().insert(frameReporter());
    connect(this, &QWebEnginePage::certificateError, this, [](QWebEngineCertificateError error) {
        if (trustedAfterAll(error)) {
            error.acceptCertificate();
        } else {
            error.rejectCertificate();
        }
    });
}

const QString& AutomationPage::frameMarker() {
    static const QString marker =
        QStringLiteral("frame-complete-") + QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(" ");
    return marker;
}

void AutomationPage::javaScriptAlert(const QUrl& origin, const QString& message) {
    if (!m_silent) QWebEnginePage::javaScriptAlert(origin, message);
}

bool AutomationPage::javaScriptConfirm(const QUrl& origin, const QString& message) {
    // A quiet browser takes the box's default answer, OK.
    return m_silent || QWebEnginePage::javaScriptConfirm(origin, message);
}

bool AutomationPage::javaScriptPrompt(const QUrl& origin, const QString& message, const QString& defaultValue,
                                      QString* result) {
    if (!m_silent) return QWebEnginePage::javaScriptPrompt(origin, message, defaultValue, result);
    *result = defaultValue;
    return true;
}

void AutomationPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                              const QString&) {
    if (message.startsWith(frameMarker())) emit frameCompleted(message.mid(frameMarker().size()));
}

QWebEnginePage* AutomationPage::createWindow(WebWindowType) {
    auto* window = new BrowserWindow(profile());
    window->show();
    return window->page();
}

BrowserWindow::BrowserWindow(QWebEngineProfile* profile) {
    ++g_openWindows;
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1024, 768);
    m_view = new QWebEngineView(this);
    m_page = new AutomationPage(profile, m_view);
    m_view->setPage(m_page);
    setCentralWidget(m_view);

    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* close = file->addAction(tr("&Close"), this, &QWidget::close);
    close->setShortcut(QKeySequence::Close);
    QMenu* go = menuBar()->addMenu(tr("&Go"));
    go->addAction(m_view->pageAction(QWebEnginePage::Back));
    go->addAction(m_view->pageAction(QWebEnginePage::Forward));
    go->addAction(m_view->pageAction(QWebEnginePage::Reload));

    m_addressBar = addToolBar(tr("Address"));
    m_addressBar->setMovable(false);
    m_address = new QLineEdit(m_addressBar);
    m_addressBar->addWidget(m_address);
    connect(m_address, &QLineEdit::returnPressed, this, [this] {
        m_view->load(QUrl::fromUserInput(m_address->text()));
    });
    connect(m_page, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        m_address->setText(url.toString());
    });
    connect(m_page, &QWebEnginePage::titleChanged, this, &QWidget::setWindowTitle);
    connect(m_page, &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
}

void BrowserWindow::setMenuBarShown(bool shown) {
    m_menuBarShown = shown;
    menuBar()->setVisible(shown);
}

void BrowserWindow::setAddressBarShown(bool shown) {
    m_addressBarShown = shown;
    m_addressBar->setVisible(shown);
}

int BrowserWindow::openWindows() { return g_openWindows; }

void BrowserWindow::closeAll() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<BrowserWindow*>(widget)) window->close();
    }
}

void BrowserWindow::closeEvent(QCloseEvent* event) {
    emit closing();
    event->accept();
    --g_openWindows;
    if (g_openWindows == 0) QApplication::quit();
}

}  // namespace automation::qt
