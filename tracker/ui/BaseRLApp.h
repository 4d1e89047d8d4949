#pragma once
// The tracker window: an embedded browser showing the result pages, a row of
// buttons, a progress bar and a File / Setup / Help menu bar. One class
// serves the four editions; the edition is the application type given to
// init and kept in a static for the whole process, so that the engine, the
// preferences, the dialogs and the upgrade client can ask for it. Editions
// derive from it only to call init and to override the edition hooks.
//
// The window starts and cancels retrievals, takes the engine's calls (on
// the engine's and the account threads, each turned into a task for the
// user-interface thread), acts on the "http://rl/" page actions of the
// result pages, and owns the end of the process: cleanUp saves what the run
// changed, stops every thread the window started and ends the process.
//
// Everything but the statics and the engine callbacks runs on the
// user-interface thread. Each engine gets its own callback object with its
// own cancel flag; calls of an engine that is no longer the window's current
// one are ignored.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/toolkit/Types.h"

namespace tk {
class Browser;
class Button;
class Composite;
class Control;
class Display;
class Image;
class Menu;
class MenuItem;
class ProgressBar;
class Shell;
struct Event;
}  // namespace tk

namespace tracker {
class RLEngine;
class RLSource;
}  // namespace tracker

namespace tracker::ui {

class BaseDialog;
class ICleanable;
class IUpgrader;
class IWrapper;
class SetupDialog;

class BaseRLApp {
public:
    static constexpr int APP_TYPE_LANTERNBAY = 0;
    static constexpr int APP_TYPE_FARHAVEN = 1;
    static constexpr int APP_TYPE_BRTW = 2;
    static constexpr int APP_TYPE_ROAMBAY = 3;

    static constexpr int PROGRESS_BAR_HEIGHT = 16;
    // The navigator program sits in the install folder, which is the
    // working folder.
    static constexpr const char* NAVIGATOR_EXE_PATH = "./Navigator";
    static constexpr const char* PSEUDO_LINK = "http://rl/";

    // Button texts and the icon file, read from the catalogue once.
    static const std::string& BUTTON_TEXT_UPDATE();
    static const std::string& BUTTON_TEXT_CANCEL();
    static const std::string& ICON_PATH();

    // ---- Statics: callable from any thread -------------------------------------

    // 0 until the window is created.
    static int getAppType() { return m_appType.load(); }
    static bool isAppTypeLanternbay() { return getAppType() == APP_TYPE_LANTERNBAY; }
    static bool isAppTypeFarhaven() { return getAppType() == APP_TYPE_FARHAVEN; }
    static bool isAppTypeBRTW() { return getAppType() == APP_TYPE_BRTW; }
    static bool isAppTypeRoambay() { return getAppType() == APP_TYPE_ROAMBAY; }
    static bool isAppTypeBranded() { return isAppTypeBRTW() || isAppTypeRoambay(); }

    // The display the window was built on; nullptr before.
    static tk::Display* getDisplay() { return m_display.load(); }
    // The top-level shell that holds the window (its own or the host's);
    // nullptr before.
    static tk::Shell* getShell() { return m_parentShell.load(); }
    // The identifier the host gave the window; empty when none.
    static std::string getParentUUID();
    static bool isCheckInProgress() { return m_isCheckInProgress.load(); }

    // Set by the window while it is built and as retrievals start and end;
    // tools without a window set them themselves.
    static void setAppType(int appType) { m_appType.store(appType); }
    static void setDisplay(tk::Display* display) { m_display.store(display); }
    static void setShell(tk::Shell* shell) { m_parentShell.store(shell); }
    static void setParentUUID(const std::string& uuid);
    static void setCheckInProgress(bool inProgress) { m_isCheckInProgress.store(inProgress); }

    // The log file of the tracker: internal product name + ".log", verbose,
    // echoed to the console.
    static void initLogger();
    // cleanUp of the current window (nothing when there is none).
    static void staticCleanUp(bool viaWrapper);

    // How the process ends (after cleanUp): the default flushes the log and
    // the standard streams and ends the process with the status at once.
    // Tests put a recorder here; nullptr restores the default.
    using ProcessEnd = std::function<void(int status)>;
    static void setProcessEnd(ProcessEnd end);
    // Ends the process that way (the upgrade client ends it here too).
    static void endProcess(int status);

    // ---- The window ---------------------------------------------------------------

    BaseRLApp();
    virtual ~BaseRLApp();
    BaseRLApp(const BaseRLApp&) = delete;
    BaseRLApp& operator=(const BaseRLApp&) = delete;

    // Builds the window. style is the toolkit style of the own shell or
    // panel; parent is the host shell (types 0, 2, 3; ignored in type 1);
    // display may be nullptr in type 1 (then the thread's display, else the
    // default one). A failure is logged ("Could not initialize app") and the
    // window stays as far as it was built.
    void init(int appType, tk::Display* display, tk::Shell* parent, int style, bool showDetailsColumn,
              bool showNavColumn, const std::string& parentUUID, IWrapper* wrapper);

    void show();
    void hide();
    void setSize(const tk::Point& size);
    void setSize(int width, int height) { setSize(tk::Point{width, height}); }
    // y moves by the wrapper's title-bar difference when there is a wrapper.
    void setLocation(int x, int y);
    // The shell that owns the menus and dialogs.
    tk::Shell* getMenuAndDialogShell() const;
    void enableSetupAndOptions(bool enabled);

    // The dialogs of the window. Each opens its dialog and returns without
    // waiting for it to end.
    void showSetupDialog();
    void showOptionsDialog();
    void showHelpBugDialog();
    void showAboutDialog();

    // ---- Edition hooks ------------------------------------------------------------
    virtual IWrapper* getWrapper();
    // The edition's upgrader, or nullptr when the edition makes no upgrade
    // checks of its own.
    virtual std::shared_ptr<IUpgrader> getUpgraderInstance(ICleanable* cleanable);
    virtual std::shared_ptr<SetupDialog> getSetupDialog();
    virtual std::string getRegistryKeyPrefix();
    virtual std::string getExeName();
    virtual std::shared_ptr<tracker::RLEngine> getEngine();
    virtual std::string getAdFilter();
    virtual std::shared_ptr<tk::Image> getIcon();
    // The Users and Accounts dialog ended.
    void nullSetupDialog();
    // Keeps a dialog of the window for as long as its shell lives; the
    // dialog is dropped once the shell is gone.
    void keepDialog(const std::shared_ptr<BaseDialog>& dialog);
    // The dialogs kept now, oldest first.
    std::vector<BaseDialog*> getDialogs() const;

    // ---- Retrieval control --------------------------------------------------------

    // Starts a retrieval (no key: all accounts; a key and a user: that one
    // account), or cancels the one that runs.
    void updateBalances(const std::optional<std::string>& programKey, int userIndex);
    // A new engine, prepared and its pages written; never started.
    void initEngine(bool writeStyleAndScript, bool markAllPending, bool writeInterstitial,
                    const std::optional<std::string>& programKey, int userIndex, bool showBalances,
                    bool noNavigation);
    // After the user changed accounts or options.
    void rebuildOutputAfterChanges(bool retrieve, bool rewriteStyleAndScript);
    void navigateBrowserToBalances();
    void navigateBrowserToSummary();
    void navigateBrowserToInterstitial();
    // The offline question; true means go on (and assume a connection for
    // the rest of the run).
    static bool promptUserNotConnected(tk::Shell* shell, bool forLink, bool forSingleAccount, bool forNavigation,
                                       const std::string& url);

    // ---- Page actions ---------------------------------------------------------------

    // The browser's location-changing handler.
    void handleBrowserBeforeNavigate2(tk::Event& event);
    // The portal's header-ad script line (portal edition only).
    void printAdIfLanternbay(std::string& buffer, const std::string& subcategory);

    // ---- Clean-up and backups -----------------------------------------------------

    // The exit path: ends the process unless it hands over to the wrapper.
    void cleanUp(bool viaWrapper);
    void checkForUpgrade();

    // ---- Menu actions -------------------------------------------------------------
    void event_mniFileSave();
    void event_mniFilePageSetup();
    void event_mniFilePrint();
    void event_mniFilePrintPreview();
    void event_mniFileExit();
    void event_mniSetupSetup();
    void event_mniSetupOptions();
    void event_mniSetupBackup();
    void event_mniHelpDoc();
    void event_mniHelpWebsite();
    void event_mniHelpBug();
    void event_mniHelpAbout();

    // ---- What the editions, dialogs and tests see of the window ---------------------
    tk::Composite* getComposite() const;
    tk::Browser* getBrowser() const;
    tk::ProgressBar* getProgressBar() const;
    tk::Composite* getButtons() const;
    tk::Button* getUpdateButton() const;
    tk::Button* getSetupButton() const;
    tk::Button* getOptionsButton() const;
    tk::Button* getBugButton() const;
    tk::Menu* getMenu() const;
    tk::MenuItem* getSetupMenuItem() const;
    tk::MenuItem* getOptionsMenuItem() const;
    const std::string& getResultsDir() const { return m_resultsDir; }
    const std::string& getResultsDirAlt() const { return m_resultsDirAlt; }
    bool isShowDetailsColumn() const { return m_showDetailsColumn; }
    bool isShowNavColumn() const { return m_showNavColumn; }
    int getNumUpgradeChecks() const { return numUpgradeChecks; }

protected:
    void createIcon();
    void createMenus();
    void createButtons();
    void baseInit();
    std::shared_ptr<tk::Button> createButton(const std::string& text, int x, int y, std::function<void()> action);
    std::shared_ptr<tk::MenuItem> createMenuItem(const std::shared_ptr<tk::Menu>& menu, const std::string& textKey,
                                                 bool withDots, const std::string& accelKey,
                                                 std::function<void()> action);
    // Places the controls for the container's client area.
    void layout();

private:
    class EngineLink;

    void buildWindow(int appType, tk::Display* display, tk::Shell* parent, int style);
    void setResultsDir(const std::string& workingFolder);
    void fillEnvironmentSeams();
    void retrievalDone(const std::shared_ptr<tracker::RLEngine>& engine);
    void runUpgradeCheck();
    bool isCurrentEngine(const std::shared_ptr<tracker::RLEngine>& engine) const;
    // Asks every thread the window started to stop and waits for each,
    // within timeoutMs in all; answers whether all have ended.
    bool stopThreads(int64_t timeoutMs);
    void openPopup(int width, int height, const std::string& title, const std::string& keepPrefix);
    void writePopupPage(const std::string& html);
    void openTotalChart(const std::string& url, const std::string& action);
    void openDetails(const std::string& url, const std::string& action, const std::string& key);
    void runSingleCheck(const std::string& url, const std::string& action, const std::string& key);
    void runNavigator(const std::string& url, const std::string& action, const std::string& key);
    bool isOfflineAndDeclined(const std::string& url, bool forNavigation);

    static std::atomic<int> m_appType;
    static std::atomic<tk::Display*> m_display;
    static std::atomic<tk::Shell*> m_parentShell;
    static std::mutex m_parentUUIDLock;
    static std::string m_parentUUID;
    static std::atomic<bool> m_isCheckInProgress;
    static std::atomic<BaseRLApp*> m_self;

    std::shared_ptr<tracker::RLEngine> m_engine;
    std::shared_ptr<EngineLink> m_engineLink;
    IWrapper* m_wrapper = nullptr;
    std::string m_resultsDir;
    std::string m_resultsDirAlt;

    // The host shell (types 0, 2, 3) is not ours: only a pointer.
    tk::Shell* m_hostShell = nullptr;
    std::shared_ptr<tk::Composite> m_composite;
    std::shared_ptr<tk::Browser> m_browser;
    std::shared_ptr<tk::Composite> m_buttons;
    std::shared_ptr<tk::ProgressBar> m_progressBar;
    std::shared_ptr<tk::Image> m_icon;
    std::shared_ptr<tk::Menu> m_menu;
    std::shared_ptr<tk::Button> m_btnSetup;
    std::shared_ptr<tk::Button> m_btnOptions;
    std::shared_ptr<tk::Button> m_btnUpdate;
    std::shared_ptr<tk::Button> m_btnBug;
    std::shared_ptr<tk::MenuItem> m_mnuSetupSetup;
    std::shared_ptr<tk::MenuItem> m_mnuSetupOptions;
    std::shared_ptr<SetupDialog> m_setupDialog;
    std::vector<std::shared_ptr<BaseDialog>> m_dialogs;
    int numUpgradeChecks = 0;
    bool m_showDetailsColumn = false;
    bool m_showNavColumn = false;

    // Every engine this window started, with the account threads each
    // started, until they are known to have ended.
    std::vector<std::shared_ptr<EngineLink>> m_startedLinks;
    // Tasks posted by engine callbacks run only while this lives.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace tracker::ui
