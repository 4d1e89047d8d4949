#pragma once
// A window of the automated browser: a menu bar, an address bar and the
// web view. The first window is the one a program drives; pages that open
// new windows get plain windows of their own.

#include <QMainWindow>
#include <QWebEnginePage>

#include <functional>

class QLineEdit;
class QToolBar;
class QWebEngineView;
class QWebEngineProfile;

namespace automation::qt {

// The page: script dialogs stay quiet while the browser is silent, and
// frame completions come in as console lines carrying a private marker.
class AutomationPage : public QWebEnginePage {
    Q_OBJECT
public:
    AutomationPage(QWebEngineProfile* profile, QObject* parent);

    void setSilent(bool silent) { m_silent = silent; }
    bool isSilent() const { return m_silent; }
    // The marker that starts a frame's completion line.
    static const QString& frameMarker();

signals:
    void frameCompleted(const QString& url);

protected:
    void javaScriptAlert(const QUrl& origin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& origin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    bool m_silent = false;
};

class BrowserWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit BrowserWindow(QWebEngineProfile* profile);

    AutomationPage* page() const { return m_page; }
    void setMenuBarShown(bool shown);
    bool isMenuBarShown() const { return m_menuBarShown; }
    void setAddressBarShown(bool shown);
    bool isAddressBarShown() const { return m_addressBarShown; }
    // Windows of this process that are open.
    static int openWindows();
    // Closes every window, shown or not; the process then ends.
    static void closeAll();

signals:
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    AutomationPage* m_page;
    QWebEngineView* m_view;
    QToolBar* m_addressBar;
    QLineEdit* m_address;
    bool m_menuBarShown = true;
    bool m_addressBarShown = true;
};

}  // namespace automation::qt
