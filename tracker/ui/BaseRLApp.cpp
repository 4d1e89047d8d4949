#include "tracker/ui/BaseRLApp.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>

#include "foundation/EnvUtil.h"
#include "foundation/ExceptionUtil.h"
#include "foundation/FileUtil.h"
#include "foundation/HostTable.h"
#include "foundation/JNIUtil.h"
#include "foundation/Logger.h"
#include "foundation/Messages.h"
#include "foundation/MiscUtil.h"
#include "foundation/ProcessUtil.h"
#include "foundation/RLConstants.h"
#include "foundation/StrUtil.h"
#include "foundation/Thread.h"
#include "platform/registry/Registry.h"
#include "platform/toolkit/Toolkit.h"
#include "tracker/core/History.h"
#include "tracker/core/IDisplayer.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLEngine.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/core/SourceConfig.h"
#include "tracker/ui/AboutDialog.h"
#include "tracker/ui/BugReportDialog.h"
#include "tracker/ui/ICleanable.h"
#include "tracker/ui/IUpgrader.h"
#include "tracker/ui/IWrapper.h"
#include "tracker/ui/OptionsDialog.h"
#include "tracker/ui/SetupDialog.h"
#include "tracker/ui/SWTUtil.h"

namespace tracker::ui {

using foundation::EnvUtil;
using foundation::Logger;
using foundation::Messages;
using foundation::RLConstants;
using tracker::RLEngine;
using tracker::RLPreferences;

namespace {

// Window geometry options are kept in units of 1/15 pixel.
constexpr int TWIPS_PER_PIXEL = 15;
// How long the end of the process waits for the threads the window started.
constexpr int64_t THREAD_END_WAIT_MS = 5000;

const char* const BROWSER_VERSION_KEY = "SOFTWARE\\Microsoft\\Internet Explorer";

std::mutex g_processEndLock;
BaseRLApp::ProcessEnd& processEndHandler() {
    static BaseRLApp::ProcessEnd handler;
    return handler;
}

int64_t steadyMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A user index of a page action: a decimal int, optionally signed.
int parseUserIndex(const std::string& text) {
    size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (i == text.size()) throw std::invalid_argument("No user index in \"" + text + "\"");
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') throw std::invalid_argument("Not a user index: \"" + text + "\"");
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX) throw std::out_of_range("User index out of range: \"" + text + "\"");
    }
    return static_cast<int>(text[0] == '-' ? -value : value);
}

// The user of a page action, which must exist.
int userOfAction(const std::string& url) {
    const int user = parseUserIndex(foundation::StrUtil::extract(url, std::string("u="), "&"));
    if (user < 0 || user >= RLPreferences::getUserCount()) {
        throw std::out_of_range("No user " + std::to_string(user));
    }
    return user;
}

// The program of a page action, which must be in the program table.
const tracker::SourceConfig& programOfAction(const std::string& key) {
    const tracker::SourceConfig* config = RLPreferences::getConfig(key);
    if (!config) throw std::invalid_argument("Unknown program key \"" + key + "\"");
    return *config;
}

// Runs a window action from an event: a failure is logged, never passed to
// the event loop.
void guarded(const std::string& what, const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& failure) {
        Logger::error("Cannot " + what, failure);
    }
}

// A board of one of the two travel forums the result pages link to.
bool isForumLink(const std::string& url) {
    using tracker::SourceConfig;
    for (const auto& [role, path] : {std::pair{SourceConfig::FLYERTALK_SITE, SourceConfig::FLYERTALK_PATH},
                                     std::pair{SourceConfig::ITYT_SITE, SourceConfig::ITYT_PATH}}) {
        if (foundation::HostTable::get(role).empty()) continue;
        if (url.rfind(foundation::HostTable::url(role, path), 0) == 0) return true;
    }
    return false;
}

std::string fileUrl(const std::string& path) { return tracker::BaseEngine::toFileURL(path); }

const std::string& productInternal() { return RLConstants::ProductNameInternal(); }

}  // namespace

// ---------------------------------------------------------------------------
// The engine's calls, one object per engine. Every call that touches the
// window becomes a task for the user-interface thread, which drops it when
// the window is gone or the engine is no longer the window's current one.

class BaseRLApp::EngineLink : public tracker::IDisplayer {
public:
    EngineLink(BaseRLApp* window, tk::Display* display, std::weak_ptr<int> alive,
               const std::shared_ptr<RLEngine>& engine)
        : m_window(window), m_display(display), m_alive(std::move(alive)), m_engine(engine) {}

    void requestCancel() { m_cancelCheck.store(true); }
    std::shared_ptr<RLEngine> engine() const { return m_engine.lock(); }

    void updateProgress() override {
        post([](BaseRLApp& window, const std::shared_ptr<RLEngine>& engine) {
            if (window.m_progressBar) window.m_progressBar->setSelection(engine->getSourcesCompleted());
        });
    }

    void sourceThreadStarted(const std::shared_ptr<tracker::RLSource>& source) override {
        std::lock_guard<std::mutex> guard(m_sourcesLock);
        m_sources.push_back(source);
    }

    void refreshResults() override {
        // The other editions show the results when the retrieval ends.
        if (!BaseRLApp::isAppTypeFarhaven()) return;
        post([](BaseRLApp& window, const std::shared_ptr<RLEngine>&) {
            if (window.m_browser) window.m_browser->refresh();
        });
    }

    void done() override {
        post([](BaseRLApp& window, const std::shared_ptr<RLEngine>& engine) { window.retrievalDone(engine); });
    }

    bool cancelCheck() override {
        if (!m_cancelCheck.exchange(false)) return false;
        post([](BaseRLApp& window, const std::shared_ptr<RLEngine>&) {
            if (window.m_progressBar) window.m_progressBar->setSelection(0);
        });
        return true;
    }

    // The account threads started so far.
    std::vector<std::shared_ptr<tracker::RLSource>> sources() const {
        std::lock_guard<std::mutex> guard(m_sourcesLock);
        std::vector<std::shared_ptr<tracker::RLSource>> out;
        for (const auto& weak : m_sources) {
            if (auto source = weak.lock()) out.push_back(source);
        }
        return out;
    }

private:
    using Task = void (*)(BaseRLApp&, const std::shared_ptr<RLEngine>&);

    void post(Task task) {
        std::weak_ptr<int> alive = m_alive;
        std::weak_ptr<RLEngine> weakEngine = m_engine;
        BaseRLApp* window = m_window;
        m_display->asyncExec([alive, weakEngine, window, task] {
            if (alive.expired()) return;
            auto engine = weakEngine.lock();
            if (!engine || !window->isCurrentEngine(engine)) return;
            guarded("update the window after an engine call", [&] { task(*window, engine); });
        });
    }

    BaseRLApp* m_window;
    tk::Display* m_display;
    std::weak_ptr<int> m_alive;
    std::weak_ptr<RLEngine> m_engine;
    std::atomic<bool> m_cancelCheck{false};
    mutable std::mutex m_sourcesLock;
    std::vector<std::weak_ptr<tracker::RLSource>> m_sources;
};

// ---------------------------------------------------------------------------
// Statics

std::atomic<int> BaseRLApp::m_appType{APP_TYPE_LANTERNBAY};
std::atomic<tk::Display*> BaseRLApp::m_display{nullptr};
std::atomic<tk::Shell*> BaseRLApp::m_parentShell{nullptr};
std::mutex BaseRLApp::m_parentUUIDLock;
std::string BaseRLApp::m_parentUUID;
std::atomic<bool> BaseRLApp::m_isCheckInProgress{false};
std::atomic<BaseRLApp*> BaseRLApp::m_self{nullptr};

const std::string& BaseRLApp::BUTTON_TEXT_UPDATE() {
    static const std::string text = Messages::get("BaseRLApp.CheckAll");
    return text;
}

const std::string& BaseRLApp::BUTTON_TEXT_CANCEL() {
    static const std::string text = Messages::get("BaseRLApp.CancelCheck");
    return text;
}

const std::string& BaseRLApp::ICON_PATH() {
    static const std::string path = productInternal() + ".ico";
    return path;
}

std::string BaseRLApp::getParentUUID() {
    std::lock_guard<std::mutex> guard(m_parentUUIDLock);
    return m_parentUUID;
}

void BaseRLApp::setParentUUID(const std::string& uuid) {
    std::lock_guard<std::mutex> guard(m_parentUUIDLock);
    m_parentUUID = uuid;
}

void BaseRLApp::initLogger() {
    Logger::setLogFilePath(productInternal() + ".log");
    Logger::setLevel(Logger::LEVEL_VERBOSE);
    Logger::setUseConsole(true);
}

void BaseRLApp::staticCleanUp(bool viaWrapper) {
    if (BaseRLApp* self = m_self.load()) self->cleanUp(viaWrapper);
}

void BaseRLApp::setProcessEnd(ProcessEnd end) {
    std::lock_guard<std::mutex> guard(g_processEndLock);
    processEndHandler() = std::move(end);
}

void BaseRLApp::endProcess(int status) {
    ProcessEnd handler;
    {
        std::lock_guard<std::mutex> guard(g_processEndLock);
        handler = processEndHandler();
    }
    if (handler) {
        handler(status);
        return;
    }
    // Every other thread of the program (reports, upgrade checks, ...) is
    // asked to stop and joined as well; one that does not end in time ends
    // the process there.
    const int code = foundation::Thread::endProcess(status);
    Logger::close();
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    // Every thread has ended; the window system's objects are left to the
    // system rather than torn down from inside its event loop.
    std::_Exit(code);
}

// ---------------------------------------------------------------------------
// Construction

BaseRLApp::BaseRLApp() = default;

BaseRLApp::~BaseRLApp() {
    if (!stopThreads(THREAD_END_WAIT_MS)) Logger::error("Tracker window dropped while its threads still run");
    m_alive.reset();
    BaseRLApp* self = this;
    if (m_self.compare_exchange_strong(self, nullptr)) {
        setCheckInProgress(false);
        if (m_composite && getShell() == m_composite.get()) setShell(nullptr);
    }
    // The listeners of the window's widgets call this object: they go first.
    try {
        if (m_menu && !m_menu->isDisposed()) m_menu->dispose();
        if (m_composite && !m_composite->isDisposed()) m_composite->dispose();
    } catch (const std::exception& failure) {
        Logger::error("Cannot dispose the tracker window", failure);
    }
}

void BaseRLApp::init(int appType, tk::Display* display, tk::Shell* parent, int style, bool showDetailsColumn,
                     bool showNavColumn, const std::string& parentUUID, IWrapper* wrapper) {
    try {
        initLogger();
        Logger::info("Launched");

        m_showDetailsColumn = showDetailsColumn;
        m_showNavColumn = showNavColumn;
        m_wrapper = wrapper;
        m_self.store(this);
        setAppType(appType);
        if (!display) display = tk::Display::getCurrent();
        if (!display) display = tk::Display::getDefault();
        setDisplay(display);
        setParentUUID(parentUUID);

        buildWindow(appType, display, parent, style);

        if (appType != APP_TYPE_LANTERNBAY) {
            try {
                foundation::JNIUtil::initConnectionCheck();
            } catch (const std::exception& failure) {
                Logger::error("Unable to initialize WinUtil", failure);
            }
        }

        // The launch report below reads the screen and the browser.
        fillEnvironmentSeams();
        RLPreferences::loadPrefs(productInternal(), std::make_shared<tracker::PropertiesPrefPersist>());
        Logger::setLevel(RLPreferences::getLoggingLevel());

        if (appType == APP_TYPE_FARHAVEN) {
            auto* shell = static_cast<tk::Shell*>(m_composite.get());
            shell->setText(RLConstants::ProductNameDisplay() + " - " + RLConstants::WebsiteShort());
            shell->addListener(tk::Close, [this](tk::Event&) { cleanUp(false); });
        } else if (appType == APP_TYPE_LANTERNBAY) {
            static_cast<tk::Shell*>(m_composite.get())->setText("Lanternbay");
        }

        m_composite->addListener(tk::Resize, [this](tk::Event&) { layout(); });
        createIcon();
        createMenus();

        const bool branded = appType == APP_TYPE_BRTW || appType == APP_TYPE_ROAMBAY;
        m_browser = tk::make<tk::Browser>(m_composite, branded ? tk::BORDER : tk::NONE);
        m_browser->addLocationChangingListener([this](tk::Event& event) { handleBrowserBeforeNavigate2(event); });
        SWTUtil::initializeBrowserForPopups(display, *m_browser);

        if (!branded) {
            m_buttons = tk::make<tk::Composite>(m_composite, tk::NO_FOCUS);
            if (appType == APP_TYPE_LANTERNBAY) {
                m_buttons->setSize(428, 44);
            } else {
                m_buttons->setSize(272, 72);
            }
            createButtons();
        }

        m_progressBar = tk::make<tk::ProgressBar>(m_composite, tk::HORIZONTAL);
        m_progressBar->setSize(0, PROGRESS_BAR_HEIGHT);
        m_progressBar->setMinimum(0);
        m_progressBar->setMaximum(1);
        m_progressBar->setSelection(0);

        baseInit();
    } catch (const std::exception& failure) {
        Logger::error("Could not initialize app", failure);
    }
}

void BaseRLApp::buildWindow(int appType, tk::Display* display, tk::Shell* parent, int style) {
    switch (appType) {
        case APP_TYPE_FARHAVEN: {
            auto shell = tk::make<tk::Shell>(display, style);
            m_composite = shell;
            m_hostShell = nullptr;
            setShell(shell.get());
            break;
        }
        case APP_TYPE_LANTERNBAY: {
            if (!parent) throw std::invalid_argument("The portal edition needs a host shell");
            m_composite = tk::make<tk::Shell>(parent, style);
            m_hostShell = parent;
            setShell(parent);
            break;
        }
        default: {
            if (!parent) throw std::invalid_argument("A branded edition needs a host shell");
            m_composite = tk::make<tk::Composite>(parent, style);
            m_hostShell = parent;
            setShell(parent);
            break;
        }
    }
    // Nothing may reach the shell through the statics once it is gone.
    tk::Shell* shell = getShell();
    shell->addDisposeListener([shell](tk::Event&) {
        tk::Shell* expected = shell;
        m_parentShell.compare_exchange_strong(expected, nullptr);
    });
}

void BaseRLApp::fillEnvironmentSeams() {
    tk::Display* display = getDisplay();
    if (!display) return;
    // Asked on a thread with a display, the answers come from it; anywhere
    // else (reports written by other threads, or after the display is gone)
    // from the last look.
    static std::atomic<int64_t> screenSize{0};
    static std::atomic<int> titleBar{0};
    auto look = [] {
        tk::Display* current = tk::Display::getCurrent();
        if (!current || current->isDisposed()) return;
        const tk::Rectangle screen = current->getBounds();
        screenSize.store((static_cast<int64_t>(screen.width) << 32) | static_cast<uint32_t>(screen.height));
        titleBar.store(current->getTitleBarHeight());
    };
    look();
    EnvUtil::setResolutionProvider([look] {
        look();
        const int64_t packed = screenSize.load();
        return std::pair<int, int>(static_cast<int>(packed >> 32), static_cast<int>(packed & 0xFFFFFFFF));
    });
    EnvUtil::setTitleBarHeightProvider([look] {
        look();
        return titleBar.load();
    });

    const std::string version = display->getBrowserVersion();
    if (!version.empty()) {
        reg::Value value;
        value.name = "Version";
        value.type = reg::REG_SZ;
        value.text = version;
        reg::setLocalMachineFact(BROWSER_VERSION_KEY, value);
    }
}

void BaseRLApp::createIcon() {
    try {
        m_icon = tk::make<tk::Image>(getDisplay(), ICON_PATH());
    } catch (const std::exception& failure) {
        // The window works without its picture.
        Logger::error("Unable to load icon " + ICON_PATH(), failure);
        m_icon.reset();
        return;
    }
    if (isAppTypeFarhaven()) static_cast<tk::Shell*>(m_composite.get())->setImage(m_icon);
}

std::shared_ptr<tk::MenuItem> BaseRLApp::createMenuItem(const std::shared_ptr<tk::Menu>& menu,
                                                        const std::string& textKey, bool withDots,
                                                        const std::string& accelKey, std::function<void()> action) {
    auto item = tk::make<tk::MenuItem>(menu, tk::PUSH);
    const std::string letter = Messages::get(accelKey);
    item->setText(Messages::get(textKey) + (withDots ? "..." : "") + "\tCtrl+" + letter);
    if (letter.size() == 1) item->setAccelerator(tk::CTRL | static_cast<unsigned char>(letter[0]));
    item->addSelectionListener([textKey, action](tk::Event&) { guarded("run menu item " + textKey, action); });
    return item;
}

void BaseRLApp::createMenus() {
    tk::Shell* owner = getMenuAndDialogShell();
    m_menu = tk::make<tk::Menu>(owner, tk::BAR);
    owner->setMenuBar(m_menu.get());

    auto cascade = [this](const std::string& key) {
        auto item = tk::make<tk::MenuItem>(m_menu, tk::CASCADE);
        item->setText(Messages::get(key));
        return tk::make<tk::Menu>(item.get());
    };
    auto separator = [](const std::shared_ptr<tk::Menu>& menu) { tk::make<tk::MenuItem>(menu, tk::SEPARATOR); };

    auto file = cascade("BaseRLApp.FileMenu");
    createMenuItem(file, "BaseRLApp.SaveAsHTMLMenu", true, "BaseRLApp.SaveAsHTMLAccel", [this] { event_mniFileSave(); });
    separator(file);
    createMenuItem(file, "BaseRLApp.PageSetupMenu", true, "BaseRLApp.PageSetupAccel",
                   [this] { event_mniFilePageSetup(); });
    createMenuItem(file, "BaseRLApp.PrintMenu", true, "BaseRLApp.PrintAccel", [this] { event_mniFilePrint(); });
    createMenuItem(file, "BaseRLApp.PrintPreviewMenu", true, "BaseRLApp.PrintPreviewAccel",
                   [this] { event_mniFilePrintPreview(); });
    separator(file);
    createMenuItem(file, "BaseRLApp.ExitMenu", false, "BaseRLApp.ExitAccel", [this] { event_mniFileExit(); });

    auto setup = cascade("BaseRLApp.SetupMenu");
    m_mnuSetupSetup = createMenuItem(setup, "BaseRLApp.UsersAndAccountsMenu", false, "BaseRLApp.SetupAccel",
                                     [this] { event_mniSetupSetup(); });
    m_mnuSetupOptions = createMenuItem(setup, "BaseRLApp.SettingsMenu", false, "BaseRLApp.SettingsAccel",
                                       [this] { event_mniSetupOptions(); });
    separator(setup);
    createMenuItem(setup, "BaseRLApp.BackupMenu", true, "BaseRLApp.BackupAccel", [this] { event_mniSetupBackup(); });

    auto help = cascade("BaseRLApp.HelpMenu");
    createMenuItem(help, "BaseRLApp.DocumentationMenu", false, "BaseRLApp.DocumentationAccel",
                   [this] { event_mniHelpDoc(); });
    createMenuItem(help, "BaseRLApp.WebsiteMenu", false, "BaseRLApp.WebsiteAccel", [this] { event_mniHelpWebsite(); });
    createMenuItem(help, "BaseRLApp.BugMenu", true, "BaseRLApp.BugAccel", [this] { event_mniHelpBug(); });
    createMenuItem(help, "BaseRLApp.AboutMenu", false, "BaseRLApp.AboutAccel", [this] { event_mniHelpAbout(); });
}

std::shared_ptr<tk::Button> BaseRLApp::createButton(const std::string& text, int x, int y,
                                                     std::function<void()> action) {
    auto button = tk::make<tk::Button>(m_buttons, tk::PUSH);
    button->setText(text);
    button->setBounds(x, y, isAppTypeLanternbay() ? 132 : 124, 24);
    button->addSelectionListener([text, action](tk::Event&) { guarded("run button " + text, action); });
    return button;
}

void BaseRLApp::createButtons() {
    const bool portal = isAppTypeLanternbay();
    m_btnSetup = createButton(Messages::get("BaseRLApp.UsersAndAccountsButton"), 8, 12, [this] { showSetupDialog(); });
    m_btnOptions = createButton(Messages::get("BaseRLApp.SettingsButton"), portal ? 148 : 8, portal ? 12 : 40,
                                [this] { showOptionsDialog(); });
    m_btnUpdate = createButton(BUTTON_TEXT_UPDATE(), portal ? 288 : 140, 12,
                               [this] { updateBalances(std::nullopt, 0); });
    SWTUtil::boldFontOnControl(*m_btnUpdate);
    if (!portal) {
        m_btnBug = createButton(Messages::get("BaseRLApp.BugButton"), 140, 40, [this] { showHelpBugDialog(); });
    }
}

void BaseRLApp::setResultsDir(const std::string& workingFolder) {
    m_resultsDir = workingFolder;
    if (m_resultsDir.empty() || m_resultsDir.back() != '/') m_resultsDir += '/';
    // The same folder as a file address spells it.
    m_resultsDirAlt = fileUrl(m_resultsDir).substr(std::string("file://").size());
}

void BaseRLApp::baseInit() {
    if (isAppTypeFarhaven()) {
        auto* shell = static_cast<tk::Shell*>(m_composite.get());
        const int x = RLPreferences::getWindowX() / TWIPS_PER_PIXEL;
        const int y = RLPreferences::getWindowY() / TWIPS_PER_PIXEL;
        const int width = RLPreferences::getWindowWidth() / TWIPS_PER_PIXEL;
        const int height = RLPreferences::getWindowHeight() / TWIPS_PER_PIXEL;
        shell->setBounds(x, y, width, height);
        if (x == 0 && y == 0) {
            shell->setLocation(SWTUtil::calculateCenter(tk::Point{width, height}, getDisplay()->getBounds()));
        }
    }
    setResultsDir(EnvUtil::getWorkingDirectory());
    initEngine(true, false, !isAppTypeFarhaven(), std::nullopt, 0, true, isAppTypeBranded());
    if (!isAppTypeFarhaven()) {
        const std::string abbreviations = m_resultsDir + productInternal() + "-Abbr.html";
        if (!foundation::FileUtil::doesFileExist(abbreviations)) {
            Logger::writeFile(abbreviations, RLPreferences::generateAbbreviationLookupHTML(m_engine->getCSSUrl()));
        }
    }
    checkForUpgrade();
}

void BaseRLApp::layout() {
    if (!m_composite || m_composite->isDisposed()) return;
    const tk::Rectangle area = m_composite->getClientArea();
    const int width = area.width;
    const int height = area.height;
    const int bar = PROGRESS_BAR_HEIGHT;
    if (m_progressBar) m_progressBar->setBounds(0, height - bar, width, bar);
    if (!m_browser) return;
    m_browser->setLocation(3, 3);
    if (m_buttons) {
        const tk::Point panel = m_buttons->getSize();
        m_buttons->setLocation((width - panel.x) / 2, height - panel.y - bar - 6);
        m_browser->setSize(width - 6, height - panel.y - bar - 9);
    } else {
        m_browser->setSize(width - 6, height - bar - 9);
    }
}

// ---------------------------------------------------------------------------
// Showing and placing

void BaseRLApp::show() {
    if (!m_composite) return;
    m_composite->setVisible(true);
    if (isAppTypeFarhaven()) static_cast<tk::Shell*>(m_composite.get())->open();
    // Inside the portal, shown again it comes up on top of the portal's
    // window, whatever was raised while it was hidden.
    if (isAppTypeLanternbay()) m_composite->moveAbove(nullptr);
    // An open Users and Accounts dialog stays in front of the tracker.
    if (m_setupDialog) m_setupDialog->moveAbove(getShell());
}

void BaseRLApp::hide() {
    if (m_composite) m_composite->setVisible(false);
}

void BaseRLApp::setSize(const tk::Point& size) {
    if (m_composite) m_composite->setSize(size);
}

void BaseRLApp::setLocation(int x, int y) {
    if (!m_composite) return;
    m_composite->setLocation(x, y + (m_wrapper ? m_wrapper->getTitleBarHeightDiff() : 0));
}

tk::Shell* BaseRLApp::getMenuAndDialogShell() const {
    if (isAppTypeLanternbay()) return static_cast<tk::Shell*>(m_composite.get());
    return getShell();
}

void BaseRLApp::enableSetupAndOptions(bool enabled) {
    if (isAppTypeLanternbay() || isAppTypeFarhaven()) {
        if (m_btnSetup) m_btnSetup->setEnabled(enabled);
        if (m_btnOptions) m_btnOptions->setEnabled(enabled);
        if (m_mnuSetupSetup) m_mnuSetupSetup->setEnabled(enabled);
    }
    if (m_mnuSetupOptions) m_mnuSetupOptions->setEnabled(enabled);
}

void BaseRLApp::showSetupDialog() {
    // Only one dialog edits the users at a time: where the dialog is not
    // modal, asking again brings the open one forward.
    if (m_setupDialog && m_setupDialog->getShell() && !m_setupDialog->getShell()->isDisposed()) {
        m_setupDialog->getShell()->setActive();
        return;
    }
    tk::Shell* shell = getMenuAndDialogShell();
    std::shared_ptr<SetupDialog> dialog =
        m_wrapper ? m_wrapper->createSetupDialog(shell, this) : std::make_shared<SetupDialog>(shell, this, nullptr);
    if (!dialog || !dialog->getShell() || dialog->getShell()->isDisposed()) return;
    m_setupDialog = dialog;
    keepDialog(dialog);
    // An ended dialog is forgotten, so nothing reaches a dialog whose
    // window is gone.
    std::weak_ptr<int> alive = m_alive;
    SetupDialog* kept = dialog.get();
    dialog->getShell()->addDisposeListener([this, alive, kept](tk::Event&) {
        if (!alive.expired() && m_setupDialog.get() == kept) m_setupDialog.reset();
    });
    dialog->open();
}

void BaseRLApp::showOptionsDialog() {
    auto dialog = std::make_shared<OptionsDialog>(getMenuAndDialogShell(), this);
    keepDialog(dialog);
    dialog->open();
}

void BaseRLApp::showHelpBugDialog() {
    auto dialog = std::make_shared<BugReportDialog>(getMenuAndDialogShell(), this);
    keepDialog(dialog);
    dialog->open();
}

void BaseRLApp::showAboutDialog() {
    auto dialog = std::make_shared<AboutDialog>(getMenuAndDialogShell(), this);
    keepDialog(dialog);
    dialog->open();
}

void BaseRLApp::keepDialog(const std::shared_ptr<BaseDialog>& dialog) {
    tk::Shell* shell = dialog->getShell();
    if (!shell || shell->isDisposed()) return;
    m_dialogs.push_back(dialog);
    // Dropped after the dispose has run its course: the dialog's own
    // listeners may be what closed the shell.
    std::weak_ptr<int> alive = m_alive;
    BaseDialog* kept = dialog.get();
    tk::Display* display = shell->getDisplay();
    shell->addDisposeListener([this, alive, kept, display](tk::Event&) {
        display->asyncExec([this, alive, kept] {
            if (alive.expired()) return;
            std::erase_if(m_dialogs, [kept](const std::shared_ptr<BaseDialog>& d) { return d.get() == kept; });
        });
    });
}

std::vector<BaseDialog*> BaseRLApp::getDialogs() const {
    std::vector<BaseDialog*> out;
    for (const auto& dialog : m_dialogs) out.push_back(dialog.get());
    return out;
}

// ---------------------------------------------------------------------------
// Edition hooks

IWrapper* BaseRLApp::getWrapper() { return m_wrapper; }

std::shared_ptr<IUpgrader> BaseRLApp::getUpgraderInstance(ICleanable*) { return nullptr; }

std::shared_ptr<SetupDialog> BaseRLApp::getSetupDialog() { return m_setupDialog; }

std::string BaseRLApp::getRegistryKeyPrefix() { return ""; }

std::string BaseRLApp::getExeName() { return ""; }

std::shared_ptr<RLEngine> BaseRLApp::getEngine() { return m_engine; }

std::string BaseRLApp::getAdFilter() { return ""; }

std::shared_ptr<tk::Image> BaseRLApp::getIcon() { return m_icon; }

void BaseRLApp::nullSetupDialog() { m_setupDialog.reset(); }

tk::Composite* BaseRLApp::getComposite() const { return m_composite.get(); }
tk::Browser* BaseRLApp::getBrowser() const { return m_browser.get(); }
tk::ProgressBar* BaseRLApp::getProgressBar() const { return m_progressBar.get(); }
tk::Composite* BaseRLApp::getButtons() const { return m_buttons.get(); }
tk::Button* BaseRLApp::getUpdateButton() const { return m_btnUpdate.get(); }
tk::Button* BaseRLApp::getSetupButton() const { return m_btnSetup.get(); }
tk::Button* BaseRLApp::getOptionsButton() const { return m_btnOptions.get(); }
tk::Button* BaseRLApp::getBugButton() const { return m_btnBug.get(); }
tk::Menu* BaseRLApp::getMenu() const { return m_menu.get(); }
tk::MenuItem* BaseRLApp::getSetupMenuItem() const { return m_mnuSetupSetup.get(); }
tk::MenuItem* BaseRLApp::getOptionsMenuItem() const { return m_mnuSetupOptions.get(); }

// ---------------------------------------------------------------------------
// Retrieval control

void BaseRLApp::updateBalances(const std::optional<std::string>& programKey, int userIndex) {
    if (isCheckInProgress()) {
        if (m_engineLink) m_engineLink->requestCancel();
        enableSetupAndOptions(true);
        setCheckInProgress(false);
        if (m_btnUpdate) m_btnUpdate->setText(BUTTON_TEXT_UPDATE());
        if (!isAppTypeFarhaven()) navigateBrowserToBalances();
        return;
    }
    if (m_wrapper) m_wrapper->updateContent();
    runUpgradeCheck();
    RLPreferences::setLastRunDate(tracker::BasePreferences::currentTimeMillis());
    enableSetupAndOptions(false);
    setCheckInProgress(true);
    if (m_btnUpdate) m_btnUpdate->setText(BUTTON_TEXT_CANCEL());
    initEngine(false, true, true, programKey, userIndex, false, false);

    // Links of engines that have ended are dropped as new ones start.
    std::erase_if(m_startedLinks, [](const std::shared_ptr<EngineLink>& link) {
        auto engine = link->engine();
        if (engine && engine->isAlive()) return false;
        for (const auto& source : link->sources()) {
            if (source->isAlive()) return false;
        }
        return true;
    });
    m_startedLinks.push_back(m_engineLink);
    m_engine->start();
}

void BaseRLApp::initEngine(bool writeStyleAndScript, bool markAllPending, bool writeInterstitial,
                           const std::optional<std::string>& programKey, int userIndex, bool showBalances,
                           bool noNavigation) {
    if (markAllPending) RLPreferences::setAllCurrentBalancesToPending();

    auto engine = RLEngine::create();
    auto link = std::make_shared<EngineLink>(this, getDisplay(), m_alive, engine);
    m_engine = engine;
    m_engineLink = link;
    engine->setupOutputandURLPaths(m_resultsDir);
    engine->setDisplayer(link);
    engine->init(programKey, userIndex, m_showDetailsColumn, m_showNavColumn);

    if (m_progressBar) {
        m_progressBar->setSelection(0);
        m_progressBar->setMaximum(engine->getSourcesCreated());
    }

    if (writeStyleAndScript) engine->writeCSSAndJS();
    if (writeInterstitial) engine->writeInterstitial();
    engine->writeSummary(engine->writeOutput());

    if (noNavigation) return;
    if (showBalances) {
        navigateBrowserToBalances();
    } else if (isAppTypeBranded()) {
        RLPreferences::incrementAdCount();
        navigateBrowserToInterstitial();
    } else if (isAppTypeLanternbay()) {
        navigateBrowserToInterstitial();
    } else {
        navigateBrowserToBalances();
    }
}

void BaseRLApp::rebuildOutputAfterChanges(bool retrieve, bool rewriteStyleAndScript) {
    if (retrieve) {
        updateBalances(std::nullopt, 0);
    } else {
        initEngine(rewriteStyleAndScript, false, false, std::nullopt, 0, true, false);
    }
}

void BaseRLApp::navigateBrowserToBalances() {
    if (m_browser && m_engine) m_browser->setUrl(fileUrl(m_engine->getBalancesPath()));
}

void BaseRLApp::navigateBrowserToSummary() {
    if (m_browser && m_engine) m_browser->setUrl(fileUrl(m_engine->getSummaryPath()));
}

void BaseRLApp::navigateBrowserToInterstitial() {
    if (m_browser && m_engine) m_browser->setUrl(fileUrl(m_engine->getInterstitialPath()));
}

bool BaseRLApp::isCurrentEngine(const std::shared_ptr<RLEngine>& engine) const {
    return engine && engine == m_engine;
}

void BaseRLApp::retrievalDone(const std::shared_ptr<RLEngine>&) {
    enableSetupAndOptions(true);
    setCheckInProgress(false);
    if (m_btnUpdate) m_btnUpdate->setText(BUTTON_TEXT_UPDATE());
    if (m_progressBar) m_progressBar->setSelection(m_progressBar->getMaximum());
    if (m_wrapper) m_wrapper->navigateWrapperBrowserToBalances();
    if (!isAppTypeFarhaven()) navigateBrowserToBalances();
    RLPreferences::savePrefs();
}

bool BaseRLApp::promptUserNotConnected(tk::Shell* shell, bool forLink, bool forSingleAccount, bool forNavigation,
                                       const std::string&) {
    std::string text = "You do not appear to be connected to the Internet.  Do you still wish to ";
    if (forLink) {
        text += "launch your web browser to the link that you clicked?";
    } else if (forNavigation) {
        text += "attempt to auto-navigate to your account?";
    } else if (forSingleAccount) {
        text += "attempt to update your balance?";
    } else {
        text += "attempt to update your balances?";
    }
    text += "\r\n\r\nIf so, the application will assume that you've remained connected to the Internet until you "
            "exit it.";
    const std::string title = RLConstants::ProductNameDisplay() + " - Not Connected to Internet";
    if (SWTUtil::showMessageBox(shell, text, title, tk::ICON_QUESTION | tk::YES | tk::NO) != tk::YES) return false;
    foundation::JNIUtil::setOverrideAlwaysConnected(true);
    return true;
}

// ---------------------------------------------------------------------------
// Page actions

void BaseRLApp::handleBrowserBeforeNavigate2(tk::Event& event) {
    const int64_t started = steadyMillis();
    const std::string url = event.location;
    if (m_wrapper && m_wrapper->shouldStopHandlingNavigation(url)) {
        Logger::verbose("Inlining inner JS/ad: " + url);
        const std::string filter = getAdFilter();
        if (!filter.empty() && url.find(filter) != std::string::npos) RLPreferences::incrementAdCount();
    } else if (url.compare(0, std::string(PSEUDO_LINK).size(), PSEUDO_LINK) == 0) {
        event.doit = false;
        const size_t begin = std::string(PSEUDO_LINK).size();
        const size_t query = url.find('?', begin);
        const std::string action = query == std::string::npos ? "" : url.substr(begin, query - begin);
        if (endsWith(action, "TotalChart")) {
            guarded("open total chart (" + action + ")", [&] { openTotalChart(url, action); });
        } else if (endsWith(action, "Details")) {
            const std::string key = action.substr(0, action.find("Details"));
            guarded("open details (" + action + ")", [&] { openDetails(url, action, key); });
        } else if (endsWith(action, "Source")) {
            const std::string key = action.substr(0, action.find("Source"));
            guarded("run single check (" + action + ")", [&] { runSingleCheck(url, action, key); });
        } else if (endsWith(action, "Navigator")) {
            const std::string key = action.substr(0, action.find("Navigator"));
            guarded("run navigator (" + action + ")", [&] { runNavigator(url, action, key); });
        }
    } else if (isForumLink(url)) {
        event.doit = false;
        SWTUtil::navigateExternally(url);
    } else if (!m_resultsDir.empty() &&
               (url.find(m_resultsDir) != std::string::npos || url.find(m_resultsDirAlt) != std::string::npos)) {
        // The program's own pages.
    } else {
        event.doit = false;
        Logger::verbose("Clickthrough for inner ad/news/deals: " + url);
        SWTUtil::navigateExternally(url);
    }
    Logger::verbose("rl browser changing took " + std::to_string(steadyMillis() - started) + " ms");
}

void BaseRLApp::printAdIfLanternbay(std::string& buffer, const std::string& subcategory) {
    if (!isAppTypeLanternbay()) return;
    buffer += RLEngine::headerAdScript(subcategory, tracker::BasePreferences::currentTimeMillis()) + "\n";
}

namespace {

const char* const POPUP_META = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\n";

std::string headerBlock() {
    return "<center><a name='headerlink' href='" + RLConstants::WebsiteLong() +
           "'><img name='headerimg' border='0' height='60' width='468' "
           "src='content/images/misc/spacer.gif'></a></center><p>\n";
}

}  // namespace

void BaseRLApp::writePopupPage(const std::string& html) {
    if (!m_engine) throw std::logic_error("No engine");
    if (!Logger::writeFileChecked(m_engine->getPopupPath(), html)) {
        throw std::runtime_error("Could not write " + m_engine->getPopupPath());
    }
}

void BaseRLApp::openTotalChart(const std::string& url, const std::string& action) {
    Logger::verbose("Opening total chart for " + action);
    const int user = userOfAction(url);
    auto data = RLEngine::getPopupDataValue("TotalChart" + std::to_string(user));
    if (!data) throw std::invalid_argument("No chart for user " + std::to_string(user));

    std::string page = "<html><head>\n";
    page += POPUP_META;
    page += "<script type='text/javascript' src='" + m_engine->getJSUrl() + "'></script>\n";
    page += "</head><body>\n";
    if (isAppTypeLanternbay()) page += headerBlock();
    page += "<script type='text/javascript'>\n";
    page += "e('" + *data + "');\n</script>\n";
    printAdIfLanternbay(page, "_TotalChart");
    page += "</body></html>";
    writePopupPage(page);
    openPopup(580, 685, RLPreferences::getDisplayNameForUser(user) + " - " + RLEngine::TOTAL(), "Roamledger-");
}

void BaseRLApp::openDetails(const std::string& url, const std::string& action, const std::string& key) {
    Logger::verbose("Opening details for " + action);
    const tracker::SourceConfig& config = programOfAction(key);
    const int user = userOfAction(url);
    auto data = RLEngine::getPopupDataValue(key + std::to_string(user));
    if (!data) throw std::invalid_argument("No details for " + key + " of user " + std::to_string(user));

    std::string page = "<html><head>\n";
    page += POPUP_META;
    page += "<script type='text/javascript' src='" + m_engine->getJSUrl() + "'></script>\n";
    page += "<script type='text/javascript'>" + RLEngine::numberFunction() + "</script>\n";
    page += "</head><body>\n";
    if (isAppTypeLanternbay()) {
        page += headerBlock();
    } else if (isAppTypeBRTW()) {
        page += "<center><iframe name='ad-728x90' src='brtw/ad-728x90-details.html' frameborder='0' scrolling='no' "
                "marginheight='0' marginwidth='0' topmargin='0' leftmargin='0' width='728' "
                "height='90'></iframe></center><br>";
    }
    page += "<script type='text/javascript'>\n";
    page += "d(" + *data + ");\n</script>\n";
    printAdIfLanternbay(page, key);
    page += "</body></html>";
    writePopupPage(page);
    openPopup(isAppTypeBRTW() ? 780 : 650, 515, RLPreferences::getDisplayNameForUser(user) + " - " + config.getDisplay(),
              isAppTypeBranded() ? "ad-728x90-details" : "Roamledger-");
}

bool BaseRLApp::isOfflineAndDeclined(const std::string& url, bool forNavigation) {
    if (!isAppTypeBranded()) return false;
    if (foundation::JNIUtil::isConnectedAfterRefresh(false)) return false;
    return !promptUserNotConnected(getShell(), false, !forNavigation, forNavigation, url);
}

void BaseRLApp::runSingleCheck(const std::string& url, const std::string& action, const std::string& key) {
    programOfAction(key);
    const int user = userOfAction(url);
    if (isCheckInProgress()) {
        SWTUtil::showMessageBoxAllKeys(getShell(), "BaseRLApp.NoSingleCheck1", RLConstants::ProductNameDisplay(),
                                       "BaseRLApp.NoSingleCheck2", tk::ICON_INFORMATION | tk::OK);
        return;
    }
    if (isOfflineAndDeclined(url, false)) {
        Logger::info("User offline so not updating balances for " + action);
        return;
    }
    Logger::verbose("Updating balances for " + action);
    if (m_wrapper) m_wrapper->navigateWrapperBrowserToCancel();
    updateBalances(key, user);
}

void BaseRLApp::runNavigator(const std::string& url, const std::string& action, const std::string& key) {
    programOfAction(key);
    const int user = userOfAction(url);
    if (isOfflineAndDeclined(url, true)) {
        Logger::info("User offline so not launching navigator for " + action);
        return;
    }
    Logger::verbose("Launching navigator for " + action);
    if (m_wrapper) m_wrapper->removeOfflineParamFromURLAndBrowseTo();
    // The values go on Navigator's standard input, each ended by a NUL, so
    // that no password shows in the process list.
    std::string values;
    for (const std::string& value : {key, RLPreferences::getUsername(user, key), RLPreferences::getPassword(user, key)}) {
        values += value + '\0';
    }
    const std::string password2 = RLPreferences::getPassword2(user, key);
    if (!password2.empty()) values += password2 + '\0';
    // Started on its own; a failure to start is logged by the launcher.
    (void)foundation::ProcessUtil::launchProcess(NAVIGATOR_EXE_PATH, {"--stdin"}, false, values);
}

void BaseRLApp::openPopup(int width, int height, const std::string& title, const std::string& keepPrefix) {
    tk::Display* display = getDisplay();
    auto shell = tk::make<tk::Shell>(display, tk::APPLICATION_MODAL | tk::BORDER | tk::TITLE | tk::CLOSE | tk::RESIZE);
    shell->setText(title);
    shell->setSize(width, height);
    if (tk::Shell* parent = getShell()) SWTUtil::centerComposite(*shell, parent->getBounds());
    shell->setLayout(std::make_shared<tk::FillLayout>());
    if (m_icon) shell->setImage(m_icon);
    auto browser = tk::make<tk::Browser>(shell, tk::NONE);
    SWTUtil::initializeBrowserForPopups(display, *browser);
    browser->setUrl(fileUrl(m_engine->getPopupPath()));
    SWTUtil::launchBrowserLinksExternally(*browser, keepPrefix);
    shell->layout();
    shell->open();
}

// ---------------------------------------------------------------------------
// Clean-up, backups and upgrade checks

void BaseRLApp::cleanUp(bool viaWrapper) {
    Logger::verbose("Cleaning up");
    if (viaWrapper && m_wrapper) {
        m_wrapper->cleanUp();
        return;
    }
    guarded("save the settings at exit", [this] {
        if (isAppTypeFarhaven() && m_composite && !m_composite->isDisposed()) {
            const tk::Rectangle bounds = m_composite->getBounds();
            RLPreferences::setWindowX(bounds.x * TWIPS_PER_PIXEL);
            RLPreferences::setWindowY(bounds.y * TWIPS_PER_PIXEL);
            RLPreferences::setWindowWidth(bounds.width * TWIPS_PER_PIXEL);
            RLPreferences::setWindowHeight(bounds.height * TWIPS_PER_PIXEL);
        }
        RLPreferences::savePrefs();
    });
    RLPreferences::destroy();
    // Logs its own failure and keeps the points.
    if (m_showDetailsColumn) tracker::History::save();

    if (!stopThreads(THREAD_END_WAIT_MS)) {
        Logger::error("Not every thread ended within " + std::to_string(THREAD_END_WAIT_MS) + " ms");
    }
    m_engine.reset();
    m_engineLink.reset();
    // A dialog that goes ends the threads it started.
    m_dialogs.clear();
    endProcess(0);
}

bool BaseRLApp::stopThreads(int64_t timeoutMs) {
    const int64_t deadline = steadyMillis() + timeoutMs;
    auto left = [deadline] { return std::max<int64_t>(0, deadline - steadyMillis()); };
    std::vector<std::shared_ptr<RLEngine>> engines;
    for (const auto& link : m_startedLinks) {
        if (auto engine = link->engine()) {
            engine->requestStop();
            engines.push_back(engine);
        }
    }
    bool ended = true;
    for (const auto& engine : engines) ended = engine->join(left()) && ended;
    // A stopped engine stops its running account threads; waiting ones were
    // never started.
    for (const auto& link : m_startedLinks) {
        for (const auto& source : link->sources()) {
            source->requestStop();
            ended = source->join(left()) && ended;
        }
    }
    if (ended) m_startedLinks.clear();
    return ended;
}

void BaseRLApp::runUpgradeCheck() {
    if (isAppTypeLanternbay() || numUpgradeChecks >= 2) return;
    std::shared_ptr<IUpgrader> upgrader = getUpgraderInstance(m_wrapper);
    if (!upgrader) return;
    upgrader->go();
    ++numUpgradeChecks;
}

void BaseRLApp::checkForUpgrade() { runUpgradeCheck(); }

void BaseRLApp::event_mniSetupBackup() {
    const std::string name = productInternal();
    tk::FileDialog dialog(getMenuAndDialogShell(), tk::SAVE);
    dialog.setText(Messages::get("BaseRLApp.BackupDialog"));
    dialog.setFilterPath(EnvUtil::getWorkingDirectory(false));
    dialog.setFileName(name + "-Backup-" + foundation::MiscUtil::getCurrentDateString() +
                       tracker::PropertiesPrefPersist::SETTINGS_EXTENSION);
    dialog.setFilterExtensions({"*.settings"});
    std::optional<std::string> chosen = dialog.open();
    if (!chosen) return;

    Logger::info("Backing up settings to: " + *chosen);
    const std::string source = EnvUtil::getWorkingDirectory() + name + tracker::PropertiesPrefPersist::SETTINGS_EXTENSION;
    try {
        RLPreferences::savePrefs();
        // Refuses the live settings file itself, by any path.
        foundation::FileUtil::copyFile(source, *chosen);
    } catch (const std::exception& failure) {
        const std::string text = Messages::get("BaseRLApp.NoBackup1") + " " + source + " " +
                                 Messages::get("BaseRLApp.NoBackup2") + " " + *chosen + ". " +
                                 Messages::get("BaseRLApp.NoBackup3") + " " + *chosen + " " +
                                 Messages::get("BaseRLApp.NoBackup4") + ":\r\n\r\n" +
                                 foundation::ExceptionUtil::getStackTrace(failure);
        SWTUtil::showMessageBoxTitleKey(getShell(), text, RLConstants::ProductNameDisplay(), "BaseRLApp.NoBackup5",
                                        tk::ICON_ERROR | tk::OK);
        Logger::error("Backup of settings could not be created at " + *chosen, failure);
    }
}

// ---------------------------------------------------------------------------
// Menu actions

void BaseRLApp::event_mniFileSave() {
    if (m_browser) SWTUtil::oleExecNoArgs(*m_browser, tk::Browser::CMD_SAVE_AS, tk::Browser::OPT_PROMPT_USER);
}

void BaseRLApp::event_mniFilePageSetup() {
    if (m_browser) SWTUtil::oleExecNoArgs(*m_browser, tk::Browser::CMD_PAGE_SETUP, tk::Browser::OPT_PROMPT_USER);
}

void BaseRLApp::event_mniFilePrint() {
    if (m_browser) SWTUtil::oleExecNoArgs(*m_browser, tk::Browser::CMD_PRINT, tk::Browser::OPT_PROMPT_USER);
}

void BaseRLApp::event_mniFilePrintPreview() {
    if (m_browser) SWTUtil::oleExecNoArgs(*m_browser, tk::Browser::CMD_PRINT_PREVIEW, tk::Browser::OPT_PROMPT_USER);
}

void BaseRLApp::event_mniFileExit() { cleanUp(isAppTypeBranded()); }

void BaseRLApp::event_mniSetupSetup() { showSetupDialog(); }

void BaseRLApp::event_mniSetupOptions() { showOptionsDialog(); }

void BaseRLApp::event_mniHelpDoc() { SWTUtil::navigateExternally(RLConstants::SupportWebsite()); }

void BaseRLApp::event_mniHelpWebsite() { SWTUtil::navigateExternally(RLConstants::WebsiteLong()); }

void BaseRLApp::event_mniHelpBug() { showHelpBugDialog(); }

void BaseRLApp::event_mniHelpAbout() { showAboutDialog(); }

}  // namespace tracker::ui
