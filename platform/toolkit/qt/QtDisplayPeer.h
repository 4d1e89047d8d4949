#pragma once
// The display's native side: Qt's event dispatcher of the user-interface
// thread, the screen and its colours, and the window-system facts.

#include "platform/toolkit/Backend.h"

#include <QMargins>
#include <QPointer>

#include <optional>

class QAbstractEventDispatcher;

namespace tk::qt {

class PeerBridge;

class QtDisplayPeer : public DisplayPeer {
public:
    explicit QtDisplayPeer(DisplaySite& site);
    ~QtDisplayPeer() override;

    bool dispatchNative() override;
    void waitNative(int timeoutMillis) override;
    void wake() override;
    Rectangle getBounds() override;
    Rectangle getClientArea() override;
    Color getSystemColor(int id) override;
    FontData getSystemFont() override;
    int getTitleBarHeight() override;
    bool hasSystemTray() override;
    std::string getBrowserVersion() override;
    bool setBrowserCookie(const std::string& url, const std::string& setCookie) override;

    // The frame the window manager puts around a shell of this style: as
    // measured on a framed window once one was shown, else the usual one.
    QMargins frameInsets(int style);

    DisplaySite& site() { return m_site; }
    // How deep the toolkit's loop is inside native dispatching.
    int depth() const { return m_depth; }

private:
    DisplaySite& m_site;
    QPointer<QAbstractEventDispatcher> m_dispatcher;
    PeerBridge* m_bridge = nullptr;
    int m_depth = 0;
    int m_busyRun = 0;
    std::optional<QMargins> m_measuredFrame;
    void measureFrame();
    void drain();
};

}  // namespace tk::qt
