#pragma once
// The server side of the automated browser: answers the calls a program
// makes over its channel (Wire.h) and reports the browser's events. The
// browser object ("browser") has the properties Visible, Silent, MenuBar,
// AddressBar, Document, LocationURL and Busy and the methods Navigate and
// Quit; every other object lives in the page and is reached through the
// page agent. When the program goes, the window stays with the user.

#include <QObject>
#include <QPointer>
#include <QString>

#include <string>

#include "platform/automation/Wire.h"
#include "platform/automation/qt/BrowserWindow.h"

class QSocketNotifier;
class QWebEngineProfile;

namespace automation::qt {

class AutomationServer : public QObject {
    Q_OBJECT
public:
    AutomationServer(int fd, QWebEngineProfile* profile);
    ~AutomationServer() override;

    // Opens the (hidden) window and tells the program the browser is ready.
    void start();
    // Writes one message; false once the program has gone.
    bool send(const wire::Message& message);

private:
    void onReadable();
    void handle(const wire::Message& message);
    void answer(int64_t id, const wire::Value& value);
    void refuse(int64_t id, const QString& reason);
    void browserGet(int64_t id, const std::string& name);
    void browserPut(int64_t id, const std::string& name, const wire::Value& value);
    void browserCall(int64_t id, const std::string& name, const wire::Message& args);
    void runAgent(int64_t id, const QString& requestJson);
    void raiseEvent(const std::string& name, wire::Message args);
    void disconnect();

    int m_fd;
    QWebEngineProfile* m_profile;
    QSocketNotifier* m_notifier = nullptr;
    wire::Decoder m_decoder;
    QPointer<BrowserWindow> m_window;
    bool m_visible = false;
    bool m_loading = false;
    bool m_quitSent = false;
};

// The agent's answer ({t, v, h}) as a wire value; a failure sets `error`.
wire::Value agentAnswer(const QVariant& answer, QString& error);

}  // namespace automation::qt
