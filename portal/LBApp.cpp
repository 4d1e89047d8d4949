#include "portal/LBApp.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <optional>

#include "foundation/AsynchURL.h"
#include "foundation/EnvUtil.h"
#include "foundation/FileUtil.h"
#include "foundation/HostTable.h"
#include "foundation/JNIUtil.h"
#include "foundation/Logger.h"
#include "foundation/QuietEnd.h"
#include "foundation/RegistryUtil.h"
#include "foundation/StrUtil.h"
#include "foundation/ThreadUtil.h"
#include "platform/system/NumberText.h"
#include "platform/toolkit/Toolkit.h"
#include "portal/LBTray.h"
#include "portal/MessageCenter.h"
#include "portal/PopupMenu.h"
#include "portal/retriever/LBRetriever.h"
#include "tracker/core/BaseEngine.h"
#include "tracker/ui/RLAppLanternbay.h"
#include "tracker/ui/SWTUtil.h"
#include "tracker/ui/SetupDialog.h"
#include "tracker/ui/Upgrader.h"

namespace portal {

using foundation::FileUtil;
using foundation::HostTable;
using foundation::Logger;
using foundation::StrUtil;
using tracker::ui::SWTUtil;

namespace {

const char* const PREFERENCE_SENSITIVE_SOURCES = "brightwire|weatherbug|moviefone|tvguide";
const char* const AD_SERVERS[] = {"AdServer1.site", "AdServer2.site", "AdServer3.site"};
const char* const AD_PIXEL_SITE = "PortalAds.site";
const char* const AD_PIXEL_PATH = "/PointRoll/Media/banners/tran1x1.gif";
const char* const WEBSITE = "LanternbayWeb.site";
const char* const RESOLUTION_HELP_PATH =
    "/FAQs.htm#Screen_resolution_-_what_can/should_I_do_if_Lanternbay_is_filling_my_entire_screen";
const char* const RESOLUTION_TITLE = "Resolution Too Low";
const char* const NO_CONNECTION_TITLE = "No Internet Connection";
const char* const NO_CONNECTION_TEXT = "No Internet connection is available to download updated content.";
const char* const UPDATE_ANIMATION = "update-anim.html";
const char* const SHARE_PAGE = "share.html";
// Pages without content of their own to refresh.
const char* const STATIC_PAGES[] = {"mapquest", "whitepages", "dictionary", "orbitz", "roamledger"};
const char* const INNER_RELOADED[] = {"moviefone", "brightwire", "weatherbug", "tvguide", "bloomberg"};
const char* const OUTER_RELOADED[] = {"moviefone", "bloomberg"};
const char* const MAIN_THREAD_NAME = "main";

constexpr int PROGRESS_WIDTH = 185;
constexpr int PROGRESS_HEIGHT = 160;
constexpr int SHARE_BROWSER_WIDTH = 439;
constexpr int SHARE_WIDTH = 421;
constexpr int SHARE_HEIGHT = 261;
constexpr int MIN_SCREEN_WIDTH = 1024;
constexpr int MIN_SCREEN_HEIGHT = 768;
constexpr int64_t MS_PER_MINUTE = 60000;
// How long the end of the program waits for a refresh it told to end.
constexpr int64_t RETRIEVER_END_WAIT_MS = 20000;
constexpr int RETRIEVER_POLL_MS = 100;
// How long the start's last steps wait for the first page at most.
constexpr int START_STEPS_LIMIT_MS = 15000;
// From the first page loaded to its showing on the screen.
constexpr int FIRST_PAINT_MS = 200;

std::mutex g_guidLock;

// Thrown to stop a construction the run no longer needs; no failure.
struct RunEnding {};

bool containsAny(const std::string& text, const char* const* parts, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (StrUtil::contains(text, parts[i])) return true;
    }
    return false;
}

template <size_t N>
bool containsAny(const std::string& text, const char* const (&parts)[N]) {
    return containsAny(text, parts, N);
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string fileUrlPath(const std::string& path) {
    // The address form of a path, without its scheme.
    const std::string url = tracker::BaseEngine::toFileURL(path);
    return url.substr(std::string("file://").size());
}

}  // namespace

std::atomic<LBApp*> LBApp::s_instance{nullptr};
std::atomic<tk::Display*> LBApp::s_display{nullptr};
std::atomic<bool> LBApp::s_isRetrievalInProgress{false};
std::string LBApp::m_prefGuid;

const std::vector<LBApp::PagePair>& LBApp::pagePairs() {
    static const std::vector<PagePair> pairs = {
        {"roamledger.html", "roamledger-inner.html"}, {"mapquest.html", "mapquest-inner.html"},
        {"whitepages.html", "whitepages-inner.html"}, {"dictionary.html", "dictionary-inner.html"},
        {"orbitz.html", "orbitz-inner.html"},         {"brightwire.html", "brightwire-inner.html"},
        {"weatherbug.html", "weatherbug-inner.html"}, {"bloomberg.html", "bloomberg-inner.html"},
        {"moviefone.html", "moviefone-inner.html"},   {"tvguide.html", "tvguide-inner.html"},
    };
    return pairs;
}

// ---------------------------------------------------------------------------
// Entry

int LBApp::main(const std::vector<std::string>& args) {
    initLogger();
    try {
        bool launchedOnStartup = false;
        if (args.empty()) {
            Logger::info("Launch at startup");
            if (FileUtil::doesFileExist(STARTUP_OVERRIDE_FILE)) {
                Logger::info("Startup override file exists.  Exiting.");
                return 0;
            }
            Logger::info("No startup override file");
            launchedOnStartup = true;
        }
        std::optional<LBApp> app;
        try {
            app.emplace(launchedOnStartup);
            app->runEventLoop();
        } catch (const std::exception& failure) {
            Logger::error("Unhandled throwable in main", failure);
        } catch (...) {
            Logger::error("Unhandled throwable in main");
        }
        // However the loop ended, a portal that had its window ends through
        // its clean-up, which saves the tracker's statistics and history.
        if (app && app->getShell()) app->afterEventLoop();
    } catch (const std::exception& failure) {
        Logger::error("Unhandled throwable in main", failure);
    } catch (...) {
        Logger::error("Unhandled throwable in main");
    }
    return 0;
}

void LBApp::initLogger() {
    Logger::setLogFilePath(LOG_FILE);
    Logger::setLevel(Logger::LEVEL_INFO);
    Logger::setUseConsole(true);
}

LBApp::LBApp(bool launchedOnStartup) : m_launchedOnStartup(launchedOnStartup) {
    s_instance.store(this);
    bool ending = false;
    try {
        construct();
        m_constructed = true;
    } catch (const RunEnding&) {
        ending = true;
    } catch (const std::exception& failure) {
        // A step that failed because its window went with the end of the run
        // is no failure of the start.
        ending = isEnding();
        if (!ending) Logger::error("Unable to contruct LBApp", failure);
    } catch (...) {
        ending = isEnding();
        if (!ending) Logger::error("Unable to contruct LBApp");
    }
    if (ending) {
        Logger::info("Start-up stopped: the program is ending");
        if (m_shell && !m_shell->isDisposed()) {
            Logger::info("Ending on a signal");
            exit();
        }
        return;
    }
    if (!m_constructed) handleConstructionFailure();
}

LBApp::~LBApp() {
    m_alive.reset();
    if (m_currentRetriever) {
        m_currentRetriever->forceThreadsToEnd();
        if (!m_currentRetriever->join(RETRIEVER_END_WAIT_MS)) Logger::error("The content refresh did not end");
    }
    if (m_launchReport) {
        m_launchReport->requestStop();
        if (!m_launchReport->join(RETRIEVER_END_WAIT_MS)) Logger::error("The launch report did not end");
    }
    try {
        endExistingTimer();
        for (const auto& timer : {m_startStepsTimer, m_firstPaintTimer}) {
            if (timer && m_display && !m_display->isDisposed()) m_display->timerExec(-1, timer);
        }
        if (m_endSignalWatch && m_display && !m_display->isDisposed()) m_display->timerExec(-1, m_endSignalWatch);
        if (m_tray) m_tray->dispose();
        if (m_popupMenu) m_popupMenu->removePopupMenu();
        m_popupMenu.reset();
        m_rlApp.reset();
        if (m_shell && !m_shell->isDisposed()) m_shell->dispose();
    } catch (const std::exception& failure) {
        Logger::error("Unable to dispose of the portal", failure);
    }
    m_tray.reset();
    LBApp* self = this;
    s_instance.compare_exchange_strong(self, nullptr);
}

void LBApp::construct() {
    setGUID("");
    initLogger();
    m_workingDir = foundation::EnvUtil::getWorkingDirectory(true);
    m_contentPath = m_workingDir + CONTENT_FOLDER;
    m_contentURLPath = fileUrlPath(m_contentPath);

    createShell();
    m_registry = std::make_shared<foundation::RegistryUtil>(
        foundation::RegistryUtil::getCurrentUserInstance(REGISTRY_KEY));
    // Each step that may show a box or a form runs the event loop: the run
    // may have been asked to end meanwhile.
    displayResolutionWarningIfNecessary();
    stopIfEnding();

    m_titleBarHeight = m_display->getTitleBarHeight();
    Logger::info("title bar height: " + std::to_string(m_titleBarHeight));
    // The tracker window follows the frame itself (getTrackerLocation).
    if (m_titleBarHeight < XP_TITLE_BAR_HEIGHT) m_innerBrowserHeight += XP_TITLE_BAR_HEIGHT - m_titleBarHeight;
    setShellSize();
    placeShell();
    createPopupMenu();
    stopIfEnding();

    const bool isWindowsXP = StrUtil::contains(foundation::EnvUtil::getOperatingSystem(), "Windows XP");
    m_tray = std::make_unique<LBTray>(*this, isWindowsXP);
    addShellListeners();
    createBrowsers();

    const bool hidden = m_launchedOnStartup && m_tray->hasIcon();
    if (!hidden) {
        // Without a tray icon a hidden window could not be found again.
        if (m_launchedOnStartup) Logger::info("No tray icon: showing the window");
        // The first refresh waits for the first page (runStartSteps).
        showWindow();
    }
    stopIfEnding();

    m_tray->setStartupComplete(true);
    awaitFirstPage();
}

void LBApp::awaitFirstPage() {
    // The rest of the start does not change what the window first shows,
    // yet its refresh, upgrade check and report would slow that page down:
    // they wait until the inner pane has its first page, and at most until
    // the limit.
    std::weak_ptr<int> alive = m_alive;
    m_firstPageListener = m_innerBrowser->addCompletedListener([this, alive](tk::Event&) {
        if (alive.expired() || m_startStepsDone || m_display->isDisposed()) return;
        // The engine puts a loaded page on the screen a frame or two later;
        // a step that blocks this thread now would hold that back. The
        // limit stays armed: a page that completes again and again must
        // not hold the steps back for good.
        if (m_firstPaintTimer) m_display->timerExec(-1, m_firstPaintTimer);
        m_firstPaintTimer = tk::runnable([this, alive] {
            if (!alive.expired()) runStartSteps();
        });
        m_display->timerExec(FIRST_PAINT_MS, m_firstPaintTimer);
    });
    m_startStepsTimer = tk::runnable([this, alive] {
        if (alive.expired()) return;
        Logger::info(m_firstPaintTimer ? "The first page keeps reloading: going on with the start"
                                       : "The first page did not load in time: going on with the start");
        runStartSteps();
    });
    m_display->timerExec(START_STEPS_LIMIT_MS, m_startStepsTimer);
}

void LBApp::runStartSteps() {
    if (m_startStepsDone) return;
    m_startStepsDone = true;
    for (auto* timer : {&m_startStepsTimer, &m_firstPaintTimer}) {
        if (*timer && !m_display->isDisposed()) m_display->timerExec(-1, *timer);
        timer->reset();
    }
    if (m_innerBrowser && !m_innerBrowser->isDisposed()) {
        m_innerBrowser->removeListener(tk::ProgressCompleted, m_firstPageListener);
    }
    // A window closed meanwhile ends the run: nothing more to start.
    if (isEnding()) return;
    try {
        // The start's own refresh, unless the user's came first (the
        // tray's Open shows the window, which refreshes).
        const bool hidden = m_launchedOnStartup && m_tray && m_tray->hasIcon();
        if (!m_firstRetrievalDone && (!hidden || m_prefUpdateOnLaunch)) {
            m_firstRetrievalDone = true;
            launchRetriever(true, false, false);
        }
        stopIfEnding();
        if (m_popupMenu && m_popupMenu->isNewUser()) m_popupMenu->generateCookiesForChangedZipCode(m_prefZipCode);
        stopIfEnding();
        checkForUpgrade();
        stopIfEnding();
        submitLaunchStats();
        m_shell->setCursor(m_display->getSystemCursor(tk::CURSOR_ARROW));
        startFreshTimer();
        swapLauncher();
    } catch (const RunEnding&) {
        if (m_shell && !m_shell->isDisposed()) exit();
    } catch (const std::exception& failure) {
        if (!isEnding()) Logger::error("Unable to contruct LBApp", failure);
    }
}

void LBApp::createShell() {
    tk::Display* display = tk::Display::getCurrent();
    if (display == nullptr) {
        m_ownDisplay = std::make_unique<tk::Display>();
        display = m_ownDisplay.get();
    }
    m_display = display;
    s_display.store(display);
    m_shell = tk::make<tk::Shell>(display, tk::TITLE | tk::CLOSE);
    m_icon = tk::make<tk::Image>(display, ICON_FILE);
    m_shell->setImage(m_icon);
    m_shell->setText(TITLE);
    m_shell->setBackground(display->getSystemColor(tk::COLOR_WHITE));
    m_shell->setCursor(display->getSystemCursor(tk::CURSOR_APPSTARTING));
    watchForEndSignals();
}

void LBApp::setShellSize() { m_shell->setSize(SHELL_WIDTH, SHELL_HEIGHT); }

void LBApp::setShellLocation(int left, int top) { m_shell->setLocation(left, top); }

void LBApp::placeShell() {
    int left = registry()->getInt(REG_KEY_WINDOW_LEFT, DEFAULT_WINDOW_POSITION);
    int top = registry()->getInt(REG_KEY_WINDOW_TOP, DEFAULT_WINDOW_POSITION);
    Logger::info(std::string(REG_KEY_WINDOW_LEFT) + "=" + std::to_string(left));
    Logger::info(std::string(REG_KEY_WINDOW_TOP) + "=" + std::to_string(top));

    const tk::Rectangle area = m_display->getClientArea();
    const tk::Point size = m_shell->getSize();
    const bool stored = left != DEFAULT_WINDOW_POSITION && top != DEFAULT_WINDOW_POSITION;
    const bool inside = left >= area.x && top >= area.y && left + size.x <= area.x + area.width &&
                        top + size.y <= area.y + area.height;
    if (!stored || !inside) {
        // The bottom right corner of the work area, 2 pixels in from its
        // right edge, but never above or left of the work area.
        left = std::max(area.x, area.x + area.width - size.x - 2);
        top = std::max(area.y, area.y + area.height - size.y);
        Logger::info("WindowLeft overidden to " + std::to_string(left));
        Logger::info("WindowTop overidden to " + std::to_string(top));
    }
    setShellLocation(left, top);
}

void LBApp::createPopupMenu() {
    try {
        m_popupMenu = std::make_unique<PopupMenu>(*this);
        tk::OleFrame* frame = m_popupMenu->addPopupMenu(1, 658 - m_titleBarHeight, 870, 25);
        if (frame == nullptr) {
            // The portal goes on without its panel.
            m_popupMenu.reset();
            return;
        }
        frame->moveAbove(nullptr);
        m_popupMenu->setPreferencesPopupLocation(m_shell->getLocation());
        Logger::info("reading preferences");
        m_popupMenu->readPreferences();
        Logger::info("done with preferences");
        m_preferencesLoaded = true;
    } catch (const std::exception& failure) {
        // The form of a first run ends with the window when the run is asked
        // to end.
        stopIfEnding();
        Logger::error("Unable to contruct PopupMenu", failure);
    }
}

void LBApp::addShellListeners() {
    m_shell->addListener(tk::Close, [this](tk::Event& event) {
        // Only the tray's Exit ends the program; without a tray icon the
        // close box is the way out.
        if (!m_tray || !m_tray->hasIcon()) return;
        event.doit = false;
        hide();
    });
    m_shell->addListener(tk::Dispose, [this](tk::Event&) { saveWindowPosition(); });
    // The tracker window stays over the inner pane when the window moves and
    // when the window manager's frame arrives or changes.
    for (int type : {tk::Move, tk::FrameChanged}) {
        m_shell->addListener(type, [this](tk::Event&) {
            if (m_rlApp) placeTrackerWindow();
        });
    }
}

void LBApp::createBrowsers() {
    // The panes lie under the panel's strip, the outer one lowest.
    m_outerBrowser = tk::make<tk::Browser>(m_shell, tk::NONE);
    m_outerBrowser->setBounds(0, 0, OUTER_BROWSER_WIDTH, SHELL_HEIGHT);
    m_outerBrowser->moveBelow(nullptr);
    m_innerBrowser = tk::make<tk::Browser>(m_shell, tk::NONE);
    m_innerBrowser->setBounds(0, INNER_BROWSER_Y, INNER_BROWSER_WIDTH, m_innerBrowserHeight);
    m_innerBrowser->moveAbove(m_outerBrowser.get());
    m_outerBrowser->addLocationChangedListener([this](tk::Event& event) {
        if (event.top) m_currentOuterURL = event.location;
    });
    m_innerBrowser->addLocationChangedListener([this](tk::Event& event) {
        if (event.top) m_currentInnerURL = event.location;
    });
    navigateOuterBrowser("mapquest.html", true);
    navigateInnerBrowser("mapquest-inner.html", true);
    m_outerBrowser->addLocationChangingListener([this](tk::Event& event) { handleOuterBrowserBeforeNavigate2(event); });
    m_innerBrowser->addLocationChangingListener([this](tk::Event& event) { handleInnerBrowserBeforeNavigate2(event); });
    SWTUtil::initializeBrowserForPopups(m_display, *m_outerBrowser);
    SWTUtil::initializeBrowserForPopups(m_display, *m_innerBrowser);
}

void LBApp::handleConstructionFailure() {
    // A portal that cannot be reached cannot be ended either: without its
    // window or its tray icon it ends at once.
    if (!m_shell || m_shell->isDisposed()) return;
    if (m_tray && m_tray->hasIcon()) {
        m_tray->setStartupComplete(true);
        return;
    }
    Logger::error("Lanternbay could not start: no window or tray icon to reach it by");
    m_shell->dispose();
}

// ---------------------------------------------------------------------------
// The loop and the end

bool LBApp::isEnding() const {
    return foundation::QuietEnd::isRequested() || (m_shell && m_shell->isDisposed());
}

void LBApp::stopIfEnding() const {
    if (isEnding()) throw RunEnding{};
}

void LBApp::runEventLoop() {
    if (!m_shell) throw std::runtime_error("The main window was not made");
    while (!m_shell->isDisposed()) {
        if (!m_display->readAndDispatch()) m_display->sleep();
    }
    if (m_endSignalWatch && !m_display->isDisposed()) m_display->timerExec(-1, m_endSignalWatch);
    m_endSignalWatch.reset();
}

void LBApp::watchForEndSignals() {
    if (!foundation::QuietEnd::isWatched()) return;
    // The signal only sets a flag; the window looks at it now and then, also
    // while a form of the panel is open during the start.
    m_endSignalWatch = tk::runnable([this] {
        if (foundation::QuietEnd::isRequested()) {
            Logger::info("Ending on a signal");
            exit();
            return;
        }
        m_display->timerExec(foundation::QuietEnd::CHECK_MS, m_endSignalWatch);
    });
    m_display->timerExec(foundation::QuietEnd::CHECK_MS, m_endSignalWatch);
}

void LBApp::afterEventLoop() {
    if (m_currentRetriever) m_currentRetriever->forceThreadsToEnd();
    const bool trackerWindow = m_rlApp != nullptr;
    cleanUp();
    // The tracker window's clean-up ended the process.
    if (trackerWindow) return;
    int64_t waited = 0;
    while (s_isRetrievalInProgress.load()) {
        if (waited >= RETRIEVER_END_WAIT_MS) {
            Logger::error("The content refresh did not end within " + std::to_string(RETRIEVER_END_WAIT_MS) + " ms");
            break;
        }
        Logger::info(std::string(MAIN_THREAD_NAME) + " - Waiting for retriever thread to end");
        // Ends early when the refresh's thread does.
        if (m_currentRetriever) {
            m_currentRetriever->join(RETRIEVER_POLL_MS);
        } else {
            foundation::ThreadUtil::sleepWithoutAlarm(RETRIEVER_POLL_MS);
        }
        waited += RETRIEVER_POLL_MS;
    }
    if (m_currentRetriever) m_currentRetriever->join(RETRIEVER_END_WAIT_MS);
    Logger::info("No retriever thread running - exiting");
}

void LBApp::cleanUp() {
    if (m_cleanedUp) return;
    m_cleanedUp = true;
    try {
        Logger::info("clean up");
        endExistingTimer();
        if (m_tray) m_tray->dispose();
        if (m_popupMenu) m_popupMenu->removePopupMenu();
        m_popupMenu.reset();
        if (m_outerBrowser && !m_outerBrowser->isDisposed()) m_outerBrowser->dispose();
        if (m_innerBrowser && !m_innerBrowser->isDisposed()) m_innerBrowser->dispose();
        if (m_progressBrowser && !m_progressBrowser->isDisposed()) m_progressBrowser->dispose();
        if (m_icon && !m_icon->isDisposed()) m_icon->dispose();
        if (m_rlApp) {
            // Ends the process.
            m_rlApp->cleanUp(false);
            return;
        }
        if (m_display && !m_display->isDisposed()) m_display->dispose();
    } catch (const std::exception& failure) {
        Logger::error("Unable to cleanUp", failure);
    }
}

void LBApp::saveWindowPosition() {
    const tk::Point at = m_shell->getLocation();
    registry()->setInt(REG_KEY_WINDOW_LEFT, at.x);
    registry()->setInt(REG_KEY_WINDOW_TOP, at.y);
}

std::shared_ptr<foundation::RegistryUtil> LBApp::registry() {
    if (!m_registry) {
        m_registry = std::make_shared<foundation::RegistryUtil>(
            foundation::RegistryUtil::getCurrentUserInstance(REGISTRY_KEY));
    }
    return m_registry;
}

std::string LBApp::getGUID() {
    std::lock_guard<std::mutex> guard(g_guidLock);
    return m_prefGuid;
}

void LBApp::setGUID(const std::string& guid) {
    std::lock_guard<std::mutex> guard(g_guidLock);
    m_prefGuid = guid;
}

// ---------------------------------------------------------------------------
// Upgrades, the launch report, the resolution warning, the launcher

void LBApp::checkForUpgrade() {
    if (numUpgradeChecks >= MAX_UPGRADE_CHECKS) return;
    // Blocks until the check is done; an upgrade the user accepts ends the
    // process through cleanUp.
    tracker::ui::Upgrader::createForPortal(this, getGUID())->go();
    ++numUpgradeChecks;
}

std::string LBApp::buildLaunchStats() const {
    using foundation::EnvUtil;
    const tk::Rectangle screen = m_display->getBounds();
    std::string body;
    body += "os=" + EnvUtil::getOperatingSystem();
    body += "&osver=" + EnvUtil::getOperatingSystemDetails();
    body += "&res=" + std::to_string(screen.width) + "x" + std::to_string(screen.height);
    body += "&userdir=" + EnvUtil::getWorkingDirectory(false);
    body += "&ie=" + EnvUtil::getIEVersion();
    body += "&jsinternet=" + EnvUtil::getJavaScriptEnabled("3");
    body += "&jslocal=" + EnvUtil::getJavaScriptEnabled("1");
    body += "&mhz=" + EnvUtil::getMHz();
    body += "&processor=" + EnvUtil::getProcessorName();
    body += std::string("&startup=") + (m_launchedOnStartup ? "1" : "0");
    body += "&zipcode=" + m_prefZipCode;
    body += "&guid=" + getGUID();
    body += std::string("&version=") + BUILD_VERSION;
    return body;
}

void LBApp::submitLaunchStats() {
    using foundation::EnvUtil;
    const tk::Rectangle screen = m_display->getBounds();
    Logger::info("Operating System: " + EnvUtil::getOperatingSystem());
    Logger::info("Operating System Version: " + EnvUtil::getOperatingSystemDetails());
    Logger::info("Resolution: " + std::to_string(screen.width) + "x" + std::to_string(screen.height));
    Logger::info("Working Dir: " + EnvUtil::getWorkingDirectory(false));
    Logger::info("IE Version: " + EnvUtil::getIEVersion());
    Logger::info("JavaScript (Internet): " + EnvUtil::getJavaScriptEnabled("3"));
    Logger::info("JavaScript (Local Internet): " + EnvUtil::getJavaScriptEnabled("1"));
    Logger::info("MHz / Processor Name: " + EnvUtil::getMHz() + " / " + EnvUtil::getProcessorName());
    // Values go as they are: the server reads them unencoded.
    m_launchReport = std::make_shared<foundation::AsynchURL>(HostTable::url("ProductServer.site", LAUNCH_REPORT_PATH),
                                                             buildLaunchStats());
    m_launchReport->start();
}

void LBApp::displayResolutionWarningIfNecessary() {
    const tk::Rectangle screen = m_display->getBounds();
    if (screen.width >= MIN_SCREEN_WIDTH && screen.height >= MIN_SCREEN_HEIGHT) return;
    if (registry()->getInt(REG_KEY_RESOLUTION_WARNING, 0) == 1) return;
    const std::string size = std::to_string(screen.width) + "x" + std::to_string(screen.height);
    SWTUtil::showMessageBox(
        m_shell.get(),
        "Lanternbay can be better viewed and used if your computer screen is set to a higher resolution than you "
        "are currently using (" +
            size +
            " pixels.) It will take up less space on your screen when it is open. You should use a minimum of "
            "1024x768 pixels.\r\n\r\nA web browser window will now open that shows instructions on how to easily "
            "improve your screen resolution.  Please exit Lanternbay from the system tray, change your screen "
            "resolution, and then re-launch Lanternbay.\r\n\r\nThis message will not be displayed in the future, "
            "but you can always visit the Lanternbay FAQ for help.",
        RESOLUTION_TITLE, tk::ICON_WARNING | tk::OK);
    // Closed by the end of the run, not read: it comes again next time.
    stopIfEnding();
    navigateExternally(HostTable::url(WEBSITE, RESOLUTION_HELP_PATH));
    registry()->setInt(REG_KEY_RESOLUTION_WARNING, 1);
}

void LBApp::swapLauncher() {
    if (!FileUtil::doesFileExist(LAUNCHER_NEW)) return;
    Logger::info(std::string("A new launcher exists.  Renaming ") + LAUNCHER + " to " + LAUNCHER_OLD + " and " +
                 LAUNCHER_NEW + " to " + LAUNCHER);
    if (FileUtil::doesFileExist(LAUNCHER_OLD)) {
        Logger::info("An old launcher already existed so deleting it first");
        std::remove(LAUNCHER_OLD);
    }
    // Unchecked: a swap that fails is tried again at the next start.
    std::rename(LAUNCHER, LAUNCHER_OLD);
    std::rename(LAUNCHER_NEW, LAUNCHER);
}

// ---------------------------------------------------------------------------
// The refresh timer

int64_t LBApp::updateFrequencyMs(const std::string& minutesText, std::optional<int64_t> previousMs) {
    const std::string text = StrUtil::trim(minutesText);
    bool whole = !text.empty() && text.size() <= 18;
    for (size_t i = 0; whole && i < text.size(); ++i) {
        const char c = text[i];
        whole = (c >= '0' && c <= '9') || (i == 0 && (c == '-' || c == '+') && text.size() > 1);
    }
    if (!whole) return previousMs.value_or(DEFAULT_UPDATE_MINUTES * MS_PER_MINUTE);
    const int64_t minutes = std::clamp<int64_t>(sys::parseNumber<int64_t>(text).value_or(1), 1, MAX_UPDATE_MINUTES);
    return minutes * MS_PER_MINUTE;
}

void LBApp::startFreshTimer() {
    std::string minutes;
    if (m_popupMenu) {
        try {
            minutes = m_popupMenu->getUpdateFrequency();
        } catch (const std::exception& failure) {
            Logger::error("Unable to read the update frequency from the panel", failure);
        }
    }
    m_prefUpdateFrequency = updateFrequencyMs(minutes, m_prefUpdateFrequency);
    Logger::info("m_prefUpdateFrequency: " + std::to_string(*m_prefUpdateFrequency));
    endExistingTimer();
    m_timer = tk::runnable([this] { fireTimer(); });
    m_display->timerExec(static_cast<int>(*m_prefUpdateFrequency), m_timer);
}

void LBApp::endExistingTimer() {
    if (!m_timer) return;
    if (m_display && !m_display->isDisposed()) m_display->timerExec(-1, m_timer);
    m_timer.reset();
}

void LBApp::fireTimer() {
    std::shared_ptr<tk::Runnable> self = m_timer;
    launchRetriever(true, false, false);
    // The interval is read anew at every firing.
    if (self && self == m_timer && !m_display->isDisposed()) {
        m_display->timerExec(static_cast<int>(m_prefUpdateFrequency.value_or(DEFAULT_UPDATE_MINUTES * MS_PER_MINUTE)),
                             self);
    }
}

// ---------------------------------------------------------------------------
// Showing and hiding

void LBApp::showWindow() {
    // A window manager may offer a minimise button the window does not ask
    // for: a minimised window comes back too.
    m_shell->setMinimized(false);
    m_shell->setVisible(true);
    m_visible.store(true);
    m_shell->setActive();
}

void LBApp::show() {
    showWindow();
    if (!m_firstRetrievalDone) {
        m_firstRetrievalDone = true;
        launchRetriever(true, false, false);
    }
}

void LBApp::hide() {
    m_shell->setVisible(false);
    m_visible.store(false);
}

void LBApp::showMiniIfHiddenThenExit() {
    if (!m_shell->getVisible()) {
        m_shell->setSize(1, 1);
        m_shell->setVisible(true);
        m_visible.store(true);
    }
    exit();
}

void LBApp::exit() {
    if (m_shell && !m_shell->isDisposed()) m_shell->dispose();
}

// ---------------------------------------------------------------------------
// The panes

std::string LBApp::pageOf(const std::string& url) {
    // Page keys are looked for in the file name only, never in the folders
    // of the address: the same rule as the refresh's choice of pages.
    return retriever::LBRetriever::selectionText(url);
}

std::string LBApp::contentUrl(const std::string& page) const {
    return tracker::BaseEngine::toFileURL(m_contentPath + page);
}

bool LBApp::isLocal(const std::string& url) const {
    return StrUtil::contains(url, m_contentPath) || StrUtil::contains(url, m_contentURLPath);
}

void LBApp::navigateOuterBrowser(const std::string& page, bool local) {
    m_outerBrowser->setUrl(local && !isLocal(page) ? contentUrl(page) : page);
}

void LBApp::navigateInnerBrowser(const std::string& page, bool local) {
    m_innerBrowser->setUrl(local && !isLocal(page) ? contentUrl(page) : page);
}

std::string LBApp::getOuterBrowserLocation() const { return m_outerBrowser ? m_outerBrowser->getUrl() : ""; }

std::string LBApp::getInnerBrowserLocation() const { return m_innerBrowser ? m_innerBrowser->getUrl() : ""; }

void LBApp::handleOuterBrowserBeforeNavigate2(tk::Event& event) {
    // A page's own frames load in place.
    if (!event.top) return;
    const std::string& url = event.location;
    if (!isLocal(url) && !StrUtil::contains(url, "about:blank")) {
        navigateExternally(url);
        event.doit = false;
        return;
    }
    const std::string page = pageOf(url);
    if (StrUtil::contains(page, "roamledger.html")) {
        navigateInnerBrowser("roamledger-inner.html", true);
        initRoamledger();
        if (m_rlApp) {
            m_rlApp->show();
            if (auto dialog = m_rlApp->getSetupDialog()) dialog->moveAbove(m_shell.get());
        }
        return;
    }
    if (m_rlApp) m_rlApp->hide();
    for (const PagePair& pair : pagePairs()) {
        if (std::string(pair.outer) == "roamledger.html") continue;
        if (StrUtil::contains(page, pair.outer)) {
            navigateInnerBrowser(pair.inner, true);
            break;
        }
    }
}

void LBApp::placeInnerBrowser(int y, int height) {
    m_innerBrowser->setBounds(0, y, INNER_BROWSER_WIDTH, height);
}

void LBApp::handleInnerBrowserBeforeNavigate2(tk::Event& event) {
    if (!event.top) return;
    const std::string& url = event.location;
    if (endsWith(url, "##")) {
        event.doit = false;
        return;
    }
    for (const char* role : AD_SERVERS) {
        const std::string prefix = HostTable::get(role);
        if (!prefix.empty() && StrUtil::contains(url, prefix)) return;
    }
    if (!isLocal(url) && !StrUtil::contains(url, "about:blank")) {
        navigateExternally(url);
        event.doit = false;
        return;
    }
    const std::string page = pageOf(url);
    const std::string current = pageOf(m_currentInnerURL);
    const int height = m_innerBrowserHeight;
    if (StrUtil::contains(page, "moviefone")) {
        if (!StrUtil::contains(current, "moviefone")) placeInnerBrowser(125, height - 25);
    } else if (StrUtil::contains(page, "tvguide")) {
        if (!StrUtil::contains(current, "tvguide")) placeInnerBrowser(INNER_BROWSER_Y, height);
    } else if (StrUtil::contains(page, "bloomberg")) {
        if (!StrUtil::contains(current, "bloomberg")) placeInnerBrowser(126, height - 26);
    } else if (StrUtil::contains(current, "moviefone") || StrUtil::contains(current, "tvguide") ||
               StrUtil::contains(current, "bloomberg")) {
        placeInnerBrowser(INNER_BROWSER_Y, height);
    }
}

void LBApp::navigateExternally(const std::string& url) {
    if (!SWTUtil::isURLForAboutBlank(url) && url == HostTable::url(AD_PIXEL_SITE, AD_PIXEL_PATH)) return;
    SWTUtil::navigateExternally(url);
}

bool LBApp::shouldInnerUpdateWhenDone() const { return containsAny(pageOf(m_currentInnerURL), INNER_RELOADED); }

bool LBApp::shouldOuterUpdateWhenDone() const { return containsAny(pageOf(m_currentOuterURL), OUTER_RELOADED); }

// ---------------------------------------------------------------------------
// The tracker window

void LBApp::initRoamledger() {
    if (m_rlApp) return;
    const tk::Point at = m_shell->getLocation();
    const tk::Point place = getTrackerLocation();
    m_rlApp = std::make_unique<tracker::ui::RLAppLanternbay>(m_display, m_shell.get(), TRACKER_WIDTH,
                                                             m_innerBrowserHeight, place.x - at.x, place.y - at.y,
                                                             getGUID());
}

tk::Point LBApp::getTrackerLocation() const { return m_shell->toDisplay(TRACKER_X, INNER_BROWSER_Y); }

void LBApp::placeTrackerWindow() {
    const tk::Point place = getTrackerLocation();
    m_rlApp->setLocation(place.x, place.y);
}

// ---------------------------------------------------------------------------
// Content refreshes

bool LBApp::isConnected() {
    if (m_popupMenu) return m_popupMenu->isConnected();
    return foundation::JNIUtil::isConnected();
}

void LBApp::launchRetriever(bool allSources, bool userInitiated, bool preferenceSensitive) {
    Logger::info("launchRetriever:enter");
    if (preferenceSensitive) userInitiated = true;
    bool started = false;
    try {
        if (!m_preferencesLoaded && preferenceSensitive) {
            Logger::info("launchRetriever (skipped - first preferences load)");
        } else if (s_isRetrievalInProgress.load()) {
            Logger::info("launchRetriever (skipped - other retrieval running)");
        } else if (!isConnected()) {
            Logger::info("launchRetriever (skipped - no internet connection)");
            if (userInitiated) {
                SWTUtil::showMessageBox(m_shell.get(), NO_CONNECTION_TEXT, NO_CONNECTION_TITLE,
                                        tk::ICON_WARNING | tk::OK);
            }
        } else {
            const std::string location = getOuterBrowserLocation();
            if (!allSources && containsAny(pageOf(location), STATIC_PAGES)) {
                Logger::info("launchRetriever (skipped - no dynamic content on current page)");
            } else {
                started = true;
                indicateProgress(true);
                s_isRetrievalInProgress.store(true);
                auto retriever = std::make_shared<retriever::LBRetriever>();
                m_currentRetriever = retriever;
                std::string source;
                if (preferenceSensitive) {
                    Logger::info("launchRetriever (updating preference sensitive content)");
                    source = PREFERENCE_SENSITIVE_SOURCES;
                } else if (allSources) {
                    source = retriever::LBRetriever::ALL_SOURCES;
                } else {
                    source = location;
                }
                retriever->setRetrieveParams(this, m_contentPath, source, m_prefZipCode, m_prefTVGuideEmail,
                                             getGUID(), userInitiated);
                retriever->start();
            }
        }
    } catch (const std::exception& failure) {
        Logger::error("Unable to launch retriever", failure);
        if (started) {
            // No run began, so none will end this one.
            s_isRetrievalInProgress.store(false);
            try {
                indicateProgress(false);
            } catch (const std::exception& again) {
                Logger::error("Unable to end the progress display", again);
            }
        }
    }
    Logger::info("launchRetriever:exit");
}

void LBApp::indicateProgress(bool on) {
    if (on) {
        if (!m_progressBrowser) {
            m_progressBrowser = tk::make<tk::Browser>(m_shell, tk::NONE);
            m_progressBrowser->setSize(PROGRESS_WIDTH, PROGRESS_HEIGHT);
        }
        const tk::Point outer = m_outerBrowser->getSize();
        int y = outer.y - 208;
        const std::string page = pageOf(m_currentOuterURL);
        if (StrUtil::contains(page, "bloomberg")) {
            y += 18;
        } else if (StrUtil::contains(page, "moviefone")) {
            y += 20;
        }
        m_progressBrowser->setLocation(outer.x - 182, y);
        m_progressBrowser->moveAbove(m_outerBrowser.get());
        m_progressBrowser->setUrl(contentUrl(UPDATE_ANIMATION));
        if (m_popupMenu) m_popupMenu->setUpdateButtonsEnabled(false, false);
    } else {
        if (m_progressBrowser && !m_progressBrowser->isDisposed()) {
            m_progressBrowser->moveBelow(m_outerBrowser.get());
            m_progressBrowser->setUrl("about:blank");
        }
        if (m_popupMenu) m_popupMenu->setUpdateButtonsEnabled(true, true);
    }
}

void LBApp::handleRetrieverCompletion() {
    s_isRetrievalInProgress.store(false);
    tk::Display* display = m_display;
    if (display == nullptr || display->isDisposed()) return;
    std::weak_ptr<int> alive = m_alive;
    display->asyncExec([this, alive] {
        if (alive.expired()) return;
        completeRetrieval();
    });
}

void LBApp::completeRetrieval() {
    try {
        if (m_shell->isDisposed()) return;
        indicateProgress(false);
        const bool innerThere = m_innerBrowser && !m_innerBrowser->isDisposed();
        if (innerThere && shouldInnerUpdateWhenDone()) m_innerBrowser->setUrl(m_currentInnerURL);
        if (innerThere && m_outerBrowser && !m_outerBrowser->isDisposed() && shouldOuterUpdateWhenDone()) {
            m_outerBrowser->setUrl(m_currentOuterURL);
        }
        const auto url = m_currentRetriever ? m_currentRetriever->getMessageCenterURL() : std::nullopt;
        if (url) openMessageCenter(*url);
        checkForUpgrade();
    } catch (const std::exception& failure) {
        Logger::error("Unable to complete the content refresh", failure);
    }
}

void LBApp::openMessageCenter(const std::string& url) { MessageCenter(m_display, m_shell.get(), url); }

// ---------------------------------------------------------------------------
// The share popup

void LBApp::showSharePopup() {
    auto popup = tk::make<tk::Shell>(m_display, tk::TOOL | tk::TITLE | tk::CLOSE | tk::APPLICATION_MODAL);
    popup->removeSizeCommands();
    auto browser = tk::make<tk::Browser>(popup, tk::NONE);
    browser->setBounds(0, 0, SHARE_BROWSER_WIDTH, SHARE_HEIGHT);
    browser->setUrl(contentUrl(SHARE_PAGE));
    SWTUtil::initializeBrowserForPopups(m_display, *browser);
    std::weak_ptr<tk::Shell> weak = popup;
    browser->addLocationChangedListener([weak](tk::Event& event) {
        // The page's form was sent.
        if (!event.top || event.location.find('?') == std::string::npos) return;
        auto shell = weak.lock();
        if (!shell || shell->isDisposed()) return;
        shell->getDisplay()->asyncExec([weak] {
            auto done = weak.lock();
            if (done && !done->isDisposed()) done->dispose();
        });
    });
    popup->setSize(SHARE_WIDTH, SHARE_HEIGHT);
    popup->setLocation(SWTUtil::calculateCenter(popup->getSize(), m_shell->getBounds()));
    popup->open();
    m_sharePopup = popup;
}

tk::Shell* LBApp::getSharePopup() const {
    auto popup = m_sharePopup.lock();
    return popup && !popup->isDisposed() ? popup.get() : nullptr;
}

}  // namespace portal
