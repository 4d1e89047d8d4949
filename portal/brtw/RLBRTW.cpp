#include "portal/brtw/RLBRTW.h"

#include <algorithm>
#include <chrono>
#include <iostream>

#include "foundation/EnvUtil.h"
#include "foundation/ExceptionUtil.h"
#include "foundation/FileUtil.h"
#include "foundation/HostTable.h"
#include "foundation/JNIUtil.h"
#include "foundation/Logger.h"
#include "foundation/QuietEnd.h"
#include "foundation/RLConstants.h"
#include "foundation/StrUtil.h"
#include "platform/toolkit/Toolkit.h"
#include "portal/brtw/NewsRetriever.h"
#include "portal/brtw/RLAppBRTW.h"
#include "tracker/core/BaseEngine.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/SWTUtil.h"
#include "tracker/ui/SetupDialog.h"

namespace portal {

using foundation::Logger;
using foundation::QuietEnd;
using foundation::RLConstants;
using foundation::StrUtil;
using tracker::RLPreferences;
using tracker::ui::BaseRLApp;
using tracker::ui::SWTUtil;

namespace {

// How long the end of the program waits for a headline update it stopped.
constexpr int64_t NEWS_END_WAIT_MS = 5000;

const char* const RESOLUTION_TITLE = "Screen Resolution Too Low";
const char* const PANEL_TITLE = "Roamledger Panel";

int64_t steadyMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Where the "offline" parameter of an address begins (at its "?" or "&"),
// or npos when the address has none.
size_t offlineParamAt(const std::string& url) {
    const std::string param = RLBRTW::OFFLINE_PARAM;
    const size_t query = url.find('?');
    if (query == std::string::npos) return std::string::npos;
    for (size_t at = query; at != std::string::npos; at = url.find_first_of("?&", at + 1)) {
        const size_t end = at + 1 + param.size();
        if (url.compare(at + 1, param.size(), param) == 0 &&
            (end == url.size() || url[end] == '&' || url[end] == '#')) {
            return at;
        }
    }
    return std::string::npos;
}

// The address without its "offline" parameter and the separator that came
// with it.
std::string withoutOfflineParam(const std::string& url) {
    const size_t at = offlineParamAt(url);
    if (at == std::string::npos) return url;
    const size_t end = at + 1 + std::string(RLBRTW::OFFLINE_PARAM).size();
    if (url[at] == '?' && end < url.size() && url[end] == '&') {
        // The next parameter takes the "?".
        return url.substr(0, at + 1) + url.substr(end + 1);
    }
    return url.substr(0, at) + url.substr(end);
}

// The address with "/" and "\" exchanged.
std::string alternateForm(const std::string& url) {
    std::string out = url;
    for (char& c : out) {
        if (c == '/') {
            c = '\\';
        } else if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// The program

int RLBRTW::main(const std::vector<std::string>&) {
    // From now on a signal or the session's end closes the window as its
    // close box does, quietly.
    QuietEnd::installSignalHandlers();
    std::unique_ptr<RLBRTW> window;
    try {
        window = std::make_unique<RLBRTW>();
        // A start stopped by a signal ended as asked; its clean-up has run.
        if (!window->isConstructed()) return QuietEnd::isRequested() ? 0 : -1;
        window->runEventLoop();
    } catch (const std::exception& failure) {
        Logger::error("Unhandled throwable in main", failure);
    } catch (...) {
        Logger::error("Unhandled throwable in main");
    }
    // However the loop ended, the run is saved: the clean-up, which ends the
    // process, has not run yet when the loop ends without it.
    if (window && window->isConstructed()) window->cleanUp();
    return 0;
}

RLBRTW::RLBRTW(tk::Display* display) : m_display(display) {
    try {
        construct();
        m_constructed = true;
    } catch (const std::exception& failure) {
        // A step that failed because the window went with the end of the
        // run is no failure of the start.
        if (stoppedByEnd()) return;
        std::cerr << foundation::ExceptionUtil::getStackTrace(failure) << std::endl;
        Logger::error("Unable to contruct RLBRTW", failure);
    } catch (...) {
        if (stoppedByEnd()) return;
        Logger::error("Unable to contruct RLBRTW");
    }
}

bool RLBRTW::stoppedByEnd() const {
    if (!QuietEnd::isRequested() || !m_cleaningUp) return false;
    Logger::info("Start-up stopped: the program is ending");
    return true;
}

void RLBRTW::watchForEndSignals() {
    if (!QuietEnd::isWatched()) return;
    // The signal only sets a flag; the window looks at it now and then, also
    // while a box of the start (the settings import, a warning) is open. It
    // acts once the tracker window has begun, whose clean-up ends the
    // process.
    m_endSignalWatch = tk::runnable([this] {
        if (QuietEnd::isRequested()) {
            Logger::info("Ending on a signal");
            const bool tracker = BaseRLApp::getShell() != nullptr || m_rlApp != nullptr;
            // With the tracker window the clean-up ends the process.
            cleanUp();
            if (tracker) return;
            // Before it there is nothing of the tracker to save: the window's
            // place was stored, and its disposal closes a box of the start
            // and stops the construction.
            if (m_shell && !m_shell->isDisposed()) m_shell->dispose();
            return;
        }
        m_display->timerExec(QuietEnd::CHECK_MS, m_endSignalWatch);
    });
    m_display->timerExec(QuietEnd::CHECK_MS, m_endSignalWatch);
}

RLBRTW::~RLBRTW() {
    m_alive.reset();
    if (m_endSignalWatch && m_display && !m_display->isDisposed()) m_display->timerExec(-1, m_endSignalWatch);
    stopNewsRetriever();
    try {
        for (const auto& popup : {m_sharePopup.lock(), m_panelPopup.lock()}) {
            if (popup && !popup->isDisposed()) popup->dispose();
        }
        // The tracker's panel and its listeners go before the shell.
        m_rlApp.reset();
        if (m_shell && !m_shell->isDisposed()) m_shell->dispose();
        if (m_ownDisplay && !m_ownDisplay->isDisposed()) m_ownDisplay->dispose();
    } catch (const std::exception& failure) {
        Logger::error("Unable to dispose of the window", failure);
    }
}

void RLBRTW::construct() {
    // 1. The log file.
    BaseRLApp::initLogger();
    m_workingFolder = foundation::EnvUtil::getWorkingDirectory(true);
    try {
        m_registry.emplace(foundation::RegistryUtil::getCurrentUserInstance(REGISTRY_KEY));
    } catch (const std::exception& failure) {
        // The window works with its defaults and stores nothing.
        Logger::error("Unable to open registry key " + std::string(REGISTRY_KEY), failure);
    }

    // 2. The display and the shell.
    createShell();
    watchForEndSignals();

    // 3. The waiting headline page until the retriever has written the list.
    try {
        foundation::FileUtil::copyFile(m_workingFolder + PAGE_FOLDER + NEWS_PENDING_PAGE,
                                       m_workingFolder + PAGE_FOLDER + NEWS_PAGE);
    } catch (const std::exception& failure) {
        Logger::error("Unable to copy " + std::string(NEWS_PENDING_PAGE) + " over " + NEWS_PAGE, failure);
    }
    updateContent();

    // 4.-6. Geometry and the resolution warning.
    measureTitleBar();
    placeShell();
    displayResolutionWarningIfNecessary();
    if (m_cleaningUp) throw std::runtime_error("The window was closed while it was built");

    // 7. The shell's listeners.
    m_shell->addListener(tk::Close, [this](tk::Event&) { cleanUp(); });
    m_shell->addListener(tk::Resize, [this](tk::Event&) { handleShellResize(); });
    m_shell->addListener(tk::Move, [this](tk::Event&) { handleShellMove(); });

    // 8. The tracker window.
    const tk::Point size = getRoamledgerPreferredSize();
    m_rlApp = std::make_unique<RLAppBRTW>(m_display, m_shell.get(), size.x, size.y, ROAMLEDGER_LEFT, m_roamledgerTop,
                                          "", this);

    // 9. The wrapper browser.
    createBrowser();

    // 10.
    show();
    m_shell->setCursor(m_display->getSystemCursor(tk::CURSOR_ARROW));
}

void RLBRTW::createShell() {
    if (!m_display) m_display = tk::Display::getCurrent();
    if (!m_display) {
        m_ownDisplay = std::make_unique<tk::Display>();
        m_display = m_ownDisplay.get();
    }
    m_shell = tk::make<tk::Shell>(m_display, tk::SHELL_TRIM);
    m_shell->setText(RLConstants::ProductNameDisplay());
    try {
        m_shell->setImage(tk::make<tk::Image>(m_display, m_workingFolder + BaseRLApp::ICON_PATH()));
    } catch (const std::exception& failure) {
        // The window works without its picture.
        Logger::error("Unable to load icon " + BaseRLApp::ICON_PATH(), failure);
    }
    m_cursor = m_display->getSystemCursor(tk::CURSOR_APPSTARTING);
    m_shell->setCursor(m_cursor);
}

void RLBRTW::measureTitleBar() {
    m_titleBarHeight = m_display->getTitleBarHeight();
    Logger::info("Title bar height: " + std::to_string(m_titleBarHeight));
    // Only a lower title bar than the layout's moves the layout; a higher
    // one leaves it as drawn.
    m_titleBarDiff = std::max(0, REFERENCE_TITLE_BAR_HEIGHT - m_titleBarHeight);
    m_defaultWindowHeight = DEFAULT_WINDOW_HEIGHT - m_titleBarDiff;
    m_roamledgerTop = ROAMLEDGER_TOP - m_titleBarDiff;
    m_roamledgerHeightReduction = ROAMLEDGER_HEIGHT_REDUCTION - m_titleBarDiff;
    m_browserHeightReduction = BROWSER_HEIGHT_REDUCTION - m_titleBarDiff;
}

void RLBRTW::placeShell() {
    // A stored size below the least one is taken as the least one.
    const int width = std::max(DEFAULT_WINDOW_WIDTH, readRegistryInt(REG_WINDOW_WIDTH, DEFAULT_WINDOW_WIDTH));
    const int height =
        std::max(m_defaultWindowHeight, readRegistryInt(REG_WINDOW_HEIGHT, m_defaultWindowHeight));
    m_savedSize = {width, height};
    m_shell->setSize(width, height);

    int x = readRegistryInt(REG_WINDOW_X, NO_POSITION);
    int y = readRegistryInt(REG_WINDOW_Y, NO_POSITION);
    m_savedLocation = {x, y};
    const tk::Rectangle area = m_display->getClientArea();
    const tk::Point size = m_shell->getSize();
    if (x == NO_POSITION || y == NO_POSITION || x < 0 || y < 0 || x + size.x > area.x + area.width ||
        y + size.y > area.y + area.height) {
        tk::Point centre = SWTUtil::calculateCenter(size, area);
        // A window larger than the work area keeps its title bar on it.
        centre.x = std::max(centre.x, area.x);
        centre.y = std::max(centre.y, area.y);
        Logger::info("WindowLoc overidden to Point {" + std::to_string(centre.x) + ", " + std::to_string(centre.y) +
                     "}");
        x = centre.x;
        y = centre.y;
    }
    m_shell->setLocation(x, y);
    m_shell->setMinimumSize(DEFAULT_WINDOW_WIDTH, m_defaultWindowHeight);
}

void RLBRTW::createBrowser() {
    m_browser = tk::make<tk::Browser>(m_shell, tk::NONE);
    SWTUtil::initializeBrowserForPopups(m_display, *m_browser);
    // The page lies under the tracker's panel.
    m_browser->moveBelow(nullptr);
    m_browser->setLocation(0, 0);
    handleShellResize();
    m_browser->setUrl(appendOfflineParamIfNecessary(pageUrl(WELCOME_PAGE), true));
    m_browser->addLocationChangingListener([this](tk::Event& event) { handleBrowserBeforeNavigate2(event); });
}

void RLBRTW::runEventLoop() {
    while (m_shell && !m_shell->isDisposed()) {
        if (!m_display->readAndDispatch()) m_display->sleep();
    }
}

// ---------------------------------------------------------------------------
// Registry

int RLBRTW::readRegistryInt(const char* name, int defaultValue) {
    if (!m_registry) return defaultValue;
    return m_registry->getInt(name, defaultValue);
}

void RLBRTW::writeRegistryInt(const char* name, int value) {
    if (!m_registry) {
        Logger::error("Error setting registry key " + std::string(name) + " to " + std::to_string(value));
        return;
    }
    m_registry->setInt(name, value);
}

// ---------------------------------------------------------------------------
// IWrapper

bool RLBRTW::isOnline() { return foundation::JNIUtil::isConnectedAfterRefresh(false); }

void RLBRTW::updateContent() {
    if (NewsRetriever::wasEverSuccessful() || !isOnline()) return;
    // One headline update at a time.
    if (m_newsRetriever && m_newsRetriever->isAlive()) return;
    m_newsRetriever = std::make_shared<NewsRetriever>();
    if (!m_newsRetriever->start()) Logger::error("Unable to start the headline update");
}

bool RLBRTW::shouldStopHandlingNavigation(const std::string& url) {
    return shouldStopHandlingNavigation(url, alternateForm(url));
}

bool RLBRTW::shouldStopHandlingNavigation(const std::string& url, const std::string& alternateUrl) {
    if (StrUtil::startsWithIgnoreCase(url, "javascript:")) return true;
    return SWTUtil::isAdAddress(url) || SWTUtil::isAdAddress(alternateUrl);
}

void RLBRTW::removeOfflineParamFromURLAndBrowseTo() {
    removeOfflineParamFromURLAndBrowseTo(m_browser ? std::optional<std::string>(m_browser->getUrl()) : std::nullopt);
}

bool RLBRTW::removeOfflineParamFromURLAndBrowseTo(const std::optional<std::string>& url) {
    if (!url || offlineParamAt(*url) == std::string::npos || !m_browser) return false;
    Logger::info("User moved from offline to online");
    m_offlineToOnline = true;
    m_browser->setUrl(withoutOfflineParam(*url));
    return true;
}

void RLBRTW::navigateWrapperBrowserToCancel() {
    if (m_browser) m_browser->setUrl(appendOfflineParamIfNecessary(pageUrl(CANCEL_PAGE), false));
}

void RLBRTW::navigateWrapperBrowserToBalances() {
    if (m_browser) m_browser->setUrl(appendOfflineParamIfNecessary(pageUrl(BALANCES_PAGE), false));
}

int RLBRTW::getTitleBarHeightDiff() { return m_titleBarDiff; }

int RLBRTW::getRoamledgerRelativeX() { return ROAMLEDGER_LEFT; }

int RLBRTW::getRoamledgerRelativeY() { return m_roamledgerTop; }

tk::Point RLBRTW::getRoamledgerPreferredSize() { return getRoamledgerPreferredSize(m_shell.get()); }

tk::Point RLBRTW::getRoamledgerPreferredSize(tk::Shell* shell) {
    if (!shell) shell = m_shell.get();
    const tk::Point size = shell ? shell->getSize() : tk::Point{DEFAULT_WINDOW_WIDTH, m_defaultWindowHeight};
    return {size.x - ROAMLEDGER_WIDTH_REDUCTION, size.y - m_roamledgerHeightReduction};
}

std::shared_ptr<tracker::ui::SetupDialog> RLBRTW::createSetupDialog(tk::Shell* shell, BaseRLApp* window) {
    return std::make_shared<tracker::ui::SetupDialog>(shell, window, this);
}

void RLBRTW::cleanUp() {
    if (m_cleaningUp) return;
    m_cleaningUp = true;
    try {
        // A minimised window would store where its icon is.
        if (m_shell && !m_shell->isDisposed() && !m_shell->getMinimized()) {
            const tk::Point size = m_shell->getSize();
            const tk::Point location = m_shell->getLocation();
            writeRegistryInt(REG_WINDOW_WIDTH, size.x);
            writeRegistryInt(REG_WINDOW_HEIGHT, size.y);
            writeRegistryInt(REG_WINDOW_X, location.x);
            writeRegistryInt(REG_WINDOW_Y, location.y);
        }
        stopNewsRetriever();
        tracker::ui::SetupDialog::cleanUp();
    } catch (const std::exception& failure) {
        Logger::error("Unable to clean up", failure);
    }
    try {
        // Saves the statistics and the history and ends the process; also
        // a tracker window still being built.
        if (m_rlApp) {
            m_rlApp->cleanUp(false);
        } else {
            BaseRLApp::staticCleanUp(false);
        }
    } catch (const std::exception& failure) {
        Logger::error("Unable to clean up", failure);
    }
}

void RLBRTW::stopNewsRetriever() {
    if (!m_newsRetriever) return;
    m_newsRetriever->requestStop();
    if (!m_newsRetriever->join(NEWS_END_WAIT_MS)) Logger::error("The headline update did not end");
}

// ---------------------------------------------------------------------------
// The window

std::string RLBRTW::pageUrl(const std::string& page) const {
    return tracker::BaseEngine::toFileURL(m_workingFolder + PAGE_FOLDER + page);
}

std::optional<std::string> RLBRTW::localPage(const std::string& url) const {
    static const std::string scheme = "file://";
    if (url.compare(0, scheme.size(), scheme) != 0) return std::nullopt;
    size_t pathStart = scheme.size();
    static const std::string localhost = "localhost";
    if (url.compare(pathStart, localhost.size(), localhost) == 0) pathStart += localhost.size();
    if (pathStart >= url.size() || url[pathStart] != '/') return std::nullopt;
    const size_t pathEnd = std::min(url.find_first_of("?#", pathStart), url.size());
    const std::string path = StrUtil::percentDecode(std::string_view(url).substr(pathStart, pathEnd - pathStart));
    const std::string folder = m_workingFolder + PAGE_FOLDER;
    if (path.compare(0, folder.size(), folder) != 0) return std::nullopt;
    return path.substr(folder.size()) + url.substr(pathEnd);
}

bool RLBRTW::isPage(const std::optional<std::string>& page, const char* name) const {
    return page && page->compare(0, std::string_view(name).size(), name) == 0;
}

void RLBRTW::show() {
    if (!m_shell || m_shell->isDisposed()) return;
    m_shell->open();
}

bool RLBRTW::isCurrentURLOffline() const {
    return m_browser && offlineParamAt(m_browser->getUrl()) != std::string::npos;
}

std::string RLBRTW::appendOfflineParamIfNecessary(const std::string& url, bool checkConnection) {
    const bool offline = checkConnection ? !isOnline() : isCurrentURLOffline();
    if (!offline || offlineParamAt(url) != std::string::npos) return url;
    return url + (url.find('?') == std::string::npos ? "?" : "&") + OFFLINE_PARAM;
}

void RLBRTW::handleShellResize() {
    if (!m_shell || m_shell->isDisposed()) return;
    const tk::Point size = m_shell->getSize();
    if (m_browser) {
        m_browser->setSize(size.x + m_browserMargin - BROWSER_WIDTH_REDUCTION, size.y - m_browserHeightReduction);
    }
    if (m_rlApp) m_rlApp->setSize(getRoamledgerPreferredSize());
}

void RLBRTW::handleShellMove() {
    // Placed as the tracker is placed: the title-bar difference is added.
    if (m_rlApp) m_rlApp->setLocation(ROAMLEDGER_LEFT, m_roamledgerTop);
}

void RLBRTW::displayResolutionWarningIfNecessary() {
    const tk::Rectangle screen = m_display->getBounds();
    if (screen.width >= MIN_SCREEN_WIDTH && screen.height >= MIN_SCREEN_HEIGHT) return;
    if (readRegistryInt(REG_RESOLUTION_WARNING, 0) == 1) return;
    const std::string text =
        "Brightwire Roamledger was designed to run at a minimum screen resolution of 1024x768 pixels.  Your screen "
        "resolution is currently set to lower than that (it's at " +
        std::to_string(screen.width) + "x" + std::to_string(screen.height) +
        " pixels.)  We are working on supporting lower screen resolutions for the future, but the only current "
        "workaround is to temporarily increase your screen resolution to 1024x768 pixels.\r\n\r\nWhen you click "
        "'OK' below, your web browser will open to instructions on how to easily make this change.\r\n\r\nThis "
        "message will not be displayed again in the future, but you can always access our Frequently Asked "
        "Questions from under the Help menu.";
    SWTUtil::showMessageBox(m_shell.get(), text, RESOLUTION_TITLE, tk::ICON_INFORMATION | tk::OK);
    // Closed by the end of the run, or not shown for it: it comes again
    // next time.
    if (m_cleaningUp || QuietEnd::isRequested()) return;
    const bool xp = foundation::EnvUtil::getOperatingSystem() == "Windows XP";
    SWTUtil::navigateExternally(foundation::HostTable::get(xp ? RESOLUTION_HELP_XP_ROLE : RESOLUTION_HELP_ROLE));
    writeRegistryInt(REG_RESOLUTION_WARNING, 1);
}

tk::Shell* RLBRTW::getSharePopup() const {
    auto popup = m_sharePopup.lock();
    return popup && !popup->isDisposed() ? popup.get() : nullptr;
}

tk::Shell* RLBRTW::getPanelPopup() const {
    auto popup = m_panelPopup.lock();
    return popup && !popup->isDisposed() ? popup.get() : nullptr;
}

std::shared_ptr<tk::Shell> RLBRTW::openPopup(int width, int height, const std::string& title,
                                             const std::string& url, std::shared_ptr<tk::Browser>* browserOut) {
    auto popup = tk::make<tk::Shell>(m_shell.get(), tk::DIALOG_TRIM);
    popup->setText(title);
    popup->setSize(width, height);
    SWTUtil::centerComposite(*popup, m_shell->getBounds());
    popup->setLayout(std::make_shared<tk::FillLayout>());
    if (auto image = m_shell->getImage()) popup->setImage(image);
    auto browser = tk::make<tk::Browser>(popup, tk::NONE);
    SWTUtil::initializeBrowserForPopups(m_display, *browser);
    if (browserOut) *browserOut = browser;
    browser->setUrl(url);
    popup->layout();
    popup->open();
    return popup;
}

void RLBRTW::showSharePopup() {
    if (tk::Shell* open = getSharePopup()) {
        open->setActive();
        return;
    }
    const std::string url = pageUrl(SHARE_PAGE);
    std::shared_ptr<tk::Browser> browser;
    m_sharePopup =
        openPopup(SHARE_POPUP_WIDTH, SHARE_POPUP_HEIGHT, RLConstants::ProductNameDisplay() + " - Share", url, &browser);
    // Links of the page open in the user's own browser.
    SWTUtil::launchBrowserLinksExternally(*browser, url);
    // The page's form was sent: the popup has done its work.
    std::weak_ptr<tk::Shell> weakPopup = m_sharePopup;
    std::weak_ptr<int> alive = m_alive;
    browser->addLocationChangedListener([this, weakPopup, alive](tk::Event& event) {
        if (!event.top || event.location.find('?') == std::string::npos) return;
        m_display->asyncExec([weakPopup, alive] {
            auto shell = weakPopup.lock();
            if (!alive.expired() && shell && !shell->isDisposed()) shell->close();
        });
    });
}

void RLBRTW::showPanelPopupIfNecessary() {
    if (RLPreferences::getPanelPopupDate() != 0 || !isOnline()) return;
    const int launches = RLPreferences::getLaunchCount();
    if (launches < 4 && !(launches == 1 && RLPreferences::getAccountCountOnLaunch() > 0)) return;
    RLPreferences::setPanelPopupDate(RLPreferences::currentTimeMillis());
    RLPreferences::savePrefs();
    const std::string url =
        foundation::HostTable::url(OPT_IN_ROLE, "/optin/optin.php?UUID=" + RLPreferences::getUUID());
    Logger::info("Accessing panel optin at [" + url + "]");
    m_panelPopup = openPopup(PANEL_POPUP_WIDTH, PANEL_POPUP_HEIGHT, PANEL_TITLE, url, nullptr);
}

bool RLBRTW::isOnlineOrAccepted(bool forLink, bool forSingleAccount) {
    if (isOnline()) return true;
    return BaseRLApp::promptUserNotConnected(m_shell.get(), forLink, forSingleAccount, false,
                                             m_browser ? m_browser->getUrl() : "");
}

// ---------------------------------------------------------------------------
// Navigation

bool RLBRTW::refuseWhileChecking(const char* textKey, const char* titleKey) {
    if (!BaseRLApp::isCheckInProgress()) return false;
    SWTUtil::showMessageBoxAllKeys(m_shell.get(), textKey, RLConstants::ProductNameDisplay(), titleKey,
                                   tk::ICON_INFORMATION | tk::OK);
    // The wrapper still goes on to its local page; only the tracker's
    // action waits for the retrieval.
    return true;
}

void RLBRTW::handleBrowserBeforeNavigate2(tk::Event& event) {
    const int64_t started = steadyMillis();
    try {
        handleNavigation(event);
    } catch (const std::exception& failure) {
        Logger::error("Cannot handle the navigation to " + event.location, failure);
    }
    Logger::verbose("brtw browser changing took " + std::to_string(steadyMillis() - started) + " ms");
}

void RLBRTW::handleNavigation(tk::Event& event) {
    const std::string url = event.location;
    const std::optional<std::string> page = localPage(url);

    // 1. The online form of a page shown offline, on its way.
    if (m_offlineToOnline && !isPage(page, NEWS_PAGE)) {
        m_offlineToOnline = false;
        return;
    }

    // 2. Pages that change what the tracker shows end its Users and
    //    Accounts dialog first.
    if (isPage(page, BALANCES_PAGE) || isPage(page, CANCEL_PAGE) || isPage(page, SUMMARY_PAGE) ||
        isPage(page, SETUP_PAGE)) {
        std::shared_ptr<tracker::ui::SetupDialog> dialog = m_rlApp ? m_rlApp->getSetupDialog() : nullptr;
        if (dialog && dialog->getShell() && !dialog->getShell()->isDisposed() && !dialog->done(false)) {
            event.doit = false;
            return;
        }
    }

    // 3. The page's own frames.
    if (isPage(page, NEWS_PAGE) || isPage(page, EMAIL_PAGE) || isPage(page, "ad-300x250-blank") ||
        isPage(page, "ad-160x600-blank") || isPage(page, "ad-300x250-offline") ||
        isPage(page, "ad-160x600-offline") || SWTUtil::isURLForAboutBlank(url) || isPage(page, WELCOME_INNER_PAGE)) {
        return;
    }

    // 4. Scripts and ads inside the page.
    if (shouldStopHandlingNavigation(url)) {
        Logger::verbose("Inlining outer JS/ad: " + url);
        RLPreferences::incrementAdCount();
        return;
    }

    if (isPage(page, "cancel.html?update")) {
        // 5. The update button.
        if (!isOnlineOrAccepted(false, false)) {
            event.doit = false;
            return;
        }
        // When the page was an offline one, its online form is on its way
        // instead.
        if (removeOfflineParamFromURLAndBrowseTo(url)) event.doit = false;
        m_rlApp->updateBalances(std::nullopt, 0);
        m_rlApp->show();
        showPanelPopupIfNecessary();
    } else if (isPage(page, "balances.html?cancel")) {
        // 6.
        m_rlApp->updateBalances(std::nullopt, 0);
        m_rlApp->show();
    } else if (isPage(page, BALANCES_PAGE)) {
        // 7.
        m_rlApp->navigateBrowserToBalances();
        m_rlApp->show();
    } else if (isPage(page, CANCEL_PAGE)) {
        // 8. Nothing more.
    } else if (isPage(page, SUMMARY_PAGE)) {
        // 9.
        if (!refuseWhileChecking("RLBRTW.NoSummaryDuringCheck1", "RLBRTW.NoSummaryDuringCheck2")) {
            m_rlApp->navigateBrowserToSummary();
            m_rlApp->show();
        }
    } else if (isPage(page, SETUP_PAGE)) {
        // 10.
        if (!refuseWhileChecking("RLBRTW.NoSetupDuringCheck1", "RLBRTW.NoSetupDuringCheck2")) {
            m_rlApp->showSetupDialog();
            m_rlApp->show();
        }
    } else if (isPage(page, SHARE_PAGE)) {
        // 11.
        showSharePopup();
    } else if (isPage(page, CONTACT_PAGE)) {
        // 12.
        m_rlApp->showHelpBugDialog();
    } else if (isPage(page, JOIN_PANEL_PAGE)) {
        // 13.
        if (isOnlineOrAccepted(true, false)) {
            SWTUtil::navigateExternally(foundation::HostTable::url(
                OPT_IN_ROLE, "/optin/optin_details.php?UUID=" + RLPreferences::getUUID()));
        }
    } else {
        // 14. Ads, news items and deals open in the user's own browser; a
        //     page shown offline is shown online again.
        Logger::verbose("Clickthrough for outer ad/news/deals: " + url);
        event.doit = false;
        if (!isOnlineOrAccepted(true, false)) return;
        removeOfflineParamFromURLAndBrowseTo();
        SWTUtil::navigateExternally(url);
    }
}

}  // namespace portal
