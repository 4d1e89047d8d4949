// Load and save times of a settings file with 10 users and an account in
// every program for each: the store alone, then the whole start-up of the
// preferences (which also deciphers every password).

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/PeakMemory.h"
#include "foundation/Thread.h"
#include "tests/support/TempWorkDir.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLPreferences.h"

using tracker::PropertiesPrefPersist;
using tracker::RLPreferences;

namespace {

constexpr int USERS = 10;
constexpr int ROUNDS = 20;

double millisSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Values shaped like the real ones: enciphered passwords in hexadecimal,
// balances, details and activity rows with markup and accented letters.
void fill(PropertiesPrefPersist& store) {
    const std::string details =
        "<tr class=l><td>&nbsp;Member Since</td><td class=r>&nbsp;01/02/1999</td></tr>"
        "<tr class=d><td>&nbsp;Status</td><td class=r>&nbsp;Gold \xC3\xA9lite</td></tr>";
    const std::string activity =
        "<tr class=l><td>12/01/06</td><td>Flight CDG\xE2\x80\x93JFK</td><td class=r>3,625</td></tr>";
    for (int u = 0; u < USERS; ++u) {
        store.setStringValue("User" + std::to_string(u), "User number " + std::to_string(u));
        for (int row = 0; row < RLPreferences::getSourceCount(); ++row) {
            const std::string prefix = RLPreferences::accountPrefix(u, RLPreferences::getKey(row));
            store.setStringValue(prefix + "Username", "member-" + std::to_string(u * 1000 + row));
            store.setStringValue(prefix + "Password", "0123456789abcdef0123456789abcdef0123456789abcdef");
            store.setStringValue(prefix + "Password2", "0123456789abcdef0123456789abcdef");
            store.setStringValue(prefix + "Balance", std::to_string(1000 + row * 37));
            store.setStringValue(prefix + "Misc", details);
            store.setStringValue(prefix + "Trans", activity);
        }
    }
    store.setStringValue("OptMaxThreads", "8");
    store.setStringValue("UUID", "1b4e28ba-2fa1-11d2-883f-0016d3cca427");
}

}  // namespace

int main() {
    rltest::TempWorkDir dir;
    PropertiesPrefPersist store;
    store.setPersistenceFilePathPrefix("Roamledger");
    store.setDefaultFilePath();
    fill(store);
    const size_t keys = store.getKeys().size();

    double saveTotal = 0;
    for (int i = 0; i < ROUNDS; ++i) {
        auto start = std::chrono::steady_clock::now();
        store.save();
        saveTotal += millisSince(start);
    }
    const auto bytes = std::filesystem::file_size(dir.file("Roamledger.settings"));

    double loadTotal = 0;
    size_t loaded = 0;
    for (int i = 0; i < ROUNDS; ++i) {
        PropertiesPrefPersist reader;
        reader.setPersistenceFilePathPrefix("Roamledger");
        auto start = std::chrono::steady_clock::now();
        reader.load();
        loadTotal += millisSince(start);
        loaded = reader.getKeys().size();
    }

    std::printf("settings file: %zu keys, %zu bytes (%d users x %d programs)\n", keys,
                static_cast<size_t>(bytes), USERS, RLPreferences::getSourceCount());
    std::printf("store save: %.2f ms (mean of %d)\n", saveTotal / ROUNDS, ROUNDS);
    std::printf("store load: %.2f ms (mean of %d, %zu keys read)\n", loadTotal / ROUNDS, ROUNDS, loaded);

    // The whole start-up, reports caught instead of sent.
    RLPreferences::setStatsReporter(nullptr);
    double startupTotal = 0;
    double savePrefsTotal = 0;
    constexpr int STARTS = 5;
    for (int i = 0; i < STARTS; ++i) {
        auto start = std::chrono::steady_clock::now();
        RLPreferences::loadPrefs("Roamledger", std::make_shared<PropertiesPrefPersist>());
        startupTotal += millisSince(start);
        start = std::chrono::steady_clock::now();
        RLPreferences::savePrefs();
        savePrefsTotal += millisSince(start);
    }
    std::printf("preferences start-up (load, %d users, %d accounts): %.2f ms (mean of %d)\n",
                RLPreferences::getUserCount(), RLPreferences::getAccountCountOnLaunch(), startupTotal / STARTS,
                STARTS);
    std::printf("preferences save: %.2f ms (mean of %d)\n", savePrefsTotal / STARTS, STARTS);
    std::printf("peak resident size: %.0f MiB\n", static_cast<double>(rlbench::peakKilobytes(::getpid())) / 1024.0);
    return foundation::Thread::endProcess(0);
}
