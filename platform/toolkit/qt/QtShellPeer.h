#pragma once
// A shell as a Qt top-level window. Bounds are the outer frame: the client
// widget is the outer size less the frame the toolkit reckons with (the
// window manager draws its frame around it; once it reports that frame, the
// client widget takes what it leaves), and a menu bar, when set, sits at the
// top of the client widget above the children's area.

#include "platform/toolkit/qt/QtControlPeer.h"

#include <QMargins>
#include <QPointer>

class QMenuBar;
class QPushButton;

namespace tk::qt {

class QtShellPeer : public QtControl<ShellPeer>, public QtContainer {
public:
    QtShellPeer(ShellSite& site, QtShellPeer* parent, int style, const QMargins& frame);
    ~QtShellPeer() override;

    QWidget* container() const override { return m_content; }
    QWidget* window() const { return m_widget; }

    void setBounds(const Rectangle& bounds) override;
    void setVisible(bool visible) override;
    Point computeSize(int, int) override { return {0, 0}; }
    int getBorderWidth() override { return 0; }
    Rectangle clientArea(int width, int height) override;

    void setText(const std::string& text) override;
    void setImage(ImagePeer* image) override;
    void setActive() override;
    void setMinimumSize(const Point& size) override;
    void setMenuBar(MenuPeer* menu) override;
    void setDefaultButton(ButtonPeer* button) override;
    void setMinimized(bool minimized) override;
    void setMaximized(bool maximized) override;
    void removeSizeCommands() override;

    // The outer bounds of the window as it stands now.
    Rectangle currentBounds() const;

protected:
    bool filter(QObject* watched, QEvent* event) override;
    bool fillsByDefault() const override { return true; }

private:
    Qt::WindowFlags flagsFor(int style) const;
    void applyFlags();
    void layoutInside();
    void applySizeLimits();
    int menuHeight() const;
    int clientWidth() const;
    int clientHeight() const;
    bool windowFilter(QEvent* event);
    bool applicationFilter(QObject* watched, QEvent* event);
    void reportBoundsLater();
    // Takes the frame the window manager reports once it differs from the
    // reckoned one, and tells the site.
    void takeReportedFrame();

    ShellSite& m_shellSite;
    QWidget* m_content = nullptr;
    QPointer<QMenuBar> m_menuBar;
    QPointer<QPushButton> m_defaultButton;
    PeerBridge* m_appBridge = nullptr;
    // The window manager's frame: reckoned until the window manager reports
    // its own.
    QMargins m_frame;
    bool m_resizable = true;
    bool m_sizeCommands = true;
    Rectangle m_applied;
    Point m_minimum;
    bool m_minimized = false;
    bool m_boundsReportPending = false;
};

}  // namespace tk::qt
