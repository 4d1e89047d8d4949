#pragma once
// The Lanternbay portal: a small window of two browser panes over the local
// content pages, the Tiraleaf panel along its bottom, a tray icon, and the
// tracker window placed over the inner pane on the balances page.
//
// main() decides between a start at logon (no argument) and a start by
// hand, builds the portal, runs the event loop until the main shell is
// disposed, then ends a running content refresh and cleans up. The portal
// refreshes its content pages on a timer, one refresh at a time; a refresh
// runs on threads of its own and hands its completion back to the
// user-interface thread.
//
// Everything runs on the user-interface thread except
// handleRetrieverCompletion and isVisible, which a refresh calls on its
// own thread, and the in-progress flag, which any thread may read.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/toolkit/Types.h"
#include "portal/retriever/IRetrieverApp.h"
#include "tracker/ui/ICleanable.h"

namespace tk {
class Browser;
class Display;
class Image;
class Shell;
class Runnable;
struct Event;
}  // namespace tk

namespace tracker::ui {
class RLAppLanternbay;
}

namespace foundation {
class AsynchURL;
class RegistryUtil;
}  // namespace foundation

namespace portal {

namespace retriever {
class LBRetriever;
}

class LBTray;
class PopupMenu;

class LBApp : public tracker::ui::ICleanable, public retriever::IRetrieverApp {
public:
    static constexpr const char* LOG_FILE = "Lanternbay.log";
    static constexpr const char* ICON_FILE = "Lanternbay.ico";
    static constexpr const char* TITLE = "Lanternbay";
    static constexpr const char* STARTUP_OVERRIDE_FILE = "Lanternbay.startupoverride";
    static constexpr const char* REGISTRY_KEY = "Software\\Lanternbay";
    static constexpr const char* REG_KEY_WINDOW_LEFT = "WindowLeft";
    static constexpr const char* REG_KEY_WINDOW_TOP = "WindowTop";
    static constexpr const char* REG_KEY_RESOLUTION_WARNING = "ResolutionWarningDisplayed";
    static constexpr const char* LAUNCHER = "LanternbayLauncher";
    static constexpr const char* LAUNCHER_NEW = "LanternbayLauncher.new";
    static constexpr const char* LAUNCHER_OLD = "LanternbayLauncher.old";
    static constexpr const char* BUILD_VERSION = "20060430";
    static constexpr const char* LAUNCH_REPORT_PATH = "/lanternbay/launch20060430.php";
    static constexpr const char* CONTENT_FOLDER = "content/";

    static constexpr int DEFAULT_WINDOW_POSITION = -9999;
    static constexpr int SHELL_WIDTH = 876;
    static constexpr int SHELL_HEIGHT = 688;
    static constexpr int OUTER_BROWSER_WIDTH = 886;
    static constexpr int INNER_BROWSER_WIDTH = 711;
    static constexpr int INNER_BROWSER_Y = 100;
    static constexpr int INNER_BROWSER_HEIGHT = 532;
    // The tracker window covers the inner pane from this far in: 133 and 129
    // from the window's corner under the frame the layout was drawn for (a
    // 3-pixel border below a 26-pixel title bar), the same place of the
    // client area under any other frame.
    static constexpr int TRACKER_X = 130;
    static constexpr int TRACKER_WIDTH = 581;
    // The title bar the layout was drawn for.
    static constexpr int XP_TITLE_BAR_HEIGHT = 26;
    static constexpr int MAX_UPGRADE_CHECKS = 2;
    static constexpr int DEFAULT_UPDATE_MINUTES = 20;
    static constexpr int MAX_UPDATE_MINUTES = 32767;

    // The page pairs: outer page, inner page.
    struct PagePair {
        const char* outer;
        const char* inner;
    };
    static const std::vector<PagePair>& pagePairs();

    // ---- Entry and life ---------------------------------------------------------

    // The program: builds the portal (unless a start at logon is overridden),
    // runs it until its window is disposed and cleans up. Answers the exit
    // status, always 0. When the tracker window was opened, its clean-up
    // ends the process itself.
    static int main(const std::vector<std::string>& args);
    // The portal of this process while it is built and runs; nullptr
    // before and after.
    static LBApp* getInstance() { return s_instance.load(); }

    // Builds the portal on the thread's display (a new one when the thread
    // has none). A failure is logged and leaves the portal as far as it was
    // built; a portal left without its window or its tray icon disposes its
    // window, so that the loop ends at once.
    explicit LBApp(bool launchedOnStartup);
    ~LBApp() override;
    LBApp(const LBApp&) = delete;
    LBApp& operator=(const LBApp&) = delete;

    // Dispatches events until the main shell is disposed.
    void runEventLoop();
    // After the loop: ends a running refresh, cleans up and waits for it.
    void afterEventLoop();

    // ICleanable.
    void cleanUp() override;

    static void initLogger();
    void setShellSize();
    void setShellLocation(int left, int top);
    // The installation identifier the panel gave; "" before.
    static std::string getGUID();
    static bool isRetrievalInProgress() { return s_isRetrievalInProgress.load(); }

    void checkForUpgrade();
    void submitLaunchStats();
    void displayResolutionWarningIfNecessary();
    void startFreshTimer();
    void endExistingTimer();
    // The refresh interval for the panel's minutes text: whole minutes
    // within 1..32767, in milliseconds; text that is no whole number keeps
    // previousMs (20 minutes when there is none).
    static int64_t updateFrequencyMs(const std::string& minutesText, std::optional<int64_t> previousMs);

    // ---- The window and its panes ----------------------------------------------

    void show();
    void hide();
    void showMiniIfHiddenThenExit();
    void exit();
    void navigateOuterBrowser(const std::string& page, bool isLocal);
    void navigateInnerBrowser(const std::string& page, bool isLocal);
    std::string getOuterBrowserLocation() const;
    std::string getInnerBrowserLocation() const;
    void launchRetriever(bool allSources, bool userInitiated) { launchRetriever(allSources, userInitiated, false); }
    void launchRetriever(bool allSources, bool userInitiated, bool preferenceSensitive);
    void indicateProgress(bool on);
    void handleOuterBrowserBeforeNavigate2(tk::Event& event);
    void handleInnerBrowserBeforeNavigate2(tk::Event& event);
    void initRoamledger();
    void showSharePopup();
    bool shouldInnerUpdateWhenDone() const;
    bool shouldOuterUpdateWhenDone() const;
    // Opens the address in the user's own browser; blank pages and the
    // advertising pixel are never opened.
    static void navigateExternally(const std::string& url);

    // IRetrieverApp: called by a refresh on its own thread.
    bool isVisible() const override { return m_visible.load(); }
    void handleRetrieverCompletion() override;

    // ---- What the tray, the panel's host and tests see -------------------------

    static tk::Display* getDisplay() { return s_display.load(); }
    tk::Shell* getShell() const { return m_shell.get(); }
    tk::Browser* getOuterBrowser() const { return m_outerBrowser.get(); }
    tk::Browser* getInnerBrowser() const { return m_innerBrowser.get(); }
    tk::Browser* getProgressBrowser() const { return m_progressBrowser.get(); }
    tk::Shell* getSharePopup() const;
    PopupMenu* getPopupMenu() const { return m_popupMenu.get(); }
    LBTray* getTray() const { return m_tray.get(); }
    tracker::ui::RLAppLanternbay* getTrackerWindow() const { return m_rlApp.get(); }
    std::shared_ptr<retriever::LBRetriever> getCurrentRetriever() const { return m_currentRetriever; }
    std::shared_ptr<foundation::AsynchURL> getLaunchReport() const { return m_launchReport; }
    const std::string& getContentPath() const { return m_contentPath; }
    const std::string& getContentURLPath() const { return m_contentURLPath; }
    // The file address of a page of the content folder.
    std::string contentUrl(const std::string& page) const;
    bool isLocal(const std::string& url) const;
    bool isLaunchedOnStartup() const { return m_launchedOnStartup; }
    bool isFirstRetrievalDone() const { return m_firstRetrievalDone; }
    bool arePreferencesLoaded() const { return m_preferencesLoaded; }
    int getTitleBarHeight() const { return m_titleBarHeight; }
    int getInnerBrowserHeight() const { return m_innerBrowserHeight; }
    // Where the tracker window stands on the screen.
    tk::Point getTrackerLocation() const;
    int getNumUpgradeChecks() const { return numUpgradeChecks; }
    int64_t getUpdateFrequencyMs() const { return m_prefUpdateFrequency.value_or(0); }
    bool hasPendingTimer() const { return m_timer != nullptr; }
    // True while the start's last steps wait for the first page.
    bool areStartStepsPending() const { return m_startStepsTimer != nullptr; }

    // The preference values the panel delivered.
    const std::string& getPrefZipCode() const { return m_prefZipCode; }
    const std::string& getPrefTVGuideEmail() const { return m_prefTVGuideEmail; }
    const std::string& getPrefOrbitzDefaultDeparture() const { return m_prefOrbitzDefaultDeparture; }
    const std::string& getPrefMapquestDefaultStreet() const { return m_prefMapquestDefaultStreet; }
    const std::string& getPrefMapquestDefaultCity() const { return m_prefMapquestDefaultCity; }
    const std::string& getPrefMapquestDefaultState() const { return m_prefMapquestDefaultState; }
    const std::string& getPrefMapquestDefaultZipCode() const { return m_prefMapquestDefaultZipCode; }
    const std::string& getPrefTraySize() const { return m_prefTraySize; }
    bool getPrefUpdateOnLaunch() const { return m_prefUpdateOnLaunch; }
    bool getPrefUnloadOnHide() const { return m_prefUnloadOnHide; }
    bool getPrefLaunchOnStartup() const { return m_prefLaunchOnStartup; }

    // The body of the launch report (what submitLaunchStats posts).
    std::string buildLaunchStats() const;
    // The installation's launcher files: a delivered one replaces the
    // running one, which is kept as the old one.
    static void swapLauncher();

private:
    friend class LBTray;
    friend class PopupMenu;

    void construct();
    // The start's steps that the first page does not need run once the
    // inner pane has its first page (or a limit has passed).
    void awaitFirstPage();
    void runStartSteps();
    // Shows and activates the window, without the refresh of show().
    void showWindow();
    void createShell();
    void placeShell();
    void createPopupMenu();
    void createBrowsers();
    void addShellListeners();
    void handleConstructionFailure();
    void watchForEndSignals();
    // True once the run was asked to end (a signal) or its window went
    // while it was being built; stopIfEnding then stops the construction.
    bool isEnding() const;
    void stopIfEnding() const;
    void completeRetrieval();
    void openMessageCenter(const std::string& url);
    void fireTimer();
    void placeTrackerWindow();
    void placeInnerBrowser(int y, int height);
    void saveWindowPosition();
    // The connection state, from the panel when there is one.
    bool isConnected();
    std::shared_ptr<foundation::RegistryUtil> registry();
    static std::string pageOf(const std::string& url);
    static void setGUID(const std::string& guid);

    static std::atomic<LBApp*> s_instance;
    static std::atomic<tk::Display*> s_display;
    static std::atomic<bool> s_isRetrievalInProgress;

    std::unique_ptr<tk::Display> m_ownDisplay;
    tk::Display* m_display = nullptr;
    std::shared_ptr<tk::Shell> m_shell;
    std::shared_ptr<tk::Image> m_icon;
    std::shared_ptr<tk::Browser> m_outerBrowser;
    std::shared_ptr<tk::Browser> m_innerBrowser;
    std::shared_ptr<tk::Browser> m_progressBrowser;
    std::weak_ptr<tk::Shell> m_sharePopup;
    std::unique_ptr<PopupMenu> m_popupMenu;
    std::unique_ptr<LBTray> m_tray;
    std::unique_ptr<tracker::ui::RLAppLanternbay> m_rlApp;
    std::shared_ptr<retriever::LBRetriever> m_currentRetriever;
    std::shared_ptr<foundation::AsynchURL> m_launchReport;
    std::shared_ptr<foundation::RegistryUtil> m_registry;
    std::shared_ptr<tk::Runnable> m_timer;
    std::shared_ptr<tk::Runnable> m_endSignalWatch;
    // The limit for the first page, and the wait from its load to its
    // showing.
    std::shared_ptr<tk::Runnable> m_startStepsTimer;
    std::shared_ptr<tk::Runnable> m_firstPaintTimer;
    int m_firstPageListener = 0;
    // Completion tasks run only while the portal lives.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);

    std::string m_workingDir;
    std::string m_contentPath;
    std::string m_contentURLPath;
    std::string m_currentOuterURL = "about:blank";
    std::string m_currentInnerURL = "about:blank";

    bool m_launchedOnStartup = false;
    bool m_constructed = false;
    bool m_cleanedUp = false;
    bool m_startStepsDone = false;
    bool m_firstRetrievalDone = false;
    bool m_preferencesLoaded = false;
    std::atomic<bool> m_visible{false};
    int m_titleBarHeight = XP_TITLE_BAR_HEIGHT;
    int m_innerBrowserHeight = INNER_BROWSER_HEIGHT;
    int numUpgradeChecks = 0;

    static std::string m_prefGuid;
    std::string m_prefZipCode;
    std::string m_prefTVGuideEmail;
    std::string m_prefMapquestDefaultStreet;
    std::string m_prefMapquestDefaultCity;
    std::string m_prefMapquestDefaultState;
    std::string m_prefMapquestDefaultZipCode;
    std::string m_prefOrbitzDefaultDeparture;
    std::string m_prefTraySize = "Large";
    bool m_prefUpdateOnLaunch = false;
    bool m_prefUnloadOnHide = false;
    bool m_prefLaunchOnStartup = true;
    // Milliseconds; none until the panel or the timer set it.
    std::optional<int64_t> m_prefUpdateFrequency;
};

}  // namespace portal
