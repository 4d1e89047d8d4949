// The adapter kit on its own: the cases of its helpers that the scenarios
// of this library's adapters do not reach, and the registration of every
// adapter in the program table.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/HostTable.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempWorkDir.h"
#include "tracker/adapters/AdapterKit.h"
#include "tracker/adapters/Registration.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/core/SourceConfig.h"
#include "tracker/ui/BaseRLApp.h"

namespace {

using namespace tracker::adapters;
using tracker::RLPreferences;

TEST(AdapterKitTest, GroupsAreClampedToTheText) {
    EXPECT_EQ(group("123456789", 0, 3), "123");
    EXPECT_EQ(group("123456789", 6, 3), "789");
    EXPECT_EQ(group("12345", 3, 3), "45");
    EXPECT_EQ(group("12345", 6, 3), "");
    EXPECT_EQ(group("", 0, 3), "");
}

TEST(AdapterKitTest, AValueAfterAMissingLabelIsEmptyNeverFromTheTop) {
    const std::string page = "<td>111</td> Miles <td>222</td> Balance <td>333</td>";
    EXPECT_EQ(valueAfter(page, "Balance", "<td>", "<"), "333");
    EXPECT_EQ(valueAfter(page, "Points", "<td>", "<"), "");
    EXPECT_EQ(betweenFrom(page, -1, "<td>", "<"), "");
    EXPECT_EQ(betweenFrom(page, 0, "<td>", "<"), "111");
    EXPECT_EQ(valueAfter(page, "Balance", "<td>", "</th>"), "");
    EXPECT_EQ(positionOf(page, "<td>", 1), 19);
    EXPECT_EQ(positionOf(page, "<td>", 1000), -1);
}

TEST(AdapterKitTest, CredentialsAreEncodedAsTypedExceptTheUnsafeCharacters) {
    EXPECT_EQ(credential("joe@example.com"), "joe@example.com");
    EXPECT_EQ(credential("a&b=c+d%e#f g"), "a%26b%3Dc%2Bd%25e%23f%20g");
    EXPECT_EQ(credential("tab\tx"), "tab%09x");
    // A UTF-8 letter goes as its Latin-1 byte.
    EXPECT_EQ(credential("M\xC3\xBCller"), "M%FCller");
}

TEST(AdapterKitTest, LiftedValuesAndAddresses) {
    EXPECT_EQ(liftViewState("<input type=\"hidden\" name=\"__VIEWSTATE\" value=\"a/b+c=\" />"), "a%2Fb%2Bc%3D");
    EXPECT_EQ(liftViewState("<input type=\"hidden\" name=\"__EVENTTARGET\" value=\"x\" />"), "");
    EXPECT_EQ(lift("<FORM ACTION=\"/go\" METHOD=\"POST\">", "ACTION=\"", "\""), "/go");

    const std::string page = "https://www.example.com/apps/start.jhtml?x=1";
    EXPECT_EQ(resolveLifted(page, "/login.jhtml?a=b"), "https://www.example.com/login.jhtml?a=b");
    EXPECT_EQ(resolveLifted(page, "login.jhtml"), "https://www.example.com/apps/login.jhtml");
    EXPECT_EQ(resolveLifted(page, "https://secure.example.com/in"), "https://secure.example.com/in");
    EXPECT_EQ(resolveLifted(page, ""), std::nullopt);
    EXPECT_EQ(resolveLifted(page, "  "), std::nullopt);
}

TEST(AdapterKitTest, AKeyMissingFromTheTableGetsARecordThatAllowsNothing) {
    rltest::LogCapture log;
    const tracker::SourceConfig& stray = programConfig("NoSuchProgram");
    EXPECT_EQ(stray.getKey(), "NoSuchProgram");
    EXPECT_FALSE(stray.isSourcingAllowed());
    EXPECT_FALSE(stray.isNavigationAllowed());
    EXPECT_EQ(&programConfig("NoSuchProgram"), &stray);
    EXPECT_EQ(log.count("No program table row for adapter NoSuchProgram"), 1u);
    EXPECT_EQ(&programConfig("American"), RLPreferences::getConfig("American"));
}

// Every adapter of the library is created from the program table by its
// key, as the engine creates it, and carries the table's record.
TEST(AdapterRegistrationTest, EveryKeyCreatesItsOwnAdapterWithTheTableRecord) {
    registerAll();
    registerAll();  // again: harmless
    ASSERT_EQ(adapterKeys().size(), 19u);
    for (const std::string& key : adapterKeys()) {
        const tracker::SourceConfig* config = RLPreferences::getConfig(key);
        ASSERT_NE(config, nullptr) << key;
        std::shared_ptr<tracker::RLSource> source = config->createSource();
        ASSERT_TRUE(source) << key;
        EXPECT_EQ(source->getKey(), key);
        EXPECT_EQ(&source->getSourceConfig(), config) << key;
        EXPECT_NE(config->createSource(), source) << key << ": one object per account thread";
    }
}

TEST(AdapterRegistrationTest, FlagsThatDecideWhatTheAdaptersDo) {
    for (const char* key : {"Alamo", "Avis", "Fairmont", "Loews", "Omni", "Regent", "Wyndham"}) {
        EXPECT_FALSE(RLPreferences::getConfig(key)->isSourcingAllowed()) << key;
        EXPECT_TRUE(RLPreferences::getConfig(key)->isNavigationAllowed()) << key;
    }
    EXPECT_FALSE(RLPreferences::getConfig("SouthAfrican")->isNavigationAllowed());
    const tracker::SourceConfig* american = RLPreferences::getConfig("American");
    EXPECT_TRUE(american->areDetailsTracked());
    EXPECT_TRUE(american->areTransactionsTracked());
    for (const char* key : {"Aeroflot", "Aeromexico", "AirCanada", "AirNewZealand", "AirTran", "Alaska", "Alitalia",
                            "Aloha"}) {
        const tracker::SourceConfig* config = RLPreferences::getConfig(key);
        EXPECT_TRUE(config->isSourcingAllowed()) << key;
        EXPECT_FALSE(config->areDetailsTracked()) << key;
        EXPECT_FALSE(config->areTransactionsTracked()) << key;
    }
}

// Every host role the adapters use is in the host table.
TEST(AdapterRegistrationTest, EveryRoleOfTheAdaptersIsInTheHostTable) {
    for (const char* role : {"Aeroflot.secure", "Aeromexico.reservations", "AirCanada.secure", "AirNewZealand.site",
                             "AirNewZealand.registration", "AirTran.tickets", "Alaska.site", "Alitalia.secure",
                             "Aloha.travel", "American.site", "American.domainName"}) {
        EXPECT_TRUE(foundation::HostTable::has(role)) << role;
    }
    EXPECT_EQ(foundation::HostTable::get("American.domainName"), "AA.com");
    EXPECT_EQ(foundation::HostTable::scheme("Aloha.travel"), "http");
}

class MarkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        tracker::ui::BaseRLApp::setAppType(tracker::ui::BaseRLApp::APP_TYPE_LANTERNBAY);
        RLPreferences::setStatsReporter(
            [](const std::string&, const std::string&, const std::optional<std::string>&, int) {});
        rltest::writeFile(dir.file("Roamledger.settings"), "User0=Markers\n");
        RLPreferences::loadPrefs("Roamledger", std::make_shared<tracker::PropertiesPrefPersist>());
        registerAll();
        source = RLPreferences::getConfig("Aeroflot")->createSource();
        source->setUser(0);
    }
    void TearDown() override { RLPreferences::setStatsReporter(nullptr); }

    std::string balance() const { return RLPreferences::getCurrentBalance(0, "Aeroflot").value_or("<absent>"); }

    rltest::TempWorkDir dir;
    std::shared_ptr<tracker::RLSource> source;
};

TEST_F(MarkerTest, TheFirstMarkerInTheListDecidesNotTheFirstInThePage) {
    const Markers markers = {
        badLogin("account closed", RLPreferences::DISPLAY_BLOCKED_LOGIN),
        maintenance("down for maintenance"),
        invalid("wrong password"),
    };
    EXPECT_TRUE(firstMarker(*source, "wrong password ... down for maintenance", markers));
    EXPECT_EQ(balance(), RLPreferences::DISPLAY_MAINTENANCE);
    EXPECT_TRUE(firstMarker(*source, "wrong password; account closed", markers));
    EXPECT_EQ(balance(), RLPreferences::DISPLAY_BLOCKED_LOGIN);
}

TEST_F(MarkerTest, NoMarkerRecordsNothingAndMarkersAreCaseSensitive) {
    const std::string before = balance();
    EXPECT_FALSE(firstMarker(*source, "Wrong Password", {invalid("wrong password"), provider("Server error")}));
    EXPECT_EQ(balance(), before);
    EXPECT_TRUE(firstMarker(*source, "Wrong Password", {invalid("Wrong Password")}));
    EXPECT_EQ(balance(), RLPreferences::DISPLAY_INVALID_LOGIN);
}

}  // namespace
