#pragma once
// A temporary install folder with a settings file, the preferences loaded
// from it, and the launch reports caught instead of sent.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/TempWorkDir.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseRLApp.h"

namespace rltest {

struct CaughtReport {
    std::string message;
    std::string uuid;
    std::optional<std::string> extra;
    int appType = -1;
};

class PrefsFixture : public ::testing::Test {
public:
    using Entries = std::map<std::string, std::string>;

protected:
    void SetUp() override {
        tracker::ui::BaseRLApp::setAppType(tracker::ui::BaseRLApp::APP_TYPE_LANTERNBAY);
        tracker::ui::BaseRLApp::setParentUUID("");
        tracker::RLPreferences::setStatsReporter(
            [this](const std::string& message, const std::string& uuid, const std::optional<std::string>& extra,
                   int appType) { reports.push_back({message, uuid, extra, appType}); });
        tracker::RLPreferences::setUserRemovedListener(nullptr);
    }

    void TearDown() override {
        tracker::RLPreferences::setStatsReporter(nullptr);
        tracker::RLPreferences::setUserRemovedListener(nullptr);
        tracker::ui::BaseRLApp::setAppType(tracker::ui::BaseRLApp::APP_TYPE_LANTERNBAY);
    }

    std::string settingsPath() const { return dir.file("Roamledger.settings"); }

    void writeSettings(const Entries& entries) {
        writeFile(settingsPath(), tracker::PropertiesPrefPersist::formatProperties(entries, "Roamledger test"));
    }

    // The settings file as it is on disk now.
    Entries fileEntries() const {
        Entries table;
        tracker::PropertiesPrefPersist::parseProperties(readFile(settingsPath()), table);
        return table;
    }

    std::optional<std::string> fileValue(const std::string& key) const {
        Entries table = fileEntries();
        auto it = table.find(key);
        if (it == table.end()) return std::nullopt;
        return it->second;
    }

    std::shared_ptr<tracker::PropertiesPrefPersist> load() {
        store = std::make_shared<tracker::PropertiesPrefPersist>();
        tracker::RLPreferences::loadPrefs("Roamledger", store);
        return store;
    }

    TempWorkDir dir;
    std::shared_ptr<tracker::PropertiesPrefPersist> store;
    std::vector<CaughtReport> reports;
};

}  // namespace rltest
