#pragma once
// The embedded browser on the web engine. Every navigation a page starts
// (link, form, script, history, frame, popup) passes the location-changing
// hook first; the program's own loads were asked by the toolkit already.

#include "platform/toolkit/qt/QtControlPeer.h"

#include <QPointer>
#include <QWebEnginePage>

#include <memory>

class QPrinter;
class QTemporaryFile;
class QWebEngineView;

namespace tk::qt {

class QtBrowserPeer;

// The page of one browser; it asks its peer, and refuses everything once
// the peer is gone.
class QtWebPage : public QWebEnginePage {
public:
    QtWebPage(QWebEngineProfile* profile, QObject* parent, QtBrowserPeer* owner);
    void detach() { m_owner = nullptr; }
    QtBrowserPeer* owner() const { return m_owner; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override {}

private:
    QtBrowserPeer* m_owner;
};

class QtBrowserPeer : public QtControl<BrowserPeer> {
public:
    QtBrowserPeer(BrowserSite& site, DisplaySite* display, QWidget* parent, int style);
    ~QtBrowserPeer() override;

    void navigate(const std::string& url) override;
    void setText(const std::string& html) override;
    void refresh() override;
    bool back() override;
    bool forward() override;
    bool isBackEnabled() override;
    bool isForwardEnabled() override;
    void stop() override;
    bool execCommand(int command, int option) override;

    QWebEngineView* view() const { return m_view; }
    QtWebPage* page() const { return m_page; }

    // ---- for the page ----
    bool navigationRequested(const QUrl& url, QWebEnginePage::NavigationType type, bool top);
    QWebEnginePage* windowRequested();

    // The text form of an address as the toolkit reports it.
    static std::string locationOf(const QUrl& url);
    // What setUrl's text means as an address ("/x/a b.html" is a file).
    static QUrl addressOf(const std::string& url);

protected:
    QSize preferredSize() const override { return {300, 150}; }

private:
    void loadingChanged(const class QWebEngineLoadingInfo& info);
    void urlChanged(const QUrl& url);
    bool saveAs(bool prompt);
    bool print(bool prompt);
    bool printPreview();
    bool pageSetup();
    QString suggestedFileName() const;

    BrowserSite& m_browserSite;
    DisplaySite* m_display;
    QWebEngineView* m_view = nullptr;
    QPointer<QtWebPage> m_page;
    // The markup of setText when it is too large for a data address.
    std::unique_ptr<QTemporaryFile> m_textFile;
    bool m_changedThisLoad = false;
    int m_crashReloads = 0;
    QPrinter* m_printing = nullptr;
};

}  // namespace tk::qt
