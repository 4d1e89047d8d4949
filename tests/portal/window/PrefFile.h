#pragma once
// The panel's preference file and first-run marker as an earlier run left
// them in an install folder, so that the panel opens no first-run form.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/TempWorkDir.h"

namespace rltest::portaltest {

// The sixteen values, as the panel writes them.
struct Prefs {
    std::string guid = "0123456789ABCDEF0123456789ABCDEF";
    std::string zipCode = "46236";
    std::string updateFrequency = "20";
    std::string tvGuideEmail = "viewer@example.com";
    std::string orbitzDefaultDeparture = "IND";
    std::string mapquestDefaultStreet = "1 Main St";
    std::string mapquestDefaultCity = "Indianapolis";
    std::string mapquestDefaultState = "IN";
    std::string mapquestDefaultZipCode = "46204";
    std::string updateOnLaunch = "false";
    std::string unloadOnHide = "false";
    std::string traySize = "Default";
    std::string launchOnStartup = "true";
    std::string floating = "false";
    std::string windowLeft = "0";
    std::string windowTop = "0";
};

inline void writePreferenceFile(const std::string& installFolder, const Prefs& p = {}) {
    const std::vector<std::pair<std::string, std::string>> lines = {
        {"GUID", p.guid},
        {"ZipCode", p.zipCode},
        {"UpdateFrequency", p.updateFrequency},
        {"TVGuideEmail", p.tvGuideEmail},
        {"OrbitzDefaultDeparture", p.orbitzDefaultDeparture},
        {"MapquestDefaultStreet", p.mapquestDefaultStreet},
        {"MapquestDefaultCity", p.mapquestDefaultCity},
        {"MapquestDefaultState", p.mapquestDefaultState},
        {"MapquestDefaultZipCode", p.mapquestDefaultZipCode},
        {"UpdateOnLaunch", p.updateOnLaunch},
        {"UnloadOnHide", p.unloadOnHide},
        {"TraySize", p.traySize},
        {"LaunchOnStartup", p.launchOnStartup},
        {"Floating", p.floating},
        {"WindowLeft", p.windowLeft},
        {"WindowTop", p.windowTop},
    };
    std::string text;
    for (const auto& [name, value] : lines) text += "var " + name + "='" + value + "'\r\n";
    const std::string js = installFolder + "/content/js/";
    std::filesystem::create_directories(js);
    writeFile(js + "core-pref.js", text);
    writeFile(js + "core-pref.ini", "-\r\n");
}

}  // namespace rltest::portaltest
