#pragma once
// The Brightwire edition's window: a top-level window whose whole client
// area is a browser (the wrapper browser) on the edition's local pages of
// the "brtw" folder, with the tracker window (RLAppBRTW) placed in a
// rectangle of it. Clicks in the wrapper browser become tracker actions,
// popups or outside navigation; the headline frame is refreshed by a
// NewsRetriever until one update succeeded; the window's size and position
// are kept in the current-user registry.
//
// The layout was drawn for a title bar of 26 pixels: with a lower one the
// heights marked "reduced" below lose the difference, so that the tracker
// keeps its place on the page.
//
// When the machine is offline, the pages are opened with "?offline" (ad
// frames and links of such a page stay offline); going online again through
// the update button or a click-through reloads the page without it.
//
// Everything runs on the user-interface thread except the headline
// retriever and the tracker's own workers.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/RegistryUtil.h"
#include "platform/toolkit/Types.h"
#include "tracker/ui/IWrapper.h"

namespace tk {
class Browser;
class Display;
class Runnable;
class Shell;
struct Event;
}  // namespace tk

namespace portal {

class NewsRetriever;
class RLAppBRTW;

class RLBRTW : public tracker::ui::IWrapper {
public:
    // Geometry of the layout, in pixels, for a title bar of 26.
    static constexpr int REFERENCE_TITLE_BAR_HEIGHT = 26;
    static constexpr int DEFAULT_WINDOW_HEIGHT = 720;  // reduced
    static constexpr int DEFAULT_WINDOW_WIDTH = 839;
    static constexpr int ROAMLEDGER_LEFT = 15;
    static constexpr int ROAMLEDGER_TOP = 316;  // reduced
    static constexpr int ROAMLEDGER_WIDTH_REDUCTION = 34;
    static constexpr int ROAMLEDGER_HEIGHT_REDUCTION = 408;  // reduced
    static constexpr int BROWSER_WIDTH_REDUCTION = 22;
    static constexpr int BROWSER_HEIGHT_REDUCTION = 51;  // reduced
    static constexpr int BROWSER_MARGIN = 18;
    static constexpr int SHARE_POPUP_WIDTH = 527;
    static constexpr int SHARE_POPUP_HEIGHT = 345;
    static constexpr int PANEL_POPUP_WIDTH = 818;
    static constexpr int PANEL_POPUP_HEIGHT = 338;
    static constexpr int MIN_SCREEN_WIDTH = 1024;
    static constexpr int MIN_SCREEN_HEIGHT = 768;

    // The current-user registry values of the window.
    static constexpr const char* REGISTRY_KEY = "Software\\Roamledger";
    static constexpr const char* REG_WINDOW_WIDTH = "BRTWWindowWidth";
    static constexpr const char* REG_WINDOW_HEIGHT = "BRTWWindowHeight";
    static constexpr const char* REG_WINDOW_X = "BRTWWindowX";
    static constexpr const char* REG_WINDOW_Y = "BRTWWindowY";
    static constexpr const char* REG_RESOLUTION_WARNING = "BRTWResolutionWarningDisplayed";
    static constexpr int NO_POSITION = -9999;

    // The edition's pages, inside the working folder.
    static constexpr const char* PAGE_FOLDER = "brtw/";
    static constexpr const char* WELCOME_PAGE = "welcome.html";
    static constexpr const char* WELCOME_INNER_PAGE = "welcome-inner.html";
    static constexpr const char* NEWS_PAGE = "news.html";
    static constexpr const char* NEWS_PENDING_PAGE = "news-pending.html";
    static constexpr const char* EMAIL_PAGE = "email.html";
    static constexpr const char* BALANCES_PAGE = "balances.html";
    static constexpr const char* CANCEL_PAGE = "cancel.html";
    static constexpr const char* SUMMARY_PAGE = "summary.html";
    static constexpr const char* SETUP_PAGE = "setup.html";
    static constexpr const char* SHARE_PAGE = "share.html";
    static constexpr const char* CONTACT_PAGE = "contact.html";
    static constexpr const char* JOIN_PANEL_PAGE = "joinpanel.html";
    static constexpr const char* OFFLINE_PARAM = "offline";

    // Host-table roles of the edition: the opt-in server and the screen
    // resolution help pages.
    static constexpr const char* OPT_IN_ROLE = "BrightwireOptIn.site";
    static constexpr const char* RESOLUTION_HELP_XP_ROLE = "ScreenResolutionHelp.xp";
    static constexpr const char* RESOLUTION_HELP_ROLE = "ScreenResolutionHelp.other";

    // ---- The program --------------------------------------------------------------

    // Builds the window, runs it until it is disposed and ends: 0, or -1
    // when the window could not be built.
    static int main(const std::vector<std::string>& args);

    // Builds and shows the window on display (the thread's display, else a
    // new one, when none is given). A failure is logged ("Unable to contruct
    // RLBRTW") and leaves isConstructed() false.
    explicit RLBRTW(tk::Display* display = nullptr);
    ~RLBRTW() override;
    RLBRTW(const RLBRTW&) = delete;
    RLBRTW& operator=(const RLBRTW&) = delete;

    bool isConstructed() const { return m_constructed; }
    // Dispatches events until the window is disposed.
    void runEventLoop();

    // ---- IWrapper and ICleanable ------------------------------------------------------
    void updateContent() override;
    bool shouldStopHandlingNavigation(const std::string& url) override;
    void removeOfflineParamFromURLAndBrowseTo() override;
    void navigateWrapperBrowserToCancel() override;
    void navigateWrapperBrowserToBalances() override;
    int getTitleBarHeightDiff() override;
    int getRoamledgerRelativeY() override;
    int getRoamledgerRelativeX() override;
    tk::Point getRoamledgerPreferredSize(tk::Shell* shell) override;
    std::shared_ptr<tracker::ui::SetupDialog> createSetupDialog(tk::Shell* shell,
                                                                tracker::ui::BaseRLApp* window) override;
    void cleanUp() override;

    // ---- The window ---------------------------------------------------------------
    bool shouldStopHandlingNavigation(const std::string& url, const std::string& alternateUrl);
    // When url holds "offline": logs the move online, sets the
    // offline-to-online flag and sends the wrapper browser to url without
    // the parameter. Answers whether it did.
    bool removeOfflineParamFromURLAndBrowseTo(const std::optional<std::string>& url);
    tk::Point getRoamledgerPreferredSize();
    void show();
    bool isCurrentURLOffline() const;
    // url with "?offline" (or "&offline") when the machine is offline
    // (checkConnection) or the page shown now is an offline one.
    std::string appendOfflineParamIfNecessary(const std::string& url, bool checkConnection);
    void showSharePopup();
    void showPanelPopupIfNecessary();
    void displayResolutionWarningIfNecessary();
    void handleShellResize();
    void handleShellMove();
    // The wrapper browser's navigation handler.
    void handleBrowserBeforeNavigate2(tk::Event& event);

    // ---- What tests and the program see --------------------------------------------
    tk::Display* getDisplay() const { return m_display; }
    tk::Shell* getShell() const { return m_shell.get(); }
    tk::Browser* getBrowser() const { return m_browser.get(); }
    RLAppBRTW* getTrackerWindow() const { return m_rlApp.get(); }
    std::shared_ptr<NewsRetriever> getNewsRetriever() const { return m_newsRetriever; }
    tk::Shell* getSharePopup() const;
    tk::Shell* getPanelPopup() const;
    bool isOfflineToOnline() const { return m_offlineToOnline; }
    int getTitleBarHeight() const { return m_titleBarHeight; }
    int getDefaultWindowHeight() const { return m_defaultWindowHeight; }
    int getRoamledgerTop() const { return m_roamledgerTop; }
    int getRoamledgerHeightReduction() const { return m_roamledgerHeightReduction; }
    int getBrowserHeightReduction() const { return m_browserHeightReduction; }
    const std::string& getWorkingFolder() const { return m_workingFolder; }
    // The file address of a page of the edition.
    std::string pageUrl(const std::string& page) const;
    // The part of url after the edition's page folder ("cancel.html?update")
    // when url is a file address inside that folder; nothing otherwise.
    std::optional<std::string> localPage(const std::string& url) const;

private:
    void construct();
    void createShell();
    void watchForEndSignals();
    // True (and logged) when a failed construction was the end of the run
    // that a signal asked for.
    bool stoppedByEnd() const;
    void measureTitleBar();
    void placeShell();
    void createBrowser();
    void handleNavigation(tk::Event& event);
    // While a retrieval runs: the box of the two keys and true; the
    // wrapper's navigation itself goes ahead.
    bool refuseWhileChecking(const char* textKey, const char* titleKey);
    // The first of the page names that the local page begins with.
    bool isPage(const std::optional<std::string>& page, const char* name) const;
    // Online after a refresh of the connection state, or the user chose to
    // go on offline; false when the user declined.
    bool isOnlineOrAccepted(bool forLink, bool forSingleAccount);
    // A popup window over this one with a browser on url.
    std::shared_ptr<tk::Shell> openPopup(int width, int height, const std::string& title, const std::string& url,
                                         std::shared_ptr<tk::Browser>* browserOut);
    void stopNewsRetriever();
    void writeRegistryInt(const char* name, int value);
    int readRegistryInt(const char* name, int defaultValue);
    static bool isOnline();

    std::optional<foundation::RegistryUtil> m_registry;
    std::unique_ptr<tk::Display> m_ownDisplay;
    tk::Display* m_display = nullptr;
    std::shared_ptr<tk::Shell> m_shell;
    std::shared_ptr<tk::Browser> m_browser;
    tk::Cursor m_cursor;
    std::string m_workingFolder;  // ends in "/"
    tk::Point m_savedSize{NO_POSITION, NO_POSITION};
    tk::Point m_savedLocation{NO_POSITION, NO_POSITION};
    std::unique_ptr<RLAppBRTW> m_rlApp;
    int m_titleBarHeight = REFERENCE_TITLE_BAR_HEIGHT;
    int m_browserMargin = BROWSER_MARGIN;
    bool m_offlineToOnline = false;

    // The marked geometry values after the title-bar reduction.
    int m_titleBarDiff = 0;
    int m_defaultWindowHeight = DEFAULT_WINDOW_HEIGHT;
    int m_roamledgerTop = ROAMLEDGER_TOP;
    int m_roamledgerHeightReduction = ROAMLEDGER_HEIGHT_REDUCTION;
    int m_browserHeightReduction = BROWSER_HEIGHT_REDUCTION;

    std::shared_ptr<NewsRetriever> m_newsRetriever;
    std::shared_ptr<tk::Runnable> m_endSignalWatch;
    std::weak_ptr<tk::Shell> m_sharePopup;
    std::weak_ptr<tk::Shell> m_panelPopup;
    bool m_constructed = false;
    bool m_cleaningUp = false;
    // Tasks posted by popups run only while the window lives.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace portal
