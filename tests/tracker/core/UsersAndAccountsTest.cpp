// Users and their accounts: loading, the stored-balance rules, enciphered
// passwords, and removals that renumber without mixing users up.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/tracker/core/PrefsFixture.h"

using tracker::RLPreferences;

namespace {

class UsersAndAccounts : public rltest::PrefsFixture {};

std::string u(int n) { return "User" + std::to_string(n); }

bool isLowerHex(const std::string& s) {
    for (char c : s) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return !s.empty();
}

}  // namespace

TEST_F(UsersAndAccounts, LoadsUsersUntilTheFirstGapAndAccountsWithTheirCells) {
    writeSettings({{"User0", "Ann"},
                   {"User1", "Bob"},
                   {"User3", "after a gap"},
                   {"User0AmericanUsername", "AA123"},
                   {"User0AmericanBalance", "12,345"},
                   {"User0AmericanMisc", "<tr><td>x</td></tr>"},
                   {"User0AmericanTrans", "<tr><td>y</td></tr>"},
                   {"User1DeltaUsername", "DL1"}});
    load();
    ASSERT_EQ(RLPreferences::getUserCount(), 2);
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(0), "Ann");
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(1), "Bob");
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(2), "");

    EXPECT_EQ(RLPreferences::getUsername(0, "American"), "AA123");
    EXPECT_EQ(RLPreferences::getPreviousBalance(0, "American"), "12,345");
    EXPECT_EQ(RLPreferences::getCurrentBalance(0, "American"), "");
    EXPECT_EQ(RLPreferences::getDetails(0, "American"), "<tr><td>x</td></tr>");
    EXPECT_EQ(RLPreferences::getTransactions(0, "American"), "<tr><td>y</td></tr>");
    // Configured without a stored balance: never retrieved, empty details.
    EXPECT_EQ(RLPreferences::getPreviousBalance(1, "Delta"), RLPreferences::DISPLAY_NEVER_CHECKED);
    EXPECT_EQ(RLPreferences::getDetails(1, "Delta"), "");
    // Not configured: empty logins, the other cells absent.
    EXPECT_EQ(RLPreferences::getUsername(1, "American"), "");
    EXPECT_EQ(RLPreferences::getCurrentBalance(1, "American"), std::nullopt);
    EXPECT_EQ(RLPreferences::getPreviousBalance(1, "American"), std::nullopt);
    EXPECT_EQ(RLPreferences::getDetails(1, "American"), std::nullopt);
    EXPECT_EQ(RLPreferences::getAccountCountOnLaunch(), 2);
}

TEST_F(UsersAndAccounts, DigitUserNamesLoseDashesAndBlanksOthersStayAsTyped) {
    writeSettings({{"User0", "Ann"},
                   {"User0AmericanUsername", "123-456 789"},
                   {"User0DeltaUsername", "AB-12"},
                   {"User0UnitedUsername", "john doe"},
                   {"User0HiltonUsername", "- -"},
                   {"User0AlamoUsername", "12-34"},
                   {"User0AlaskaUsername", "98 76"},
                   {"User0AmtrakUsername", "1,234-5"}});
    load();
    EXPECT_EQ(RLPreferences::getUsername(0, "American"), "123456789");
    EXPECT_EQ(RLPreferences::getUsername(0, "Alamo"), "1234");
    EXPECT_EQ(RLPreferences::getUsername(0, "Alaska"), "9876");
    EXPECT_EQ(RLPreferences::getUsername(0, "Amtrak"), "1,234-5");
    EXPECT_EQ(store->getStringValue("User0AmericanUsername"), "123456789");
    EXPECT_EQ(RLPreferences::getUsername(0, "Delta"), "AB-12");
    EXPECT_EQ(store->getStringValue("User0DeltaUsername"), "AB-12");
    EXPECT_EQ(RLPreferences::getUsername(0, "United"), "john doe");
    EXPECT_EQ(RLPreferences::getUsername(0, "Hilton"), "- -");
}

TEST_F(UsersAndAccounts, PasswordsAreEncipheredInTheFileAndPlainInMemory) {
    writeSettings({{"User0", "Ann"}});
    load();
    RLPreferences::setUsername(0, "Northwest", "NW1");
    RLPreferences::setPassword(0, "Northwest", "s3cr=t&\xC3\xA9");
    RLPreferences::setPassword2(0, "Northwest", "Smith");
    RLPreferences::setUsername(0, "Aeroflot", "SU1");
    RLPreferences::setPassword(0, "Aeroflot", "");
    RLPreferences::savePrefs();

    const auto file = fileEntries();
    const std::string stored = file.at("User0NorthwestPassword");
    EXPECT_TRUE(isLowerHex(stored));
    EXPECT_EQ(stored.find("s3cr"), std::string::npos);
    EXPECT_NE(stored, file.at("User0NorthwestPassword2"));
    EXPECT_EQ(file.at("User0AeroflotPassword").size(), 32u) << "an empty password is stored enciphered too";
    EXPECT_EQ(RLPreferences::getPassword(0, "Northwest"), "s3cr=t&\xC3\xA9");

    load();
    EXPECT_EQ(RLPreferences::getPassword(0, "Northwest"), "s3cr=t&\xC3\xA9");
    EXPECT_EQ(RLPreferences::getPassword2(0, "Northwest"), "Smith");
    EXPECT_EQ(RLPreferences::getPassword(0, "Aeroflot"), "");
    EXPECT_EQ(RLPreferences::getPassword2(0, "Aeroflot"), "");
}

TEST_F(UsersAndAccounts, UndecipherablePasswordReadsAsEmptyAndKeepsTheAccount) {
    writeSettings({{"User0", "Ann"},
                   {"User0AmericanUsername", "AA1"},
                   {"User0AmericanPassword", "NOT-HEX"},
                   {"User0AmericanBalance", "100"}});
    load();
    EXPECT_EQ(RLPreferences::getPassword(0, "American"), "");
    EXPECT_EQ(RLPreferences::getUsername(0, "American"), "AA1");
    EXPECT_EQ(RLPreferences::getPreviousBalance(0, "American"), "100");
}

TEST_F(UsersAndAccounts, StoredBalanceFollowsTheStatusRules) {
    writeSettings({{"User0", "Ann"}, {"User0AmericanUsername", "AA1"}, {"User0AmericanBalance", "500"}});
    load();
    const std::string key = "User0AmericanBalance";
    const std::string keepers[] = {RLPreferences::DISPLAY_TIMEOUT,           RLPreferences::DISPLAY_UNKNOWN,
                                   RLPreferences::DISPLAY_INVALID_LOGIN,     RLPreferences::DISPLAY_LOGIN_LENGTH,
                                   RLPreferences::DISPLAY_PROVIDER_PROBLEM,  RLPreferences::DISPLAY_MAINTENANCE,
                                   RLPreferences::DISPLAY_NON_FUNCTIONAL,    RLPreferences::DISPLAY_INTERACTION_REQUIRED,
                                   RLPreferences::DISPLAY_BLOCKED_LOGIN};
    for (const std::string& status : keepers) {
        RLPreferences::setCurrentBalance(0, "American", status);
        EXPECT_EQ(RLPreferences::getCurrentBalance(0, "American"), status);
        EXPECT_EQ(store->getStringValue(key), "500") << status;
    }
    RLPreferences::setCurrentBalance(0, "American", "0");
    EXPECT_EQ(store->getStringValue(key), "0");
    RLPreferences::setCurrentBalance(0, "American", RLPreferences::DISPLAY_PENDING);
    EXPECT_EQ(RLPreferences::getCurrentBalance(0, "American"), "...");
    EXPECT_EQ(store->getStringValue(key), "Never retrieved");
    RLPreferences::setCurrentBalance(0, "American", RLPreferences::DISPLAY_NO_BALANCES_MAINTAINED);
    EXPECT_EQ(store->getStringValue(key), "Balance not applicable");
    RLPreferences::setCurrentBalance(0, "American", "1,234");
    EXPECT_EQ(store->getStringValue(key), "1,234");

    RLPreferences::setPreviousBalance(0, "American", "77");
    EXPECT_EQ(RLPreferences::getPreviousBalance(0, "American"), "77");
    EXPECT_EQ(store->getStringValue(key), "1,234") << "the previous balance lives in memory only";

    RLPreferences::setDetails(0, "American", "<tr>d</tr>");
    RLPreferences::setTransactions(0, "American", "<tr>t</tr>");
    EXPECT_EQ(store->getStringValue("User0AmericanMisc"), "<tr>d</tr>");
    EXPECT_EQ(store->getStringValue("User0AmericanTrans"), "<tr>t</tr>");

    RLPreferences::setAllCurrentBalancesToPending();
    EXPECT_EQ(RLPreferences::getCurrentBalance(0, "Delta"), "...");
    EXPECT_EQ(store->getStringValue(key), "1,234");
}

TEST_F(UsersAndAccounts, UnknownProgramOrUserIsNeitherReadNorWritten) {
    writeSettings({{"User0", "Ann"}});
    load();
    const size_t keys = store->getKeys().size();
    RLPreferences::setUsername(0, "Starbucks", "x");
    RLPreferences::setCurrentBalance(0, "Starbucks", "5");
    RLPreferences::setDetails(5, "American", "rows");
    RLPreferences::setPassword(-1, "American", "p");
    RLPreferences::removeAccount(0, "Starbucks");
    RLPreferences::renameUser(3, "nobody");
    RLPreferences::removeUser(3);
    EXPECT_EQ(store->getKeys().size(), keys);
    EXPECT_EQ(RLPreferences::getUsername(0, "Starbucks"), "");
    EXPECT_EQ(RLPreferences::getCurrentBalance(5, "American"), std::nullopt);
    EXPECT_EQ(RLPreferences::getAccountRow(0, "Starbucks"), std::nullopt);
    EXPECT_EQ(RLPreferences::getUserCount(), 1);
}

TEST_F(UsersAndAccounts, AddAndRenameUsers) {
    writeSettings({{"User0", "Ann"}});
    load();
    RLPreferences::addUser("Bob", true);
    RLPreferences::addUser("Cy", false);
    EXPECT_EQ(store->getStringValue("User1"), "Bob");
    EXPECT_EQ(store->getStringValue("User2"), "Cy");

    auto fresh = RLPreferences::getAccountRow(1, "United");
    ASSERT_TRUE(fresh);
    EXPECT_EQ((*fresh)[RLPreferences::ACCOUNT_COL_USERNAME], "");
    EXPECT_EQ((*fresh)[RLPreferences::ACCOUNT_COL_PASSWORD2], "");
    EXPECT_EQ((*fresh)[RLPreferences::ACCOUNT_COL_BALANCE_CURRENT], std::nullopt);
    EXPECT_EQ((*fresh)[RLPreferences::ACCOUNT_COL_TRANSACTIONS], std::nullopt);
    auto bare = RLPreferences::getAccountRow(2, "United");
    ASSERT_TRUE(bare);
    EXPECT_EQ((*bare)[RLPreferences::ACCOUNT_COL_USERNAME], std::nullopt);
    EXPECT_EQ(RLPreferences::getUsername(2, "United"), "");

    RLPreferences::renameUser(1, "Robert");
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(1), "Robert");
    EXPECT_EQ(store->getStringValue("User1"), "Robert");
}

TEST_F(UsersAndAccounts, RemovingAUserRenumbersEveryLaterUser) {
    Entries entries;
    for (int n = 0; n < 12; ++n) {
        entries[u(n)] = "name" + std::to_string(n);
        entries[u(n) + "AmericanUsername"] = "aa" + std::to_string(n);
        entries[u(n) + "AmericanBalance"] = std::to_string(n * 100);
        entries[u(n) + "AirCanadaUsername"] = "ac" + std::to_string(n);
    }
    writeSettings(entries);
    load();
    ASSERT_EQ(RLPreferences::getUserCount(), 12);
    int told = -1;
    RLPreferences::setUserRemovedListener([&told](int removed) { told = removed; });

    RLPreferences::removeUser(1);
    EXPECT_EQ(told, 1);
    ASSERT_EQ(RLPreferences::getUserCount(), 11);
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(1), "name2");
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(10), "name11");
    EXPECT_EQ(RLPreferences::getUsername(1, "American"), "aa2");
    EXPECT_EQ(RLPreferences::getUsername(10, "AirCanada"), "ac11");

    RLPreferences::savePrefs();
    const auto file = fileEntries();
    EXPECT_EQ(file.at("User0"), "name0");
    EXPECT_EQ(file.at("User1"), "name2");
    EXPECT_EQ(file.at("User1AmericanUsername"), "aa2");
    EXPECT_EQ(file.at("User1AmericanBalance"), "200");
    EXPECT_EQ(file.at("User9"), "name10");
    EXPECT_EQ(file.at("User9AmericanUsername"), "aa10");
    EXPECT_EQ(file.at("User10"), "name11");
    EXPECT_EQ(file.at("User10AmericanUsername"), "aa11");
    EXPECT_EQ(file.at("User10AirCanadaUsername"), "ac11");
    EXPECT_EQ(file.count("User11"), 0u);
    EXPECT_EQ(file.count("User11AmericanUsername"), 0u);

    // The file reads back as the same users.
    load();
    ASSERT_EQ(RLPreferences::getUserCount(), 11);
    for (int n = 0; n < 11; ++n) {
        int old = n == 0 ? 0 : n + 1;
        EXPECT_EQ(RLPreferences::getDisplayNameForUser(n), "name" + std::to_string(old));
        EXPECT_EQ(RLPreferences::getPreviousBalance(n, "American"), std::to_string(old * 100));
    }
}

TEST_F(UsersAndAccounts, RemovingAnAccountTakesItsSixKeysAndNoOtherProgramsKeys) {
    Entries entries = {{"User0", "Ann"}, {"User10", "never loaded, kept"}};
    const char* programs[] = {"American",   "AmericanExpress",    "AmericanExpressAustralia",
                              "AmericanExpressGermany", "AirMiles", "AirMilesMart", "DinersClub",
                              "DinersClubAustralia", "CapitalOneNoHassle", "CapitalOneNoHassleSmallBus"};
    const char* suffixes[] = {"Username", "Password", "Password2", "Balance", "Misc", "Trans"};
    for (const char* p : programs) {
        for (const char* s : suffixes) entries["User0" + std::string(p) + s] = "v";
        entries["User10" + std::string(p) + "Username"] = "v";
    }
    writeSettings(entries);
    load();
    const size_t before = store->getKeys().size();

    for (const char* p : {"American", "AirMiles", "DinersClub", "CapitalOneNoHassle"}) {
        RLPreferences::setUsername(0, p, "");
        RLPreferences::setPassword(0, p, "");
        RLPreferences::setPassword2(0, p, "");
        RLPreferences::removeAccount(0, p);
    }
    EXPECT_EQ(store->getKeys().size(), before - 4 * 6);
    for (const char* s : suffixes) {
        EXPECT_EQ(store->getStringValue("User0American" + std::string(s), "<gone>"), "<gone>");
        EXPECT_EQ(store->getStringValue("User0AmericanExpress" + std::string(s), "<gone>"), "v");
        EXPECT_EQ(store->getStringValue("User0AmericanExpressAustralia" + std::string(s), "<gone>"), "v");
        EXPECT_EQ(store->getStringValue("User0AmericanExpressGermany" + std::string(s), "<gone>"), "v");
        EXPECT_EQ(store->getStringValue("User0AirMilesMart" + std::string(s), "<gone>"), "v");
        EXPECT_EQ(store->getStringValue("User0DinersClubAustralia" + std::string(s), "<gone>"), "v");
        EXPECT_EQ(store->getStringValue("User0CapitalOneNoHassleSmallBus" + std::string(s), "<gone>"), "v");
    }
    EXPECT_EQ(store->getStringValue("User10AmericanUsername"), "v");
}

TEST_F(UsersAndAccounts, AccountThreadsRecordWhileTheWindowReads) {
    writeSettings({{"User0", "Ann"}, {"User1", "Bob"}});
    load();
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        while (!stop) {
            for (int row = 0; row < RLPreferences::getSourceCount(); ++row) {
                (void)RLPreferences::getCurrentBalance(row % 2, RLPreferences::getKey(row));
                (void)RLPreferences::getDetails(row % 2, RLPreferences::getKey(row));
            }
        }
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([t] {
            for (int row = t; row < RLPreferences::getSourceCount(); row += 4) {
                const std::string key = RLPreferences::getKey(row);
                RLPreferences::setCurrentBalance(row % 2, key, std::to_string(row));
                RLPreferences::setDetails(row % 2, key, "d" + std::to_string(row));
            }
        });
    }
    for (auto& w : writers) w.join();
    stop = true;
    reader.join();
    for (int row = 0; row < RLPreferences::getSourceCount(); ++row) {
        const std::string key = RLPreferences::getKey(row);
        EXPECT_EQ(RLPreferences::getCurrentBalance(row % 2, key), std::to_string(row));
        EXPECT_EQ(store->getStringValue("User" + std::to_string(row % 2) + key + "Misc"), "d" + std::to_string(row));
    }
}
