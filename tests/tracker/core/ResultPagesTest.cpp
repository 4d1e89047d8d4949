// Result pages: whole pages against hand-written golden files, and the cell
// rules, popup data and history points one by one.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "foundation/Messages.h"
#include "foundation/RLConstants.h"
#include "tests/support/TestLocales.h"
#include "tests/tracker/core/EngineTestKit.h"
#include "tracker/core/RLEngine.h"
#include "tracker/core/SimpleDateFormat.h"

namespace {

using namespace rltest;
using tracker::History;
using tracker::RLEngine;
using tracker::RLPreferences;
using tracker::ui::BaseRLApp;

constexpr int64_t CLOCK = 1167663900000;       // Monday, 01/01/07 at 3:05 PM (UTC)
constexpr int64_t LAST_RUN = 1165562040000;    // Friday, 12/08/06 at 7:14 AM (UTC)

class ResultPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }

    std::shared_ptr<RLEngine> prepare(bool details, bool nav) {
        auto engine = RLEngine::create();
        engine->setupOutputandURLPaths(world.dir.path() + "/");
        engine->setClock([] { return CLOCK; });
        engine->init(std::nullopt, 0, details, nav);
        return engine;
    }

    std::string golden(const std::string& name, const RLEngine& engine) {
        std::string text = readFile(sourceDir() + "/tests/tracker/core/golden/" + name);
        EXPECT_FALSE(text.empty()) << name;
        replaceAll(text, "@CSS@", engine.getCSSUrl());
        replaceAll(text, "@JS@", engine.getJSUrl());
        replaceAll(text, "@SUMMARY@", tracker::BaseEngine::toFileURL(engine.getSummaryPath()));
        replaceAll(text, "@WEBSITE@", foundation::RLConstants::WebsiteLong());
        replaceAll(text, "@SERVER@", RLEngine::getProductServerAddress());
        replaceAll(text, "@RAND@", std::to_string(CLOCK));
        replaceAll(text, "@LASTRUN@", "Friday, 12/08/06 at 7:14 AM");
        for (const char* key : {"American", "AmericanExpress", "JetBlue"}) {
            replaceAll(text, std::string("@FT_") + key + "@", RLPreferences::getConfig(key)->getFlyerTalkURL());
            replaceAll(text, std::string("@ITYT_") + key + "@", RLPreferences::getConfig(key)->getITYTURL());
        }
        return text;
    }

    ScriptedAdapters adapters;
    EngineWorld world;
};

// Every program of these tests gets an adapter that does nothing.
void registerIdle(ScriptedAdapters& adapters, std::initializer_list<const char*> keys) {
    for (const char* key : keys) adapters.add(key, nullptr);
}

// The golden pages are the C locale's: a desktop's own locale changes no byte.
class ResultPagesUnderLocaleTest : public ResultPagesTest, public ::testing::WithParamInterface<std::string> {};

INSTANTIATE_TEST_SUITE_P(Locales, ResultPagesUnderLocaleTest,
                         ::testing::ValuesIn(rltest::localesWithC()),
                         [](const auto& info) { return info.param.substr(0, 2); });

TEST_P(ResultPagesUnderLocaleTest, PortalEditionPageAndSummaryMatchGolden) {
    rltest::LocaleScope locale(GetParam());
    ASSERT_TRUE(locale.ok()) << locale.problem();
    registerIdle(adapters, {"Alamo", "American", "Delta", "Hilton"});
    RLPreferences::setLastRunDate(LAST_RUN);
    addUserWith("Main User", {{"Alamo", "al", RLPreferences::DISPLAY_NEVER_CHECKED, std::nullopt},
                              {"American", "aa", "1500", "1200"},
                              {"Delta", "dl", RLPreferences::DISPLAY_NEVER_CHECKED, "1000"},
                              {"Hilton", "hl", "1500", RLPreferences::DISPLAY_INVALID_LOGIN}});
    addUserWith("Ann & Bo", {{"American", "ab", "2500", "2500"}});
    History::markHistoryAsExisting();

    auto engine = prepare(true, true);
    EXPECT_TRUE(engine->writeOutput());
    engine->writeSummary(true);
    EXPECT_EQ(world.read("Roamledger.html"), golden("portal-results.html", *engine));
    EXPECT_EQ(world.read("Roamledger-Summary.html"), golden("portal-summary.html", *engine));

    // Points for the new and the changed balance only, stamped by the engine.
    auto aa = History::getEntries(0, "AA", false);
    ASSERT_EQ(aa.size(), 1u);
    EXPECT_EQ(aa[0].getBalance(), 1200.0f);
    EXPECT_EQ(aa[0].getDate(), CLOCK);
    EXPECT_EQ(History::getEntries(0, "DL", false).size(), 1u);
    EXPECT_TRUE(History::getEntries(0, "HL", false).empty());
    EXPECT_TRUE(History::getEntries(1, "AA", false).empty());

    // Chart data: previous balances, the new one, normalised (Hilton x 0.25).
    EXPECT_EQ(RLEngine::getPopupDataValue("TotalChart0"), "Main User;AA;1500;DL;1000;HL;375");
    EXPECT_EQ(RLEngine::getPopupDataValue("TotalChart1"), "Ann & Bo;AA;2500");
    EXPECT_EQ(RLEngine::getPopupDataValue("American0"),
              "'','','Main_User;AA;0;" + std::to_string(CLOCK / 1000) + ";1200'");
    EXPECT_FALSE(RLEngine::getPopupDataValue("Alamo0").has_value());

    // A second rewrite by the same engine adds no point.
    engine->writeOutput();
    EXPECT_EQ(History::getEntries(0, "AA", false).size(), 1u);
    History::save();
    EXPECT_EQ(world.read("Roamledger.history"), "0 AA 1167663900000 1200\n0 DL 1167663900000 1000\n");
}

TEST_F(ResultPagesTest, HorizontalLayoutMatchesGolden) {
    registerIdle(adapters, {"American", "AmericanExpress", "JetBlue"});
    RLPreferences::setHorizontalLayout(true);
    RLPreferences::setCalculateTotal(false);
    RLPreferences::setFlyerTalkLinks(true);
    RLPreferences::setITYTLinks(true);
    RLPreferences::setCellPadding(4);
    RLPreferences::setCellSpacing(1);
    addUserWith("Main User", {{"AmericanExpress", "ax", "5000", "5000"}, {"JetBlue", "b6", "10", "12.5"}});
    addUserWith("Second", {{"American", "aa", RLPreferences::DISPLAY_NEVER_CHECKED, RLPreferences::DISPLAY_PENDING}});

    auto engine = prepare(false, false);
    EXPECT_TRUE(engine->writeOutput());
    EXPECT_EQ(world.read("Roamledger.html"), golden("horizontal-results.html", *engine));
    // Without the details column no point is added.
    EXPECT_TRUE(History::getEntries(0, "B6", false).empty());
}

TEST_F(ResultPagesTest, FarhavenEditionMatchesGolden) {
    registerIdle(adapters, {"Delta", "United"});
    BaseRLApp::setAppType(BaseRLApp::APP_TYPE_FARHAVEN);
    RLPreferences::setShowUsernames(true);
    RLPreferences::setLastRunDate(LAST_RUN);
    addUserWith("Solo", {{"Delta", "1234567890", "1234.56", "1300"},
                         {"United", "jo<e>", "800", RLPreferences::DISPLAY_TIMEOUT}});

    auto engine = prepare(false, true);
    EXPECT_TRUE(engine->writeOutput());
    EXPECT_EQ(world.read("Roamledger.html"), golden("farhaven-results.html", *engine));
}

TEST_F(ResultPagesTest, InterstitialAndStyleSheetMatchGolden) {
    RLPreferences::setColorDarkRow("112233");
    auto engine = prepare(true, true);
    engine->writeInterstitial();
    engine->writeCSSAndJS();
    EXPECT_EQ(world.read("Roamledger-Interstitial.html"), golden("portal-interstitial.html", *engine));
    EXPECT_EQ(world.read("Roamledger.css"), golden("custom.css", *engine));
}

TEST_F(ResultPagesTest, ScriptFileHoldsItsFunctionsWithTheOptions) {
    RLPreferences::setReverseHistory(false);
    auto engine = prepare(true, true);
    engine->writeCSSAndJS();
    const std::string js = world.read("Roamledger.js");
    for (const char* fn : {"function d(d,e,h){", "function e(d){", "function f(t){", "function p(n){",
                           "function v(g,h){", "function n(x,d){"}) {
        EXPECT_NE(js.find(fn), std::string::npos) << fn;
    }
    const std::string server = RLEngine::getProductServerAddress();
    EXPECT_NE(js.find(server + "/roamledger/chart_l.php?v=20060430&o=0&h="), std::string::npos);
    EXPECT_NE(js.find(server + "/roamledger/chart_p.php?v=20060430&d="), std::string::npos);
    EXPECT_NE(js.find("Roamledger-Abbr.html"), std::string::npos);
    EXPECT_NE(js.find("<table cellpadding=2 cellspacing=3 width=580>"), std::string::npos);
    EXPECT_NE(js.find("No History To List"), std::string::npos);
    EXPECT_NE(js.find(engine->getCSSUrl()), std::string::npos);

    RLPreferences::setReverseHistory(true);
    engine->writeCSSAndJS();
    EXPECT_NE(world.read("Roamledger.js").find("&o=1&h="), std::string::npos);
}

// Runs the script file with a stand-in document where a script engine is
// installed, and answers what the calls wrote.
std::string runScript(const std::string& js, const std::string& calls, const std::string& folder) {
    const std::string harness = folder + "/harness.js";
    writeFile(harness, "var out='';var document={write:function(s){out+=s;},close:function(){},images:{}};\n" + js +
                           calls + "\nprocess.stdout.write(out);\n");
    const std::string output = folder + "/harness.out";
    const std::string command = "TZ=UTC node " + harness + " > " + output + " 2>&1";
    if (std::system(command.c_str()) != 0) return "FAILED: " + readFile(output);
    return readFile(output);
}

TEST_F(ResultPagesTest, ScriptWritesThePopupAndTheChart) {
    if (!fileExists("/usr/bin/node")) GTEST_SKIP() << "no script engine installed";
    auto engine = prepare(true, true);
    engine->writeCSSAndJS();
    const std::string js = world.read("Roamledger.js");

    const std::string popup = runScript(js,
                                        "d('<tr class=d><td>&nbsp;Tier</td></tr>','',"
                                        "'Main_User;AA;2;1136073600;1500.5;1136160000;20;1136246400;1234567');",
                                        world.dir.path());
    EXPECT_NE(popup.find("<tr class=d><td>&nbsp;Tier</td></tr>"), std::string::npos) << popup;
    EXPECT_NE(popup.find("No Activity To List"), std::string::npos) << popup;
    EXPECT_NE(popup.find("<tr class=d><td>&nbsp;01/01/06</td><td class=r>1,500.50&nbsp;</td></tr>"),
              std::string::npos)
        << popup;
    EXPECT_NE(popup.find("<tr class=l><td>&nbsp;01/02/06</td><td class=r>20.00&nbsp;</td></tr>"),
              std::string::npos)
        << popup;
    EXPECT_NE(popup.find("<tr class=d><td>&nbsp;01/03/06</td><td class=r>1,234,567.00&nbsp;</td></tr>"),
              std::string::npos)
        << popup;
    EXPECT_NE(popup.find("View Chart of History"), std::string::npos);
    EXPECT_NE(popup.find("</form></center></body></html>"), std::string::npos);

    const std::string empty = runScript(js, "d('','','');", world.dir.path());
    EXPECT_NE(empty.find("<tr class=d><td colspan=2>&nbsp;No History To List</td></tr>"), std::string::npos)
        << empty;

    const std::string chart = runScript(js, "e('Ann & Bo;AA;1500');", world.dir.path());
    EXPECT_NE(chart.find("<img width=520 src='" + RLEngine::getProductServerAddress() +
                         "/roamledger/chart_p.php?v=20060430&d=Ann%20%26%20Bo%3BAA%3B1500'>"),
              std::string::npos)
        << chart;
    EXPECT_NE(chart.find("<iframe width=520 height=82 src=Roamledger-Abbr.html></iframe>"), std::string::npos);

    const std::string image = runScript(js, "var g={};v(g,'A;B');out=g.src+' '+g.width;", world.dir.path());
    EXPECT_EQ(image, RLEngine::getProductServerAddress() + "/roamledger/chart_l.php?v=20060430&o=1&h=A%3BB 590");
}

TEST_F(ResultPagesTest, NoAccountsGiveTheNoUsersBlockOnBothPages) {
    addUserWith("Main User", {});
    auto engine = prepare(true, true);
    EXPECT_FALSE(engine->writeOutput());
    engine->writeSummary(true);
    const std::string block = "<table width=100% height=320><tr><td class=c><b>" +
                              foundation::Messages::get("RLEngine.NoUserOrAccounts") + "</b></td></tr></table>";
    EXPECT_NE(world.read("Roamledger.html").find(block), std::string::npos);
    EXPECT_NE(world.read("Roamledger-Summary.html").find(block), std::string::npos);
    EXPECT_EQ(world.read("Roamledger.html").find("<th"), std::string::npos);
}

TEST_F(ResultPagesTest, BrandedNoUsersBlockIsLower) {
    BaseRLApp::setAppType(BaseRLApp::APP_TYPE_ROAMBAY);
    addUserWith("Main User", {});
    auto engine = prepare(true, true);
    engine->writeOutput();
    const std::string page = world.read("Roamledger.html");
    EXPECT_NE(page.find("<table width=100% height=250>"), std::string::npos);
    EXPECT_NE(page.find("bgcolor=#FFFFFF><tr><td class=c valign=top>"), std::string::npos);
    EXPECT_EQ(page.find("rlheader"), std::string::npos);
}

TEST_F(ResultPagesTest, PendingShowsPreviousBalanceAndMarkerOnlyDuringRetrieval) {
    registerIdle(adapters, {"American"});
    addUserWith("Main User", {{"American", "aa", "1500", RLPreferences::DISPLAY_PENDING}});
    auto engine = prepare(true, true);

    BaseRLApp::setCheckInProgress(true);
    engine->writeOutput();
    std::string page = world.read("Roamledger.html");
    EXPECT_NE(page.find("<td class=r>1,500</td><td class=c>...</td>"), std::string::npos);
    // The total counts the balance the account had.
    EXPECT_NE(page.find("<td>&nbsp;Total</td><td class=r>1,500</td><td class=r></td>"), std::string::npos);

    BaseRLApp::setCheckInProgress(false);
    engine->writeOutput();
    page = world.read("Roamledger.html");
    EXPECT_NE(page.find("<td class=r>1,500</td><td></td>"), std::string::npos);
}

TEST_F(ResultPagesTest, SingleRetrievalShowsExcludedAccountsWithBlankChange) {
    registerIdle(adapters, {"American", "Delta"});
    addUserWith("Main User", {{"American", "aa", "1500", RLPreferences::DISPLAY_PENDING},
                              {"Delta", "dl", "700", RLPreferences::DISPLAY_PENDING}});
    BaseRLApp::setCheckInProgress(true);
    auto engine = RLEngine::create();
    engine->setupOutputandURLPaths(world.dir.path() + "/");
    engine->init(std::string("Delta"), 0, true, true);
    engine->writeOutput();
    const std::string page = world.read("Roamledger.html");
    EXPECT_NE(page.find("AAdvantage</td><td class=r>1,500</td><td>&nbsp;</td>"), std::string::npos);
    EXPECT_NE(page.find("SkyMiles</td><td class=r>700</td><td class=c>...</td>"), std::string::npos);
}

TEST_F(ResultPagesTest, UserTextIsEscapedForPageAndScript) {
    registerIdle(adapters, {"American"});
    addUserWith("O'Brien </script>", {{"American", "aa", "100", "150"}});
    addUserWith("Semi;colon Name", {{"American", "bb", "10", "20"}});
    auto engine = prepare(true, true);
    engine->writeOutput();
    const std::string page = world.read("Roamledger.html");
    EXPECT_NE(page.find("<b>O&#39;Brien &lt;/script&gt;</b>"), std::string::npos);
    EXPECT_EQ(page.find("</script>\n<table"), std::string::npos);
    EXPECT_EQ(RLEngine::getPopupDataValue("TotalChart0"), "O\\'Brien <\\/script>;AA;100");
    EXPECT_EQ(RLEngine::getPopupDataValue("TotalChart1"), "Semi_colon Name;AA;10");
    const auto popup = RLEngine::getPopupDataValue("American1");
    ASSERT_TRUE(popup.has_value());
    EXPECT_NE(popup->find("'Semi_colon_Name;AA;0;"), std::string::npos);
    EXPECT_NE(RLEngine::getPopupDataValue("American0")->find("'O\\'Brien_<\\/script>;AA;"), std::string::npos);
}

TEST_F(ResultPagesTest, DetailsAndActivityGoIntoThePopupAsStored) {
    registerIdle(adapters, {"Delta"});
    addUserWith("Main User", {{"Delta", "dl", "100", "100"}});
    RLPreferences::setDetails(0, "Delta", "<tr class=d><td>&nbsp;Tier</td><td class=r>&nbsp;Gold</td></tr>");
    RLPreferences::setTransactions(0, "Delta", "<tr><th>Date</th></tr>");
    History::markHistoryAsExisting();
    auto engine = prepare(true, true);
    engine->writeOutput();
    EXPECT_EQ(RLEngine::getPopupDataValue("Delta0"),
              "'<tr class=d><td>&nbsp;Tier</td><td class=r>&nbsp;Gold</td></tr>','<tr><th>Date</th></tr>',''");
}

TEST_F(ResultPagesTest, ChangeOfNoValueStillRecordsAHistoryPoint) {
    registerIdle(adapters, {"American", "Delta", "Hilton"});
    // Same value written differently: a computed change of 0; same text: no change at all.
    addUserWith("Main User", {{"American", "aa", "1500", "1500.00"}, {"Delta", "dl", "700", "700"}});
    // A chart takes only balances above 0: neither a previous 0 or -5 nor a new 0.
    addUserWith("Second", {{"American", "ab", "0", "5"},
                           {"Delta", "db", "-5", "5"},
                           {"Hilton", "hb", RLPreferences::DISPLAY_NEVER_CHECKED, "0"}});
    History::markHistoryAsExisting();
    auto engine = prepare(true, true);
    engine->writeOutput();
    const std::string page = world.read("Roamledger.html");
    EXPECT_NE(page.find("AAdvantage</td><td class=r>1,500</td><td class=r>0</td>"), std::string::npos);
    EXPECT_NE(page.find("SkyMiles</td><td class=r>700</td><td></td>"), std::string::npos);
    const auto aa = History::getEntries(0, "AA", false);
    ASSERT_EQ(aa.size(), 1u);
    EXPECT_EQ(aa[0].getBalance(), 1500.0f);
    EXPECT_TRUE(History::getEntries(0, "DL", false).empty());
    EXPECT_EQ(RLEngine::getPopupDataValue("TotalChart0"), "Main User;AA;1500;DL;700");
    EXPECT_EQ(page.find("http://rl/TotalChart?u=1&"), std::string::npos);
}

TEST_P(ResultPagesUnderLocaleTest, NumbersAreGroupedWithAtMostTwoDecimals) {
    rltest::LocaleScope locale(GetParam());
    ASSERT_TRUE(locale.ok()) << locale.problem();
    registerIdle(adapters, {"American", "Delta", "Hilton", "United"});
    addUserWith("Main User", {{"American", "a", "1234567.891", "1234567.891"},
                              {"Delta", "b", "0.125", "0.125"},
                              {"Hilton", "c", "1,234", "1,234"},
                              {"United", "d", "123456789", "-5"}});
    auto engine = prepare(false, false);
    engine->writeOutput();
    const std::string page = world.read("Roamledger.html");
    EXPECT_NE(page.find(">1,234,567.89<"), std::string::npos);
    EXPECT_NE(page.find(">0.12<"), std::string::npos);  // half to even
    // A text that is no number is shown as it is, with the previous text.
    EXPECT_NE(page.find("HHonors</td><td class=r>1,234 (1,234)</td><td></td>"), std::string::npos);
    // Nine digits keep every digit (no single-precision rounding).
    EXPECT_NE(page.find("<font color=#FF0000>-123,456,794</font>"), std::string::npos);
}

TEST(PageFormatsTest, DatesAndNumbersAsThePagesShowThem) {
    setenv("TZ", "UTC", 1);
    tzset();
    const tracker::SimpleDateFormat sdf("EEEE, MM/dd/yy 'at' h:mm a");
    EXPECT_EQ(sdf.format(1136073600000), "Sunday, 01/01/06 at 12:00 AM");
    EXPECT_EQ(sdf.format(1136116800000 + 59 * 60000), "Sunday, 01/01/06 at 12:59 PM");
    EXPECT_EQ(sdf.format(1167663900000), "Monday, 01/01/07 at 3:05 PM");
    EXPECT_EQ(tracker::SimpleDateFormat("EEE d MMM yyyy HH:mm:ss 'o''clock'").format(1167663900000),
              "Mon 1 Jan 2007 15:05:00 o'clock");

    const tracker::NumberFormat nf = tracker::NumberFormat::forLocale("en_US", 2);
    struct Case {
        double value;
        const char* text;
    } cases[] = {{0, "0"},         {-0.004, "0"},          {999, "999"},           {1000, "1,000"},
                 {-1234.5, "-1,234.5"}, {0.125, "0.12"},   {0.375, "0.38"},        {1e9, "1,000,000,000"},
                 {12.10, "12.1"},  {100000.999, "100,001"}};
    for (const auto& c : cases) EXPECT_EQ(nf.format(c.value), c.text) << c.value;
    EXPECT_EQ(tracker::NumberFormat::forLocale("de_DE", 2).format(1234.5), "1.234,5");
}

TEST_F(ResultPagesTest, UnwritablePageIsLoggedAndStillCountsItsRows) {
    registerIdle(adapters, {"American"});
    addUserWith("Main User", {{"American", "aa", "1", "2"}});
    auto engine = RLEngine::create();
    engine->setupOutputandURLPaths(world.dir.path() + "/missing-folder/");
    engine->init(std::nullopt, 0, true, true);
    EXPECT_TRUE(engine->writeOutput());
    engine->writeSummary(true);
    engine->writeCSSAndJS();
    const std::string log = world.log();
    EXPECT_NE(log.find("Cannot write to results output file"), std::string::npos);
    EXPECT_NE(log.find("Cannot write to summary output file"), std::string::npos);
    EXPECT_NE(log.find("Cannot write to CSS output file"), std::string::npos);
    // The script file is not tried after the style sheet failed.
    EXPECT_EQ(log.find("Cannot write to JS output file"), std::string::npos);
}

}  // namespace
