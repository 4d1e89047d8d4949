#pragma once
// The portal's icon in the tray and its menu, the one way to end the
// program from the desktop. A click shows or hides the window; the menu
// opens it, opens it and refreshes every page, hides it or exits. Exit is
// disabled while content is refreshed, and no menu shows before the portal
// has finished starting.
//
// Under a window system without a tray there is no icon: hasIcon() is
// false and the portal's window is reached and closed directly.

#include <memory>
#include <string>

namespace tk {
class Image;
class Menu;
class MenuItem;
class TrayItem;
}  // namespace tk

namespace portal {

class LBApp;

class LBTray {
public:
    static constexpr const char* IMAGE_XP = "images/internal/tray-small-xp.bmp";
    static constexpr const char* IMAGE_NON_XP = "images/internal/tray-small-nonxp.bmp";
    static constexpr const char* TOOL_TIP = "Lanternbay";
    static constexpr const char* TEXT_OPEN = "&Open";
    static constexpr const char* TEXT_OPEN_AND_UPDATE = "Open and &Update";
    static constexpr const char* TEXT_HIDE = "&Hide";
    static constexpr const char* TEXT_EXIT = "&Exit";
    static constexpr const char* TEXT_EXIT_DISABLED = "&Exit (Disabled during page updates)";

    // The image is read from the working folder; a missing image is a
    // failure of the portal's construction.
    LBTray(LBApp& app, bool isWindowsXP);
    ~LBTray();
    LBTray(const LBTray&) = delete;
    LBTray& operator=(const LBTray&) = delete;

    void dispose();
    bool hasIcon() const;
    void setStartupComplete(bool complete) { m_startupComplete = complete; }
    bool isStartupComplete() const { return m_startupComplete; }

    const std::string& getImagePath() const { return m_imagePath; }
    tk::TrayItem* getTrayItem() const { return m_trayItem.get(); }
    tk::Menu* getMenu() const { return m_menu.get(); }
    tk::MenuItem* getOpenItem() const { return m_open.get(); }
    tk::MenuItem* getOpenAndUpdateItem() const { return m_openAndUpdate.get(); }
    tk::MenuItem* getHideItem() const { return m_hide.get(); }
    tk::MenuItem* getExitItem() const { return m_exit.get(); }

private:
    // Visible and not minimised.
    bool isWindowShown() const;
    void onClick();
    void onMenuRequest();
    void open();

    LBApp& m_app;
    std::string m_imagePath;
    std::shared_ptr<tk::Image> m_image;
    std::shared_ptr<tk::TrayItem> m_trayItem;
    std::shared_ptr<tk::Menu> m_menu;
    std::shared_ptr<tk::MenuItem> m_open;
    std::shared_ptr<tk::MenuItem> m_openAndUpdate;
    std::shared_ptr<tk::MenuItem> m_hide;
    std::shared_ptr<tk::MenuItem> m_exit;
    bool m_startupComplete = false;
};

}  // namespace portal
