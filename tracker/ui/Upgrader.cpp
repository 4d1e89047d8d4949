#include "tracker/ui/Upgrader.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <thread>

#include "foundation/AsynchURL.h"
#include "foundation/EnvUtil.h"
#include "foundation/ExceptionUtil.h"
#include "foundation/FileUtil.h"
#include "foundation/HostTable.h"
#include "foundation/LogText.h"
#include "foundation/Logger.h"
#include "foundation/Messages.h"
#include "foundation/ProcessUtil.h"
#include "foundation/PropertiesFormat.h"
#include "foundation/QuietEnd.h"
#include "foundation/RLConstants.h"
#include "foundation/RegistryKey.h"
#include "foundation/StrUtil.h"
#include "foundation/ThreadController.h"
#include "platform/toolkit/Toolkit.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/ICleanable.h"
#include "tracker/ui/SWTUtil.h"
#include "tracker/ui/UpgradeChecker.h"
#include "tracker/ui/UpgradeDownloader.h"

using foundation::ExceptionUtil;
using foundation::FileUtil;
using foundation::Logger;
using foundation::LogText;
using foundation::Messages;
using foundation::StrUtil;
using foundation::ThreadController;

namespace tracker::ui {

namespace {

// How long a worker that was stopped may take to leave its body.
constexpr int64_t JOIN_LIMIT_MS = 10000;

// The program was asked to end (a signal, the end of the session) while a
// cycle waited: the cycle stops where it is, and nothing is handed over.
struct EndRequested {};

std::string workingFolder() { return foundation::EnvUtil::getWorkingDirectory(false); }

// The reply's tokens: cut at "=", CR and LF, empty pieces dropped.
std::vector<std::string> tokensOf(const std::string& details) {
    std::vector<std::string> tokens;
    std::string current;
    for (char c : details) {
        if (c == '=' || c == '\r' || c == '\n') {
            if (!current.empty()) tokens.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) tokens.push_back(std::move(current));
    return tokens;
}

// No address holds control characters; they would only reach log lines
// and failures.
const std::string CONTROL_CHARACTERS = [] {
    std::string chars;
    for (int c = 0; c < 0x20; ++c) chars += static_cast<char>(c);
    return chars + '\x7F';
}();

bool isWebAddress(const std::string& text) {
    return StrUtil::startsWithIgnoreCase(text, "http://") || StrUtil::startsWithIgnoreCase(text, "https://");
}

}  // namespace

std::string Upgrader::m_uuid;
std::string Upgrader::m_downloadDir;
std::atomic<bool> Upgrader::m_wasAnyCheckSuccessful{false};
tk::Display* Upgrader::m_display = nullptr;
std::shared_ptr<tk::Shell> Upgrader::m_shell;
std::shared_ptr<tk::Label> Upgrader::m_status;
std::shared_ptr<tk::ProgressBar> Upgrader::m_progressBar;
tk::Cursor Upgrader::m_cursor;

Upgrader::Upgrader(ICleanable* cleanable, const std::string& uuid, const std::string& upgradeCheckURL,
                   const std::string& productName, const std::string& exeName, const std::string& registryPath,
                   const std::string& registryKeyPrefix)
    : m_cleanable(cleanable),
      m_upgradeCheckURL(upgradeCheckURL),
      m_productName(productName),
      m_exeName(exeName),
      m_registryPath(registryPath),
      m_registryKeyPrefix(registryKeyPrefix),
      m_versionsRelativePath(productName + VERSIONS_SUFFIX),
      m_versionsTempRelativePath(productName + VERSIONS_TEMP_SUFFIX) {
    m_uuid = uuid;
    m_downloadDir = downloadDirectory();
}

Upgrader::~Upgrader() = default;

std::shared_ptr<Upgrader> Upgrader::createForPortal(ICleanable* cleanable, const std::string& guid) {
    return std::make_shared<Upgrader>(cleanable, guid,
                                      foundation::HostTable::url("ProductServer.site", "/lanternbay/upgrade.php"),
                                      "Lanternbay", "Lanternbay", "Software\\Lanternbay", "");
}

std::shared_ptr<Upgrader> Upgrader::createForBrightwire(ICleanable* cleanable) {
    return std::make_shared<Upgrader>(
        cleanable, tracker::RLPreferences::getUUID(),
        foundation::HostTable::url("ProductServer.site", "/roamledger/brtw/upgrade.php"),
        foundation::RLConstants::ProductNameInternal(), "BRTWRL", "Software\\Roamledger", "BRTW");
}

std::string Upgrader::getUUID() { return m_uuid; }

tk::Shell* Upgrader::getProgressShell() { return m_shell.get(); }

std::string Upgrader::downloadDirectory() { return workingFolder() + "/" + DOWNLOAD_DIRECTORY; }

void Upgrader::threadsCompleted() {
    Logger::info("Upgrader completed");
    m_areThreadsCompleted.store(true, std::memory_order_release);
}

void Upgrader::go() {
    if (m_wasAnyCheckSuccessful.load()) return;
    renameVantrellUpgrade();

    m_downloadDir = downloadDirectory();
    if (FileUtil::doesFileExist(m_downloadDir)) {
        try {
            FileUtil::forceDelete(m_downloadDir);
        } catch (const std::exception& failure) {
            Logger::error("Unable to delete: " + m_downloadDir, failure);
        }
    }

    bool asked = false;
    try {
        m_necessaryUpgrades.clear();
        checkForUpgrades();
        if (m_necessaryUpgrades.empty()) {
            Logger::info("No newer versions available");
            return;
        }
        m_wasAnyCheckSuccessful.store(true);
        buildGUI();
        asked = true;
        int answer = askWhileNotEnding();
        if (foundation::QuietEnd::isRequested()) throw EndRequested{};
        if (answer == tk::NO) {
            Logger::info("User chose not to download and install upgrades");
            disposeGUI();
            return;
        }
        Logger::info("User chose to download and install upgrades");
        m_shell->open();
        downloadUpgrades();
        saveTempVersions();
        cleanUpExitAndLaunchVantrell();
    } catch (const EndRequested&) {
        stopForEnd();
        return;
    } catch (const std::exception& failure) {
        Logger::error(failure);
        if (!asked) {
            // Nothing was offered yet: restarting would only meet the same
            // failure again.
            disposeGUI();
            return;
        }
        // A program told to end does not come back by the finisher.
        if (foundation::QuietEnd::isRequested()) {
            stopForEnd();
            return;
        }
        SWTUtil::showMessageBoxAllKeys(m_shell.get(), "Upgrader.UpgradeError1", m_productName,
                                       "Upgrader.UpgradeError2", tk::ICON_ERROR | tk::OK);
        foundation::AsynchURL::reportNonRLSourceError(ExceptionUtil::getExceptionText(failure), getUUID(),
                                                      BUILD_VERSION, "-", "Upgrader", &failure,
                                                      BaseRLApp::getAppType());
        deleteUpgrades();
        cleanUpExitAndLaunchVantrell();
    }
    // Back here only when the finisher could not be started (or a test
    // records the end of the process).
    disposeGUI();
}

void Upgrader::stopForEnd() {
    Logger::info("Upgrade stopped: the program is ending");
    // What a download left behind is of no use to the next start.
    deleteUpgrades();
    disposeGUI();
}

void Upgrader::renameVantrellUpgrade() {
    std::string folder = workingFolder() + "/";
    std::string current = folder + VANTRELL;
    std::string delivered = folder + VANTRELL_NEW;
    std::string retired = folder + VANTRELL_OLD;
    if (!FileUtil::doesFileExist(delivered)) return;
    Logger::info(std::string("A new Vantrell exists.  Renaming ") + VANTRELL + " to " + VANTRELL_OLD + " and " +
                 VANTRELL_NEW + " to " + VANTRELL);
    if (FileUtil::doesFileExist(retired)) {
        Logger::info("An old Vantrell already existed so deleting it first");
        try {
            FileUtil::forceDelete(retired);
        } catch (const std::exception&) {
            // The renames below tell whether it mattered.
        }
    }
    struct stat st;
    mode_t running = ::stat(current.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
    std::rename(current.c_str(), retired.c_str());
    if (std::rename(delivered.c_str(), current.c_str()) != 0) return;
    // An archive made where files carry no modes delivers the finisher as a
    // plain file; it must stay a program, or no later upgrade can start.
    if (::stat(current.c_str(), &st) != 0 || (st.st_mode & S_IXUSR)) return;
    mode_t plain = st.st_mode & 0777;
    ::chmod(current.c_str(), (running & S_IXUSR) ? running : plain | ((plain & 0444) >> 2));
}

void Upgrader::checkForUpgrades() {
    std::string address = m_upgradeCheckURL;
    try {
        if (!foundation::RegistryKey::isInitialized()) foundation::RegistryKey::initialize();
        foundation::RegistryKey key(m_registryPath);
        std::string name = m_registryKeyPrefix + REG_KEY_SUFFIX_UPGRADE_CHECK_URL;
        if (key.hasValue(name)) address = key.getValue(name).getStringValue();
    } catch (const std::exception& failure) {
        Logger::error("Error getting registry key " + m_registryPath, failure);
    }
    m_upgradeCheckURL = address + "?" + UPGRADE_CHECK_URL_VERSION_PARAM + "=" + BUILD_VERSION;
    Logger::verbose("UpgradeCheckURL: " + LogText::escape(m_upgradeCheckURL));
    // Whoever can change an upgrade's bytes on their way runs code here:
    // only an https server is asked.
    if (!UpgradeChecker::isSecureAddress(m_upgradeCheckURL)) {
        Logger::error("Upgrades are checked over https only: not asking " + LogText::escape(m_upgradeCheckURL));
        return;
    }

    auto checker = std::make_shared<UpgradeChecker>();
    loadVersions(m_versionsRelativePath);
    checker->setUpgradeURL(m_upgradeCheckURL);
    checker->setVersions(m_oldVersions);

    auto controller = std::make_shared<ThreadController>();
    controller->setStarter(this);
    controller->setSource(checker);
    controller->setParameters(1, POLL_DURATION_IN_MILLISECONDS_FOR_CHECK, 30000, 30000, false);
    // Cleared before the start: the controller may finish at once.
    m_areThreadsCompleted.store(false, std::memory_order_release);
    controller->start();
    const bool completed = waitForThreads(*controller, POLL_DURATION_IN_MILLISECONDS_FOR_CHECK, false, {});
    joinController(controller);
    checker->join(JOIN_LIMIT_MS);
    if (!completed) throw EndRequested{};

    std::string details = checker->getUpgradeDetails();
    if (!checker->isDestroyed()) checker->destroy();
    takeOffers(details);
}

void Upgrader::takeOffers(const std::string& details) {
    std::vector<std::string> tokens = tokensOf(details);
    if (tokens.size() < 4) return;
    const std::string& base = tokens[0];
    if (!isWebAddress(base)) {
        throw std::runtime_error("Malformed upgrade details: \"" + LogText::escape(base) + "\" is no download address");
    }
    if (!UpgradeChecker::isSecureAddress(base)) {
        throw std::runtime_error("Upgrades are downloaded over https only: the download address " +
                                 LogText::escape(base) + " is refused");
    }
    for (size_t i = 1; i + 2 < tokens.size(); i += 3) {
        const std::string& name = tokens[i];
        const std::string shownName = LogText::escape(name);
        auto offered = StrUtil::parseInt(tokens[i + 1]);
        if (!offered) {
            throw std::runtime_error("Malformed upgrade details: the version \"" + LogText::escape(tokens[i + 1]) +
                                     "\" offered for " + shownName + " is not a whole number");
        }
        std::string address = base + tokens[i + 2];
        std::string shownAddress = LogText::escape(address);
        if (address.find_first_of(CONTROL_CHARACTERS) != std::string::npos) {
            throw std::runtime_error("Malformed upgrade details: " + shownAddress + " is no download address");
        }
        std::string newVersion = std::to_string(*offered);
        auto installed = m_versionsProps.find(name);
        if (installed != m_versionsProps.end()) {
            // Every installed version was checked when the file was loaded.
            int32_t old = StrUtil::parseInt(installed->second).value_or(0);
            if (*offered > old) {
                m_necessaryUpgrades.push_back(address);
                Logger::info("New " + shownName + " - old " + std::to_string(old) + " - new " + newVersion +
                             " - available at " + shownAddress);
                m_versionsProps[name] = newVersion;
            }
        } else if (*offered == 0) {
            Logger::info("New " + shownName + " - no old - new is 0 so ignoring");
        } else {
            m_necessaryUpgrades.push_back(address);
            Logger::info("New " + shownName + " - there was no old version - new version is " + newVersion +
                         " - available at " + shownAddress);
            m_versionsProps[name] = newVersion;
        }
    }

    // Every download lands in the upgrades folder under its own name, next
    // to the new versions table.
    std::set<std::string> taken = {m_versionsTempRelativePath};
    for (const auto& address : m_necessaryUpgrades) {
        std::string fileName = UpgradeDownloader::fileNameOf(address);
        if (!UpgradeDownloader::isUsableFileName(fileName)) {
            throw std::runtime_error("Malformed upgrade details: " + LogText::escape(address) +
                                     " names no file that can be saved");
        }
        if (!taken.insert(fileName).second) {
            throw std::runtime_error("Malformed upgrade details: two offers are saved as " + LogText::escape(fileName));
        }
    }
}

void Upgrader::loadVersions(const std::string& path) {
    try {
        std::map<std::string, std::string> table;
        foundation::PropertiesFormat::parse(FileUtil::readFileIntoStringWithThrow(path), table);
        std::string oldVersions;
        for (const auto& [name, value] : table) {
            auto version = StrUtil::parseInt(value);
            if (!version) throw std::invalid_argument("The version of " + name + " is not a whole number: " + value);
            if (!oldVersions.empty()) oldVersions += "&";
            oldVersions += name + "=" + std::to_string(*version);
        }
        m_versionsProps = std::move(table);
        m_oldVersions = oldVersions;
        Logger::info("Installed versions: " + m_oldVersions);
    } catch (const std::exception& failure) {
        throw std::runtime_error("Error loading versions file at " + path + "\r\n\r\n" +
                                 ExceptionUtil::getExceptionText(failure));
    }
}

void Upgrader::downloadUpgrades() {
    displayStatus(Messages::get("Upgrader.DownloadCount1") + " " + std::to_string(m_necessaryUpgrades.size()) + " " +
                  Messages::get("Upgrader.DownloadCount2"));
    if (!FileUtil::doesFileExist(m_downloadDir)) {
        std::error_code ignored;
        std::filesystem::create_directory(m_downloadDir, ignored);
    }

    auto controller = std::make_shared<ThreadController>();
    std::vector<std::shared_ptr<UpgradeDownloader>> downloaders;
    std::vector<std::shared_ptr<foundation::BaseNetThread>> workers;
    for (const auto& address : m_necessaryUpgrades) {
        auto downloader = std::make_shared<UpgradeDownloader>();
        downloader->setURL(address);
        downloader->setDownloadDir(m_downloadDir);
        downloader->setThreadController(controller);
        downloaders.push_back(downloader);
        workers.push_back(downloader);
    }
    int count = static_cast<int>(downloaders.size());
    m_progressBar->setMinimum(0);
    m_progressBar->setMaximum(count);
    m_progressBar->setSelection(0);

    controller->setParameters(3, 500, 3000000, 3000000, false);
    controller->setStarter(this);
    controller->setSources(workers);
    m_areThreadsCompleted.store(false, std::memory_order_release);
    controller->start();
    const bool completed = waitForThreads(*controller, POLL_DURATION_IN_MILLISECONDS_FOR_DOWNLOADS, true, [&] {
        int done = 0;
        for (const auto& downloader : downloaders) done += downloader->isSuccess() ? 1 : 0;
        if (m_progressBar && !m_progressBar->isDisposed()) m_progressBar->setSelection(done);
    });
    joinController(controller);
    // A stopped download may still be leaving its body; nothing may land in
    // the folder after this.
    for (const auto& downloader : downloaders) downloader->join(JOIN_LIMIT_MS);
    if (!completed) throw EndRequested{};

    for (const auto& downloader : downloaders) {
        if (!downloader->isSuccess()) {
            throw std::runtime_error("Upgrade download of " + downloader->getURL() + " to " +
                                     downloader->getDownloadDir() + " was unsuccessful");
        }
        if (!downloader->isDestroyed()) downloader->destroy();
    }
    m_progressBar->setSelection(count);
    displayStatus(Messages::get("Upgrader.DownloadComplete"));
}

bool Upgrader::waitForThreads(ThreadController& controller, int pollMs, bool pump,
                              const std::function<void()>& eachPoll) {
    // The progress window stays painted while downloads run; the check,
    // which comes before any window, only waits.
    bool canPump = pump && m_display && !m_display->isDisposed() && m_display->isUserInterfaceThread();
    while (!m_areThreadsCompleted.load(std::memory_order_acquire)) {
        // Nobody waits for a network that is slow or silent once the
        // program is to end: its workers are stopped at once.
        if (foundation::QuietEnd::isRequested()) {
            controller.forceThreadsToEnd();
            return false;
        }
        if (canPump && !m_display->isDisposed()) {
            while (!m_display->isDisposed() && m_display->readAndDispatch()) {
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
        if (eachPoll) eachPoll();
    }
    return true;
}

int Upgrader::askWhileNotEnding() {
    // The question closes when the program is asked to end, as the
    // program's own boxes do with its window.
    std::shared_ptr<tk::Runnable> watch;
    if (foundation::QuietEnd::isWatched()) {
        watch = tk::runnable([this, &watch] {
            if (!foundation::QuietEnd::isRequested()) {
                m_display->timerExec(foundation::QuietEnd::CHECK_MS, watch);
            } else if (m_shell && !m_shell->isDisposed()) {
                m_shell->dispose();
            }
        });
        m_display->timerExec(foundation::QuietEnd::CHECK_MS, watch);
    }
    int answer = SWTUtil::showMessageBoxAllKeys(m_shell.get(), "Upgrader.UpgradeAvailable1", m_productName,
                                                "Upgrader.UpgradeAvailable2", tk::ICON_QUESTION | tk::YES | tk::NO);
    if (watch && !m_display->isDisposed()) m_display->timerExec(-1, watch);
    return answer;
}

void Upgrader::joinController(const std::shared_ptr<ThreadController>& controller) {
    if (!controller->join(JOIN_LIMIT_MS)) Logger::error("Upgrader: the thread controller did not end");
}

void Upgrader::saveTempVersions() {
    std::string path = m_downloadDir + "/" + m_versionsTempRelativePath;
    std::string text = tracker::PropertiesPrefPersist::formatProperties(m_versionsProps, VERSIONS_COMMENT);
    if (!Logger::writeFileChecked(path, text)) Logger::error("Error saving temporary versions file at " + path);
}

void Upgrader::buildGUI() {
    disposeGUI();
    m_display = tk::Display::getCurrent();
    if (!m_display) m_display = tk::Display::getDefault();
    m_cursor = m_display->getSystemCursor(tk::CURSOR_WAIT);
    m_shell = tk::make<tk::Shell>(m_display, tk::APPLICATION_MODAL | tk::TOOL | tk::TITLE);
    m_shell->setText(m_productName + " - " + Messages::get("Upgrader.Title"));
    m_shell->setCursor(m_cursor);
    m_status = tk::make<tk::Label>(m_shell, tk::WRAP | tk::BORDER);
    m_status->setBounds(10, 10, 400, 70);
    m_progressBar = tk::make<tk::ProgressBar>(m_shell, tk::HORIZONTAL);
    m_progressBar->setBounds(10, 90, 400, 16);
    m_progressBar->setMinimum(0);
    m_progressBar->setMaximum(1);
    m_progressBar->setSelection(0);
    m_shell->pack();
    tk::Point size = m_shell->getSize();
    m_shell->setSize(size.x + 10, size.y + 10);
    m_shell->setLocation(SWTUtil::calculateCenter(m_shell->getSize(), m_display->getBounds()));
}

void Upgrader::disposeGUI() {
    if (m_shell && !m_shell->isDisposed()) m_shell->dispose();
    m_progressBar.reset();
    m_status.reset();
    m_shell.reset();
}

void Upgrader::displayStatus(const std::string& text) {
    if (!m_status || m_status->isDisposed()) return;
    std::string old = m_status->getText();
    m_status->setText(old.empty() ? text : old + "\n" + text);
}

void Upgrader::deleteUpgrades() {
    std::string folder = m_downloadDir.empty() ? downloadDirectory() : m_downloadDir;
    if (!FileUtil::doesFileExist(folder)) return;
    try {
        FileUtil::forceDelete(folder);
    } catch (const std::exception& failure) {
        Logger::error("Unable to delete: " + folder, failure);
    }
}

bool Upgrader::cleanUpExitAndLaunchVantrell() {
    disposeGUI();
    std::string folder = workingFolder();
    std::vector<std::string> command = {folder + "/" + VANTRELL,
                                        m_downloadDir,
                                        folder,
                                        m_exeName,
                                        m_downloadDir + "/" + m_versionsTempRelativePath,
                                        folder + "/" + m_versionsRelativePath};
    try {
        foundation::ProcessUtil::spawnSeparateProcess(command);
    } catch (const std::exception& failure) {
        // Without the finisher the program stays: ending it now would leave
        // the user with nothing running.
        Logger::error(std::string("Unable to launch ") + VANTRELL, failure);
        return false;
    }
    // The finisher runs: whatever the clean-up does, the process ends, so
    // that no second cycle can start another finisher.
    try {
        int type = BaseRLApp::getAppType();
        if (type == BaseRLApp::APP_TYPE_LANTERNBAY || type == BaseRLApp::APP_TYPE_BRTW ||
            type == BaseRLApp::APP_TYPE_ROAMBAY) {
            if (m_cleanable) m_cleanable->cleanUp();
        } else if (type == BaseRLApp::APP_TYPE_FARHAVEN) {
            // The tracker's own window is the application; its clean-up
            // ends the process itself.
            BaseRLApp::staticCleanUp(false);
        }
    } catch (const std::exception& failure) {
        Logger::error("Unable to clean up before the upgrade", failure);
    } catch (...) {
        Logger::error("Unable to clean up before the upgrade");
    }
    BaseRLApp::endProcess(0);
    return true;
}

}  // namespace tracker::ui
