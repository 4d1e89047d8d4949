#pragma once
// The upgrade client. One cycle (go) on the user-interface thread: put a
// delivered finisher in place, ask the product server which components it
// offers in newer versions, ask the user, download the archives into the
// "upgrades" folder beside the new versions table, start the finisher
// Vantrell, run the application's clean-up and end the process. The check
// and the downloads run on workers under thread controllers.
//
// The process never restarts without the user's consent: a failure before
// the question only ends the check; a failure after it shows an error box
// and hands an empty upgrade to the finisher, which restarts the program
// unchanged; and the process ends only once the finisher runs.
//
// A cycle blocks its thread. Each check needs a new Upgrader; once a check
// found something to install, every later cycle of the process returns at
// once. A program asked to end (foundation::QuietEnd) is not kept waiting:
// the check, the question and the downloads give up within a poll, the
// upgrades folder goes, and the cycle returns without a hand-off.

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/IThreadControllerStarter.h"
#include "platform/toolkit/Types.h"
#include "tracker/ui/IUpgrader.h"

namespace tk {
class Display;
class Shell;
class Label;
class ProgressBar;
}  // namespace tk

namespace foundation {
class ThreadController;
}

namespace tracker::ui {

class ICleanable;

class Upgrader : public IUpgrader, public foundation::IThreadControllerStarter {
public:
    static constexpr const char* DOWNLOAD_DIRECTORY = "upgrades";
    static constexpr const char* VERSIONS_SUFFIX = ".versions";
    static constexpr const char* VERSIONS_TEMP_SUFFIX = ".versions.tmp";
    static constexpr const char* REG_KEY_SUFFIX_UPGRADE_CHECK_URL = "UpgradeCheckURL";
    static constexpr const char* UPGRADE_CHECK_URL_VERSION_PARAM = "version";
    static constexpr int POLL_DURATION_IN_MILLISECONDS_FOR_CHECK = 100;
    static constexpr int POLL_DURATION_IN_MILLISECONDS_FOR_DOWNLOADS = 250;
    static constexpr const char* VANTRELL = "Vantrell";
    static constexpr const char* VANTRELL_NEW = "Vantrell.new";
    static constexpr const char* VANTRELL_OLD = "Vantrell.old";
    static constexpr const char* BUILD_VERSION = "20060430";
    static constexpr const char* VERSIONS_COMMENT = "This file should not be manually edited";

    // Stores the configuration; no other work. The cleanable is not owned
    // and may be null.
    Upgrader(ICleanable* cleanable, const std::string& uuid, const std::string& upgradeCheckURL,
             const std::string& productName, const std::string& exeName, const std::string& registryPath,
             const std::string& registryKeyPrefix);
    ~Upgrader() override;

    // The two editions that upgrade themselves.
    static std::shared_ptr<Upgrader> createForPortal(ICleanable* cleanable, const std::string& guid);
    static std::shared_ptr<Upgrader> createForBrightwire(ICleanable* cleanable);

    void go() override;
    void threadsCompleted() override;

    // The steps of a cycle.
    void renameVantrellUpgrade();
    void checkForUpgrades();
    void loadVersions(const std::string& path);
    void downloadUpgrades();
    void saveTempVersions();
    void buildGUI();
    // Starts the finisher, runs the application's clean-up and ends the
    // process (BaseRLApp::endProcess). Answers false, and ends nothing,
    // when the finisher could not be started.
    bool cleanUpExitAndLaunchVantrell();

    // Reads the server's reply into the download addresses and the new
    // versions table; throws for a reply that must not be acted on.
    void takeOffers(const std::string& details);

    // What the steps found.
    const std::string& getUpgradeCheckURL() const { return m_upgradeCheckURL; }
    const std::string& getOldVersions() const { return m_oldVersions; }
    const std::vector<std::string>& getNecessaryUpgrades() const { return m_necessaryUpgrades; }
    const std::map<std::string, std::string>& getVersionsProps() const { return m_versionsProps; }
    const std::string& getVersionsRelativePath() const { return m_versionsRelativePath; }
    const std::string& getExeName() const { return m_exeName; }
    const std::string& getProductName() const { return m_productName; }
    const std::string& getRegistryPath() const { return m_registryPath; }
    const std::string& getRegistryKeyPrefix() const { return m_registryKeyPrefix; }

    static std::string getUUID();
    // Adds a line to the progress window's status text.
    static void displayStatus(const std::string& text);
    // Deletes the upgrades folder with what it holds.
    static void deleteUpgrades();
    // The progress window, while it exists.
    static tk::Shell* getProgressShell();
    static bool wasAnyCheckSuccessful() { return m_wasAnyCheckSuccessful.load(); }

private:
    // Waits for the running controller, pumping the display when pump is
    // set; false when the program was asked to end meanwhile (then the
    // controller was told to end its workers).
    bool waitForThreads(foundation::ThreadController& controller, int pollMs, bool pump,
                        const std::function<void()>& eachPoll);
    // The question whether to upgrade; closed by a request to end.
    int askWhileNotEnding();
    // The cycle's end when the program is to end: nothing is handed over.
    void stopForEnd();
    void joinController(const std::shared_ptr<foundation::ThreadController>& controller);
    static void disposeGUI();
    static std::string downloadDirectory();

    ICleanable* m_cleanable;
    std::string m_upgradeCheckURL;
    std::string m_productName;
    std::string m_exeName;
    std::string m_registryPath;
    std::string m_registryKeyPrefix;
    std::string m_versionsRelativePath;
    std::string m_versionsTempRelativePath;
    std::map<std::string, std::string> m_versionsProps;
    std::string m_oldVersions;
    std::vector<std::string> m_necessaryUpgrades;
    std::atomic<bool> m_areThreadsCompleted{false};

    static std::string m_uuid;
    static std::string m_downloadDir;
    static std::atomic<bool> m_wasAnyCheckSuccessful;
    static tk::Display* m_display;
    static std::shared_ptr<tk::Shell> m_shell;
    static std::shared_ptr<tk::Label> m_status;
    static std::shared_ptr<tk::ProgressBar> m_progressBar;
    static tk::Cursor m_cursor;
};

}  // namespace tracker::ui
