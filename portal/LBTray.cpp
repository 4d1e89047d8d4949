#include "portal/LBTray.h"

#include "foundation/Logger.h"
#include "platform/toolkit/Toolkit.h"
#include "portal/LBApp.h"

namespace portal {

using foundation::Logger;

LBTray::LBTray(LBApp& app, bool isWindowsXP) : m_app(app) {
    m_imagePath = isWindowsXP ? IMAGE_XP : IMAGE_NON_XP;
    Logger::info("LBTray image path: " + m_imagePath);
    tk::Display* display = LBApp::getDisplay();
    m_image = tk::make<tk::Image>(display, m_imagePath);
    tk::Tray* tray = display->getSystemTray();
    if (tray == nullptr) {
        Logger::info("No system tray: closing the window ends Lanternbay");
    } else {
        m_trayItem = tk::make<tk::TrayItem>(tray, tk::NONE);
        m_trayItem->setImage(m_image);
        m_trayItem->setToolTipText(TOOL_TIP);
        m_trayItem->addListener(tk::Selection, [this](tk::Event&) { onClick(); });
    }

    m_menu = tk::make<tk::Menu>(app.getShell(), tk::POP_UP);
    m_open = tk::make<tk::MenuItem>(m_menu, tk::PUSH);
    m_open->setText(TEXT_OPEN);
    m_open->addListener(tk::Selection, [this](tk::Event&) { open(); });
    m_openAndUpdate = tk::make<tk::MenuItem>(m_menu, tk::PUSH);
    m_openAndUpdate->setText(TEXT_OPEN_AND_UPDATE);
    m_openAndUpdate->addListener(tk::Selection, [this](tk::Event&) {
        open();
        m_app.launchRetriever(true, true);
    });
    m_hide = tk::make<tk::MenuItem>(m_menu, tk::PUSH);
    m_hide->setText(TEXT_HIDE);
    m_hide->addListener(tk::Selection, [this](tk::Event&) { m_app.hide(); });
    m_exit = tk::make<tk::MenuItem>(m_menu, tk::PUSH);
    m_exit->setText(TEXT_EXIT);
    m_exit->addListener(tk::Selection, [this](tk::Event&) { m_app.showMiniIfHiddenThenExit(); });

    if (m_trayItem) m_trayItem->addListener(tk::MenuDetect, [this](tk::Event&) { onMenuRequest(); });
}

LBTray::~LBTray() { dispose(); }

bool LBTray::hasIcon() const { return m_trayItem && !m_trayItem->isDisposed(); }

void LBTray::dispose() {
    if (m_image && !m_image->isDisposed() && m_image->getDisplay() && !m_image->getDisplay()->isDisposed()) {
        m_image->dispose();
    }
    if (m_trayItem && !m_trayItem->isDisposed()) m_trayItem->dispose();
    if (m_menu && !m_menu->isDisposed()) m_menu->dispose();
}

void LBTray::open() { m_app.show(); }

bool LBTray::isWindowShown() const {
    // A minimised window is brought back as a hidden one is.
    const tk::Shell* shell = m_app.getShell();
    return shell->getVisible() && !shell->getMinimized();
}

void LBTray::onClick() {
    if (isWindowShown()) {
        m_app.hide();
    } else {
        m_app.show();
    }
}

void LBTray::onMenuRequest() {
    const bool retrieving = LBApp::isRetrievalInProgress();
    m_exit->setEnabled(!retrieving);
    m_exit->setText(retrieving ? TEXT_EXIT_DISABLED : TEXT_EXIT);
    const bool shown = isWindowShown();
    m_open->setEnabled(!shown);
    m_openAndUpdate->setEnabled(!shown && !retrieving);
    m_hide->setEnabled(m_app.getShell()->getVisible());
    if (m_startupComplete) m_menu->setVisible(true);
}

}  // namespace portal
