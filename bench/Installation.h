#pragma once
// The settings of a well-used installation for the window benches: every
// program for every user, with balances, details and activity.

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseRLApp.h"

namespace rlbench {

constexpr int USERS = 10;

// Writes Roamledger.settings (and the tracker's icon) into folder, for the
// edition given.
inline void prepareInstallation(const std::string& folder, const std::string& iconSource, int appType) {
    using tracker::RLPreferences;
    std::filesystem::create_directories(folder);
    std::error_code ec;
    std::filesystem::copy_file(iconSource, folder + "/Roamledger.ico",
                               std::filesystem::copy_options::overwrite_existing, ec);
    const std::string previous = std::filesystem::current_path().string();
    std::filesystem::current_path(folder);
    tracker::ui::BaseRLApp::setAppType(appType);
    RLPreferences::setStatsReporter([](const std::string&, const std::string&, const std::optional<std::string>&,
                                       int) {});
    RLPreferences::loadPrefs("Roamledger", std::make_shared<tracker::PropertiesPrefPersist>());
    const std::string details =
        "<tr class=l><td>&nbsp;Member Since</td><td class=r>&nbsp;01/02/1999</td></tr>"
        "<tr class=d><td>&nbsp;Status</td><td class=r>&nbsp;Gold \xC3\xA9lite</td></tr>";
    for (int u = 0; u < USERS; ++u) {
        if (u == 0) {
            RLPreferences::renameUser(0, "Traveller 1");
        } else {
            RLPreferences::addUser("Traveller " + std::to_string(u + 1));
        }
        for (int row = 0; row < RLPreferences::getSourceCount(); ++row) {
            const std::string key = RLPreferences::getKey(row);
            RLPreferences::setUsername(u, key, "member" + std::to_string(u * 1000 + row));
            RLPreferences::setPassword(u, key, "pass-" + std::to_string(row));
            RLPreferences::setCurrentBalance(u, key, std::to_string(1000 + row * 37 + u));
            RLPreferences::setDetails(u, key, details);
        }
    }
    RLPreferences::savePrefs();
    std::filesystem::current_path(previous);
}

// Median of the figures (the upper middle one of an even count); -1 when none.
template <typename T>
T median(std::vector<T> values) {
    if (values.empty()) return T(-1);
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace rlbench
