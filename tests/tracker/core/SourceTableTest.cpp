// The program table: every row as the programs' own descriptions give it,
// and the look-ups by key, display name and abbreviation.

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseRLApp.h"

using tracker::RLPreferences;
using tracker::SourceConfig;
using tracker::ui::BaseRLApp;

namespace {

struct ExpectedRow {
    int row;
    const char* key;
    const char* display;
    const char* abbreviation;
    const char* flags;  // S N D A: retrieval, navigation, details, activity; "-" for false
};

// Transcribed from the list of programs in display order.
const ExpectedRow EXPECTED[] = {
    {0, "Aeroflot", "Aeroflot Bonus", "SU", "SN--"},
    {1, "Aeromexico", "Aerom\xC3\xA9""xico Club Premiere", "AM", "SN--"},
    {2, "AirCanada", "Air Canada Aeroplan", "AC", "SN--"},
    {3, "AirMiles", "Air Miles", "AR", "SN--"},
    {4, "AirMilesMart", "AirMilesMart", "AL", "SN--"},
    {5, "AirNewZealand", "Air New Zealand Airpoints", "AN", "SN--"},
    {6, "AirTran", "AirTran A-Plus Rewards", "FL", "SN--"},
    {7, "Alamo", "Alamo Rent A Car", "AO", "-N--"},
    {8, "Alaska", "Alaska Airlines Mileage Plan", "AS", "SN--"},
    {9, "Alitalia", "Alitalia MilleMiglia", "AZ", "SN--"},
    {10, "Aloha", "AlohaPass", "AQ", "SN--"},
    {11, "AmericaWest", "America West Airlines FlightFund", "HP", "SND-"},
    {12, "American", "American Airlines AAdvantage", "AA", "SNDA"},
    {13, "AmericanExpress", "American Express Mem. Rwd.", "AX", "SN--"},
    {14, "AmericanExpressAustralia", "American Express Mem. Rwd. (AU)", "AU", "SN--"},
    {15, "AmericanExpressGermany", "American Express Mem. Rwd. (DE)", "AG", "SN--"},
    {16, "Amtrak", "Amtrak Guest Rewards", "AK", "SN--"},
    {17, "ANA", "ANA Mileage Club", "NH", "SN--"},
    {18, "Asiana", "Asiana Club", "OZ", "SN--"},
    {19, "Avis", "Avis Rent A Car", "AV", "-N--"},
    {20, "ATA", "ATA Travel Awards", "TZ", "SN--"},
    {21, "BAA", "BAA WorldPoints", "BB", "SN--"},
    {22, "BankAmericaMilesEdge", "Bank of America MilesEdge", "BM", "SN--"},
    {23, "BestWestern", "Best Western Gold Crown Club", "BW", "SN--"},
    {24, "BritishAirways", "British Airways Executive Club", "BA", "SN--"},
    {25, "BritishMidland", "British Midland Diamond Club", "BD", "SN--"},
    {26, "CapitalOneNoHassle", "Capital One No Hassle", "CN", "SN--"},
    {27, "CapitalOneNoHassleSmallBus", "Capital One No Hassle Small Bus.", "CS", "SN--"},
    {28, "CathayPacific", "Cathay Pacific Asia Miles", "CX", "SN--"},
    {29, "ChaseTravel", "Chase Travel/Ultimate Rewards", "CT", "SN--"},
    {30, "Choice", "Choice Privileges", "CH", "SN--"},
    {31, "Citi", "Citi ThankYou Network", "CT", "SN--"},
    {32, "ClickRewards", "ClickRewards", "CR", "SN--"},
    {33, "Continental", "Continental Airlines OnePass", "CO", "SNDA"},
    {34, "CountryInns", "Country Inns Gold Rewards", "CI", "SN--"},
    {35, "Czech", "Czech OK Plus", "OK", "SN--"},
    {36, "Delta", "Delta Air Lines SkyMiles", "DL", "SNDA"},
    {37, "DinersClub", "Diners Club Club Rewards (US)", "DC", "SN--"},
    {38, "DinersClubAustralia", "Diners Club Club Rewards (AU)", "A2", "SN--"},
    {39, "Discover", "Discover Card (Miles or Cashback)", "DS", "SN--"},
    {40, "Ebates", "Ebates", "EB", "SN--"},
    {41, "Ebay", "eBay Anything Points", "EY", "SN--"},
    {42, "ELAL", "EL AL Matmid Frequent Flyer Club", "LY", "SN--"},
    {43, "Emirates", "Emirates Skywards", "EK", "SN--"},
    {44, "Epoll", "E-Poll Rewards", "EP", "SN--"},
    {45, "Erewards", "e-Rewards", "ER", "SN--"},
    {46, "Eva", "Eva Air Evergreen Club", "BR", "SN--"},
    {47, "Fairmont", "Fairmont President's Club", "FP", "-N--"},
    {48, "Fiesta", "Fiesta Rewards", "FS", "SN--"},
    {49, "Finnair", "Finnair Plus", "AY", "SN--"},
    {50, "KLM", "Flying Blue (Air France / KLM)", "KL", "SN--"},
    {51, "Frontier", "Frontier Airlines EarlyReturns", "F9", "SN--"},
    {52, "GlobalPass", "GlobalPass (Formerly LatinPass)", "GL", "SN--"},
    {53, "GMCard", "GM Card", "GM", "SN--"},
    {54, "GoldPoints", "Gold Points Rewards", "GP", "SN--"},
    {55, "GrupoTaca", "Grupo Taca Distancia", "TA", "SN--"},
    {56, "HappyDigits", "HappyDigits", "HD", "SN--"},
    {57, "Hawaiian", "Hawaiian Airlines HawaiianMiles", "HA", "SN--"},
    {58, "Hertz", "Hertz #1 Awards Points", "HR", "SN--"},
    {59, "Hilton", "Hilton HHonors", "HL", "SNDA"},
    {60, "Hyatt", "Hyatt Gold Passport", "HY", "SN--"},
    {61, "Iberia", "Iberia Plus", "IB", "SN--"},
    {62, "Japan", "JAL Mileage Bank", "JL", "SN--"},
    {63, "JetBlue", "JetBlue trueBlue", "B6", "SN--"},
    {64, "Korean", "Korean Air SkyPass", "KE", "SN--"},
    {65, "LeMeridien", "Le Meridien Moments", "LM", "SN--"},
    {66, "Loews", "Loews Hotels LoewsFirst", "LW", "-N--"},
    {67, "Lufthansa", "Lufthansa Miles and More", "LH", "SN--"},
    {68, "Marriott", "Marriott Rewards", "RL", "SNDA"},
    {69, "MBNA", "MBNA WorldPoints", "MC", "SN--"},
    {70, "Mexicana", "Mexicana Frecuenta", "MX", "SN--"},
    {71, "Microtel", "Microtel MicroPass", "MI", "SN--"},
    {72, "MidwestExpress", "Midwest Miles", "YX", "SN--"},
    {73, "Milesource", "Milesource AwardMiles", "MS", "SN--"},
    {74, "MyPoints", "MyPoints", "MP", "SN--"},
    {75, "Sony", "MySony", "SY", "SN--"},
    {76, "EmeraldClub", "National Emerald Club", "EC", "SN--"},
    {77, "Northwest", "Northwest Airlines WorldPerks", "NW", "SNDA"},
    {78, "Omni", "Omni Select Guest", "OM", "-N--"},
    {79, "ParkInn", "Park Inn Park Rewards", "PI", "SN--"},
    {80, "ParkPlaza", "Park Plaza Park Rewards", "PP", "SN--"},
    {81, "Payback", "Payback", "PB", "SN--"},
    {82, "PrimeRewards", "Prime Rewards", "PR", "SN--"},
    {83, "SixContinents", "Priority Club Rewards", "PC", "SN--"},
    {84, "Qantas", "Qantas Frequent Flyer", "QF", "SN--"},
    {85, "Radisson", "Radisson Gold Rewards", "RD", "SN--"},
    {86, "RedRoof", "Red Roof Inns RediCard", "RR", "SN--"},
    {87, "Regent", "Regent International Hotels", "RN", "-N--"},
    {88, "LaQuinta", "Returns (La Quinta / Baymont)", "LQ", "SN--"},
    {89, "Greenpoints", "S&H Greenpoints", "SH", "SN--"},
    {90, "SAS", "SAS EuroBonus", "SK", "SN--"},
    {91, "Singapore", "Singapore Airlines KrisFlyer", "SQ", "SN--"},
    {92, "SNBrussels", "SN Brussels Privilege", "SN", "SN--"},
    {93, "SolMelia", "Sol Melia MaS", "SM", "SN--"},
    {94, "SouthAfrican", "South African Voyager", "SA", "S---"},
    {95, "Southwest", "Southwest Rapid Rewards", "WN", "SNDA"},
    {96, "Starwood", "Starwood Preferred Guest", "ST", "SNDA"},
    {97, "Swiss", "Swiss TravelClub", "LX", "SNDA"},
    {98, "TAP", "TAP Air Portugal Navigator", "TP", "SN--"},
    {99, "Thai", "Thai Airways Royal Orchid Plus", "TG", "SN--"},
    {100, "Thrifty", "Thrifty Blue Chip", "TC", "SN--"},
    {101, "TripRewards", "TripRewards Guest Rewards", "TR", "SN--"},
    {102, "Turkish", "Turkish Airlines Miles & Miles", "TK", "SN--"},
    {103, "United", "United Mileage Plus", "UA", "SNDA"},
    {104, "Upromise", "Upromise", "UP", "SN--"},
    {105, "USAir", "US Airways Dividend Miles", "US", "SNDA"},
    {106, "Varig", "Varig Smiles", "RG", "SN--"},
    {107, "VirginAtlantic", "Virgin Atlantic Flying Club", "VS", "SN--"},
    {108, "Webmiles", "Webmiles", "WM", "SN--"},
    {109, "Wyndham", "Wyndham ByRequest", "WB", "-N--"},
    {110, "Yahoo", "Yahoo! Points", "YH", "SN--"},
};

std::string flagsOf(const SourceConfig& c) {
    std::string f;
    f += c.isSourcingAllowed() ? 'S' : '-';
    f += c.isNavigationAllowed() ? 'N' : '-';
    f += c.areDetailsTracked() ? 'D' : '-';
    f += c.areTransactionsTracked() ? 'A' : '-';
    return f;
}

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

}  // namespace

TEST(SourceTable, EveryRowHasItsKeyNameAbbreviationAndFlags) {
    ASSERT_EQ(RLPreferences::getSourceCount(), 111);
    ASSERT_EQ(sizeof(EXPECTED) / sizeof(EXPECTED[0]), 111u);
    for (const ExpectedRow& e : EXPECTED) {
        const SourceConfig* c = RLPreferences::getConfig(e.row);
        ASSERT_NE(c, nullptr) << e.row;
        EXPECT_EQ(c->getKey(), e.key) << e.row;
        EXPECT_EQ(RLPreferences::getKey(e.row), e.key);
        EXPECT_EQ(c->getDisplay(), e.display) << e.key;
        EXPECT_EQ(c->getAbbreviation(), e.abbreviation) << e.key;
        EXPECT_EQ(flagsOf(*c), e.flags) << e.key;
        EXPECT_EQ(c->getAbbreviation().size(), 2u) << e.key;
        EXPECT_FALSE(c->getUsernameLabel().empty()) << e.key;
        EXPECT_LE(c->getMinDecimals(), c->getMaxDecimals()) << e.key;
        EXPECT_GT(c->getNormalizeFactor(), 0.0f) << e.key;
    }
}

TEST(SourceTable, LabelsForumsAndNumberFormatsOfTellingRows) {
    const std::set<std::string> withPassword2 = {"GMCard", "Japan", "Northwest", "Qantas"};
    const std::set<std::string> withoutForums = {"HappyDigits", "Payback", "Webmiles"};
    for (int row = 0; row < RLPreferences::getSourceCount(); ++row) {
        const SourceConfig* c = RLPreferences::getConfig(row);
        EXPECT_EQ(!c->getPassword2Label().empty(), withPassword2.count(c->getKey()) == 1) << c->getKey();
        bool noForums = withoutForums.count(c->getKey()) == 1;
        EXPECT_EQ(c->getFlyerTalkURL().empty(), noForums) << c->getKey();
        EXPECT_EQ(c->getITYTURL().empty(), noForums) << c->getKey();
        if (!noForums) {
            const std::string ft = c->getFlyerTalkURL();
            const std::string tail = "/forum/forumdisplay.php?f=" + c->getFlyerTalkForum();
            EXPECT_EQ(ft.substr(ft.size() - tail.size()), tail);
            const std::string it = c->getITYTURL();
            const std::string tail2 = "/forums/viewforum.php?f=" + c->getITYTForum();
            EXPECT_EQ(it.substr(it.size() - tail2.size()), tail2);
            EXPECT_EQ(it.rfind("http", 0), 0u) << "an absolute address";
        }
    }
    EXPECT_EQ(RLPreferences::getConfig("Aeromexico")->getPasswordLabel(), "");
    EXPECT_EQ(RLPreferences::getConfig("GMCard")->getPassword2Label(), "Last 4 Digits of Card");
    EXPECT_EQ(RLPreferences::getConfig("American")->getFlyerTalkForum(), "445");
    EXPECT_EQ(RLPreferences::getConfig("American")->getITYTForum(), "38");
    EXPECT_FLOAT_EQ(RLPreferences::getConfig("AirTran")->getNormalizeFactor(), 1562.5f);
    EXPECT_FLOAT_EQ(RLPreferences::getConfig("JetBlue")->getNormalizeFactor(), 250.0f);
    EXPECT_FLOAT_EQ(RLPreferences::getConfig("Ebates")->getNormalizeFactor(), 50.0f);
    EXPECT_FLOAT_EQ(RLPreferences::getConfig("Hilton")->getNormalizeFactor(), 0.25f);
    EXPECT_EQ(RLPreferences::getConfig("AirNewZealand")->getMaxDecimals(), 2);
    EXPECT_EQ(RLPreferences::getConfig("Southwest")->getMaxDecimals(), 3);
    EXPECT_EQ(RLPreferences::getConfig("AirTran")->getMinDecimals(), 1);
}

TEST(SourceTable, LookupsByKeyDisplayAndAbbreviation) {
    EXPECT_EQ(RLPreferences::findRow("American"), 12);
    EXPECT_EQ(RLPreferences::findRow("american"), std::nullopt);
    EXPECT_EQ(RLPreferences::findRow("Starbucks"), std::nullopt);
    EXPECT_EQ(RLPreferences::findRow(""), std::nullopt);
    EXPECT_EQ(RLPreferences::getConfig("Starbucks"), nullptr);
    EXPECT_EQ(RLPreferences::getConfig(-1), nullptr);
    EXPECT_EQ(RLPreferences::getConfig(111), nullptr);
    EXPECT_EQ(RLPreferences::getKey(111), "");

    EXPECT_EQ(RLPreferences::findRowByAbbreviation("CT"), 29);
    EXPECT_EQ(RLPreferences::getConfig(31)->getAbbreviation(), "CT");
    EXPECT_EQ(RLPreferences::getDisplayFromAbbreviation("CT"), "Chase Travel/Ultimate Rewards");
    EXPECT_EQ(RLPreferences::findRowByAbbreviation("ct"), std::nullopt);
    EXPECT_EQ(RLPreferences::getDisplayFromAbbreviation("ZZ"), std::nullopt);

    EXPECT_EQ(RLPreferences::convertDisplayToKey("Diners Club Club Rewards (AU)"), "DinersClubAustralia");
    EXPECT_EQ(RLPreferences::convertDisplayToKey("No Such Program"), "");
    for (const ExpectedRow& e : EXPECTED) {
        EXPECT_EQ(RLPreferences::findRow(e.key), e.row);
        EXPECT_EQ(RLPreferences::convertDisplayToKey(e.display), e.key);
        EXPECT_EQ(RLPreferences::getConfig(std::string(e.key)), RLPreferences::getConfig(e.row));
    }
}

TEST(SourceTable, FarhavenTableHoldsTheSameRows) {
    BaseRLApp::setAppType(BaseRLApp::APP_TYPE_FARHAVEN);
    EXPECT_EQ(RLPreferences::getSourceCount(), 111);
    for (int row = 0; row < 111; ++row) {
        EXPECT_EQ(RLPreferences::SOURCE_CONFIGS_FARHAVEN()[row]->getKey(),
                  RLPreferences::SOURCE_CONFIGS_STANDARD()[row]->getKey());
        EXPECT_EQ(RLPreferences::getKey(row), EXPECTED[row].key);
    }
    BaseRLApp::setAppType(BaseRLApp::APP_TYPE_LANTERNBAY);
}

TEST(SourceTable, AbbreviationPageListsEveryEntryInTwoColumns) {
    const std::string html = RLPreferences::generateAbbreviationLookupHTML("Roamledger.css");
    EXPECT_EQ(html.rfind("<html><head><link rel=\"StyleSheet\" type=\"text/css\" href=\"Roamledger.css\"/></head>"
                         "<body><center><table cellpadding=2 cellspacing=3 width=475><tr class=d>"
                         "<td class=c colspan=4><b>Abbreviations</b></td></tr>",
                         0),
              0u);
    EXPECT_EQ(count(html, "<tr class="), 57u) << "a heading and 56 body rows";
    // Sorted by code units: digits before letters, so A2 leads and YX closes
    // the left column's last row, which has no right-hand pair.
    EXPECT_NE(html.find("<tr class=l><td class=c>&nbsp;A2</td><td>&nbsp;Diners Club Club Rewards (AU)</td>"), std::string::npos);
    const std::string end = "</td><td class=c>&nbsp;</td><td>&nbsp;</td></tr></table></center></body></html>";
    ASSERT_GE(html.size(), end.size());
    EXPECT_EQ(html.substr(html.size() - end.size()), end);
    EXPECT_EQ(count(html, "&nbsp;CT</td><td>&nbsp;Chase Travel/Ultimate Rewards</td>"), 2u);
    EXPECT_EQ(count(html, "Citi ThankYou Network"), 0u);
    // Rows alternate, the first body row being light.
    EXPECT_NE(html.find("</td></tr><tr class=d><td class=c>&nbsp;"), std::string::npos);
}

TEST(SourceTable, AdaptersJoinByKeyAndRowsWithoutOneCreateNothing) {
    const SourceConfig* config = RLPreferences::getConfig("Aeroflot");
    ASSERT_NE(config, nullptr);
    EXPECT_FALSE(config->getSourceClass());
    EXPECT_EQ(config->createSource(), nullptr);

    int made = 0;
    SourceConfig::registerSourceClass("Aeroflot", [&made] {
        ++made;
        return std::shared_ptr<tracker::RLSource>();
    });
    EXPECT_TRUE(config->getSourceClass());
    config->createSource();
    config->createSource();
    EXPECT_EQ(made, 2);
    EXPECT_FALSE(RLPreferences::getConfig("Aeromexico")->getSourceClass()) << "registration is by key";

    SourceConfig::unregisterSourceClass("Aeroflot");
    EXPECT_FALSE(config->getSourceClass());
}

TEST(SourceTable, DeveloperListingHasOneLinePerRow) {
    std::ostringstream out;
    RLPreferences::printSourceTable(out);
    std::istringstream in(out.str());
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        EXPECT_EQ(line, std::string(EXPECTED[n].key) + "\t" + EXPECTED[n].display);
        ++n;
    }
    EXPECT_EQ(n, 111);
}
