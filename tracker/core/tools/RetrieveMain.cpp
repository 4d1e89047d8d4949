// roamledger-retrieve FOLDER
//
// Runs one retrieval of all accounts of the settings in FOLDER without a
// window: loads "Roamledger.settings" there, retrieves every account, writes
// the result pages, the summary and the history, and saves the settings.
// Progress goes to standard output. Exit status: 0 when the retrieval
// ended, 1 when it was cancelled (Ctrl+C) or failed, 2 for a wrong command
// line or an unusable folder, 3 for settings that cannot be used.

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>

#include "foundation/Logger.h"
#include "foundation/RLConstants.h"
#include "foundation/TempFiles.h"
#include "foundation/Thread.h"
#include "tracker/core/History.h"
#include "tracker/core/IDisplayer.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLEngine.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/ui/BaseRLApp.h"

namespace {

using foundation::Logger;
using tracker::RLPreferences;

std::atomic<bool> g_interrupted{false};

void onInterrupt(int) { g_interrupted.store(true); }

// Progress lines on the console; every call may come from any thread.
class ConsoleDisplayer : public tracker::IDisplayer {
public:
    void setEngine(const std::shared_ptr<tracker::RLEngine>& engine) { m_engine = engine; }

    void updateProgress() override {
        auto engine = m_engine.lock();
        if (!engine) return;
        print("Progress: " + std::to_string(engine->getSourcesCompleted()) + " of " +
              std::to_string(engine->getSourcesCreated()) + " accounts");
    }
    void sourceThreadStarted(const std::shared_ptr<tracker::RLSource>& source) override {
        print("Retrieving " + source->getKey() + " of user " + std::to_string(source->getUser()));
    }
    void refreshResults() override {}
    void done() override {
        m_done.store(true);
        print("Retrieval done");
    }
    bool cancelCheck() override {
        if (!g_interrupted.load()) return false;
        if (!m_cancelled.exchange(true)) print("Cancelling the retrieval");
        return true;
    }

    bool isDone() const { return m_done.load(); }

private:
    void print(const std::string& line) {
        std::lock_guard<std::mutex> guard(m_lock);
        std::cout << line << std::endl;
    }

    std::weak_ptr<tracker::RLEngine> m_engine;
    std::mutex m_lock;
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_cancelled{false};
};

int fail(int status, const std::string& message, bool toLog = true) {
    std::cerr << "roamledger-retrieve: " << message << std::endl;
    if (toLog) Logger::error(message);
    return status;
}

// The settings must be there and readable before the store takes them: the
// store would otherwise ask questions that nobody can answer here.
bool checkSettings(const std::string& path, std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problem = std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        problem = "read error";
        return false;
    }
    try {
        std::map<std::string, std::string> table;
        tracker::PropertiesPrefPersist::parseProperties(text.str(), table);
    } catch (const std::exception& failure) {
        problem = failure.what();
        return false;
    }
    return true;
}

int retrieve(const std::string& folder) {
    if (::chdir(folder.c_str()) != 0) {
        // Nothing is written outside a usable folder, not even a log.
        return fail(2, "Cannot use folder " + folder + ": " + std::strerror(errno), false);
    }
    // Writes of an earlier run that was killed (pages, history).
    foundation::TempFiles::removeStale(".");
    ::setenv("RL_TOOLKIT", "headless", 1);
    Logger::setLogFilePath("roamledger-retrieve.log");

    const std::string name = foundation::RLConstants::ProductNameInternal();
    const std::string settings = name + tracker::PropertiesPrefPersist::SETTINGS_EXTENSION;
    std::string problem;
    if (!checkSettings(settings, problem)) {
        return fail(3, "Cannot use settings " + settings + " in " + folder + ": " + problem);
    }

    // A retrieval without a window is no launch of the product.
    RLPreferences::setStatsReporter([](const std::string&, const std::string&, const std::optional<std::string>&,
                                       int) { Logger::verbose("Launch report not sent by the headless retrieval"); });
    RLPreferences::loadPrefs(name, std::make_shared<tracker::PropertiesPrefPersist>());
    Logger::setLevel(RLPreferences::getLoggingLevel());

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    RLPreferences::setAllCurrentBalancesToPending();
    RLPreferences::setLastRunDate(tracker::BasePreferences::currentTimeMillis());
    tracker::ui::BaseRLApp::setCheckInProgress(true);

    auto displayer = std::make_shared<ConsoleDisplayer>();
    auto engine = tracker::RLEngine::create();
    displayer->setEngine(engine);
    engine->setupOutputandURLPaths("");
    engine->setDisplayer(displayer);
    engine->init(std::nullopt, 0, true, true);
    std::cout << "Retrieving " << engine->getSourcesCreated() << " accounts of " << RLPreferences::getUserCount()
              << " users" << std::endl;

    engine->writeCSSAndJS();
    engine->writeInterstitial();
    engine->writeSummary(engine->writeOutput());
    const std::string abbreviations = name + "-Abbr.html";
    if (::access(abbreviations.c_str(), F_OK) != 0) {
        Logger::writeFileChecked(abbreviations, RLPreferences::generateAbbreviationLookupHTML(engine->getCSSUrl()));
    }

    engine->start();
    while (!engine->join(1000)) {
    }
    tracker::ui::BaseRLApp::setCheckInProgress(false);

    tracker::History::save();
    RLPreferences::savePrefs();
    if (!displayer->isDone()) return fail(1, "Retrieval cancelled");
    std::cout << "Pages written to " << folder << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::cerr << "usage: roamledger-retrieve FOLDER" << std::endl
                  << "  Retrieves every account of FOLDER/Roamledger.settings and writes the result pages,"
                  << std::endl
                  << "  the summary and the history there." << std::endl;
        return 2;
    }
    int status;
    try {
        status = retrieve(argv[1]);
    } catch (const std::exception& failure) {
        status = fail(1, std::string("Retrieval failed: ") + failure.what(), false);
    }
    // No thread of the retrieval may still run when the process tears down.
    return foundation::Thread::endProcess(status);
}
