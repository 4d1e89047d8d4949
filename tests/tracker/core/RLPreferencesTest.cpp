// Tracker options, statistics and the launch report.

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "tests/tracker/core/LaunchReportGolden.h"
#include "tests/tracker/core/PrefsFixture.h"

using tracker::BasePreferences;
using tracker::RLPreferences;
using tracker::ui::BaseRLApp;

namespace {

class Preferences : public rltest::PrefsFixture {};

std::string valueOf(const std::string& report, const std::string& name) {
    std::string needle = "\r\n" + name + "=";
    size_t at = ("\r\n" + report).find(needle);
    if (at == std::string::npos) return "<absent>";
    at += needle.size() - 2;
    size_t end = report.find("\r\n", at);
    return report.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

}  // namespace

TEST_F(Preferences, StoredOptionsOutsideTheirLimits) {
    writeSettings({{"OptMaxThreads", "40"},
                   {"OptThreadPoll", "0"},
                   {"OptPageTimeout", "-1"},
                   {"OptOverallTimeout", "0"},
                   {"OptNiceLevel", "-20"},
                   {"OptWindowX", "-5"},
                   {"OptWindowY", "-1"},
                   {"OptWindowWidth", "100"},
                   {"OptWindowHeight", "3599"},
                   {"OptHideNavigator", "TRUE"},
                   {"OptCloseNavigators", "yes"},
                   {"OptPersistDownloads", "True"},
                   {"OptLoggingLevel", "not a number"}});
    load();
    EXPECT_EQ(BasePreferences::getMaxThreadsHigh(), 15);
    EXPECT_EQ(BasePreferences::getThreadPoll(), 2500);
    EXPECT_EQ(BasePreferences::getPageTimeout(), 60000);
    EXPECT_EQ(BasePreferences::getOverallTimeout(), 240000);
    EXPECT_EQ(BasePreferences::getNiceLevel(), 0);
    EXPECT_EQ(BasePreferences::getWindowX(), 0);
    EXPECT_EQ(BasePreferences::getWindowY(), 0);
    EXPECT_EQ(BasePreferences::getWindowWidth(), 9825);
    EXPECT_EQ(BasePreferences::getWindowHeight(), 7185);
    EXPECT_TRUE(BasePreferences::getHideNavigator());
    EXPECT_FALSE(BasePreferences::getCloseNavigators());
    EXPECT_TRUE(BasePreferences::getPersistDownloads());
    EXPECT_EQ(BasePreferences::getLoggingLevel(), 3);

    BasePreferences::savePrefs();
    const auto file = fileEntries();
    EXPECT_EQ(file.at("OptMaxThreads"), "15") << "the thread limit is written back";
    EXPECT_EQ(file.at("OptWindowWidth"), "100") << "the size stays until the window writes its own";
    EXPECT_EQ(file.at("OptThreadPoll"), "0");
    EXPECT_EQ(file.at("OptPageTimeout"), "-1");
    EXPECT_EQ(file.at("OptWindowX"), "-5");
    EXPECT_EQ(file.at("OptLoggingLevel"), "not a number");
}

TEST_F(Preferences, OptionsAtTheirLimitsStayAsStored) {
    writeSettings({{"OptMaxThreads", "15"},
                   {"OptThreadPoll", "1"},
                   {"OptPageTimeout", "1"},
                   {"OptOverallTimeout", "1"},
                   {"OptWindowWidth", "7290"},
                   {"OptWindowHeight", "3600"},
                   {"OptWindowX", "0"},
                   {"OptMaxThreadsLow", "-4"}});
    load();
    EXPECT_EQ(BasePreferences::getMaxThreadsHigh(), 15);
    EXPECT_EQ(BasePreferences::getThreadPoll(), 1);
    EXPECT_EQ(BasePreferences::getPageTimeout(), 1);
    EXPECT_EQ(BasePreferences::getOverallTimeout(), 1);
    EXPECT_EQ(BasePreferences::getWindowWidth(), 7290);
    EXPECT_EQ(BasePreferences::getWindowHeight(), 3600);
    EXPECT_EQ(BasePreferences::getMaxThreadsLow(), -4) << "only read by the Options dialog";
    writeSettings({{"OptMaxThreads", "0"}});
    load();
    EXPECT_EQ(BasePreferences::getMaxThreadsHigh(), 8);
}

TEST_F(Preferences, DisplayOptionsAndTheirDefaults) {
    writeSettings({});
    load();
    EXPECT_FALSE(RLPreferences::getHorizontalLayout());
    EXPECT_FALSE(RLPreferences::getFlyerTalkLinks());
    EXPECT_FALSE(RLPreferences::getITYTLinks());
    EXPECT_TRUE(RLPreferences::getCalculateTotal());
    EXPECT_FALSE(RLPreferences::getShowUsernames());
    EXPECT_TRUE(RLPreferences::getReverseHistory());
    EXPECT_TRUE(RLPreferences::getMaskPasswords());
    EXPECT_EQ(RLPreferences::getColorHeaderRow(), "000099");
    EXPECT_EQ(RLPreferences::getColorLightRow(), "FFFFFF");
    EXPECT_EQ(RLPreferences::getColorDarkRow(), "DDEEFF");
    EXPECT_EQ(RLPreferences::getCellPadding(), 2);
    EXPECT_EQ(RLPreferences::getCellSpacing(), 3);

    RLPreferences::setShowUsernames(true);
    RLPreferences::setColorDarkRow("112233");
    RLPreferences::setCellSpacing(0);
    BasePreferences::setMaxThreadsHigh(40);  // setters keep what they are given
    BasePreferences::setCloseNavigators(true);
    EXPECT_EQ(store->getStringValue("OptShowUsernames"), "true");
    EXPECT_EQ(store->getStringValue("OptColorDarkRow"), "112233");
    EXPECT_EQ(store->getStringValue("OptCellSpacing"), "0");
    EXPECT_EQ(store->getStringValue("OptMaxThreads"), "40");
    EXPECT_EQ(store->getStringValue("OptCloseNavigators"), "true");
    EXPECT_EQ(BasePreferences::getMaxThreadsHigh(), 40);
}

TEST_F(Preferences, BooleanOptionsSetAsTextKeepTheirText) {
    writeSettings({});
    load();
    // A literal must not turn into the boolean true.
    BasePreferences::setHideNavigator("false");
    EXPECT_FALSE(BasePreferences::getHideNavigator());
    EXPECT_EQ(store->getStringValue("OptHideNavigator"), "false");

    BasePreferences::setPersistDownloads(std::string("TRUE"));
    EXPECT_TRUE(BasePreferences::getPersistDownloads());
    EXPECT_EQ(store->getStringValue("OptPersistDownloads"), "TRUE");

    RLPreferences::setCalculateTotal("no");
    EXPECT_FALSE(RLPreferences::getCalculateTotal());
    EXPECT_EQ(store->getStringValue("OptCalculateTotal"), "no");
    // Any other text is false, and stays in the report as it was set.
    EXPECT_EQ(valueOf(RLPreferences::collectSystemAndSettingsInfo(true), "OptCalculateTotal"), "no");

    RLPreferences::setReverseHistory("False");
    RLPreferences::setShowUsernames("True");
    RLPreferences::setCloseNavigators("true");
    EXPECT_FALSE(RLPreferences::getReverseHistory());
    EXPECT_TRUE(RLPreferences::getShowUsernames());
    EXPECT_TRUE(BasePreferences::getCloseNavigators());
    EXPECT_EQ(store->getStringValue("OptReverseHistory"), "False");
}

TEST_F(Preferences, FarhavenIgnoresTheForumAndHistoryOrderOptions) {
    writeSettings({{"OptReverseHistory", "false"}, {"OptFlyerTalkLink", "true"}, {"OptITYTLink", "true"}});
    BaseRLApp::setAppType(BaseRLApp::APP_TYPE_FARHAVEN);
    load();
    EXPECT_TRUE(RLPreferences::getReverseHistory());
    EXPECT_FALSE(RLPreferences::getFlyerTalkLinks());
    EXPECT_FALSE(RLPreferences::getITYTLinks());
    BaseRLApp::setAppType(BaseRLApp::APP_TYPE_LANTERNBAY);
    load();
    EXPECT_FALSE(RLPreferences::getReverseHistory());
    EXPECT_TRUE(RLPreferences::getFlyerTalkLinks());
}

TEST_F(Preferences, LaunchesAreCountedAndTheIdentifierKept) {
    writeSettings({{"Version", "20051201"}, {"StatLaunchCount", "6"}});
    load();
    EXPECT_EQ(BasePreferences::getLaunchCount(), 7);
    EXPECT_EQ(RLPreferences::getSettingsVersion(), "20051201");
    const std::string uuid = RLPreferences::getUUID();
    EXPECT_TRUE(std::regex_match(uuid, std::regex("[0-9a-f]{8}-[0-9a-f]{4}-1[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")))
        << uuid;
    BasePreferences::savePrefs();
    EXPECT_EQ(fileValue("Version"), "20060430");
    EXPECT_EQ(fileValue("StatLaunchCount"), "7");
    EXPECT_EQ(fileValue("UUID"), uuid);
    EXPECT_EQ(fileValue("DurationLastLaunch"), "0");

    load();
    EXPECT_EQ(BasePreferences::getLaunchCount(), 8);
    EXPECT_EQ(RLPreferences::getUUID(), uuid);
    EXPECT_EQ(RLPreferences::getSettingsVersion(), "20060430");
}

TEST_F(Preferences, AdCounterCountsMatchingPagesAndRestartsEachRun) {
    writeSettings({{"AdsLastLaunch", "4"}});
    BaseRLApp::setAppType(BaseRLApp::APP_TYPE_BRTW);
    load();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(valueOf(reports[0].message, "AdsLastLaunch"), "4") << "the last run's count is reported";
    EXPECT_EQ(RLPreferences::getAdsLastLaunch(), 0);
    EXPECT_EQ(store->getStringValue("AdsLastLaunch"), "0");
    RLPreferences::incrementAdCount();
    RLPreferences::incrementAdCount(std::string("file:///x/brtw/ad-160x600-1.html"), "brtw/ad-");
    RLPreferences::incrementAdCount(std::string("file:///x/other.html"), "brtw/ad-");
    RLPreferences::incrementAdCount(std::nullopt, "brtw/ad-");
    EXPECT_EQ(RLPreferences::getAdsLastLaunch(), 2);
    EXPECT_EQ(store->getStringValue("AdsLastLaunch"), "2");
}

TEST_F(Preferences, NameValuePairs) {
    std::string b;
    RLPreferences::appendNameValuePair(b, "First", std::optional<std::string>("1"), false);
    RLPreferences::appendNameValuePair(b, "Missing", std::optional<std::string>());
    RLPreferences::appendNameValuePair(b, "Number", int64_t{-42});
    RLPreferences::appendNameValuePair(b, "Same", std::optional<std::string>("x"), "x");
    RLPreferences::appendNameValuePair(b, "Differs", std::optional<std::string>("y"), "x");
    RLPreferences::appendNameValuePair(b, "SameNumber", int64_t{7}, int64_t{7});
    RLPreferences::appendNameValuePair(b, "OtherNumber", int64_t{8}, int64_t{7});
    EXPECT_EQ(b, "First=1\r\nMissing=null\r\nNumber=-42\r\nDiffers=y\r\nOtherNumber=8");
}

TEST_F(Preferences, ReportDateReadsLikeASentence) {
    const std::string date = RLPreferences::formatReportDate(BasePreferences::currentTimeMillis());
    EXPECT_TRUE(std::regex_match(
        date, std::regex("(Sun|Mon|Tues|Wednes|Thurs|Fri|Satur)day, [01][0-9]/[0-3][0-9]/[0-9]{2} at "
                         "(1[0-2]|[1-9]):[0-5][0-9] (AM|PM)")))
        << date;
}

TEST_F(Preferences, AnOptionSetBackToItsDefaultLeavesTheReport) {
    writeSettings({{"OptCellPadding", "5"}, {"OptHorizontalLayout", "true"}});
    load();
    std::string report = RLPreferences::collectSystemAndSettingsInfo(false);
    EXPECT_EQ(valueOf(report, "OptCellPadding"), "5");
    EXPECT_EQ(valueOf(report, "OptHorizontalLayout"), "true");
    RLPreferences::setCellPadding(2);
    RLPreferences::setHorizontalLayout(false);
    report = RLPreferences::collectSystemAndSettingsInfo(true);
    EXPECT_EQ(valueOf(report, "OptCellPadding"), "<absent>");
    EXPECT_EQ(valueOf(report, "OptHorizontalLayout"), "<absent>");
    EXPECT_EQ(valueOf(report, "Directory"), dir.path());
}

namespace {

using rltest::Edition;

class LaunchReport : public rltest::PrefsFixture, public ::testing::WithParamInterface<Edition> {};

}  // namespace

TEST_P(LaunchReport, HoldsTheFactsSettingsAndBalancesOfTheEdition) {
    const Edition& e = GetParam();
    writeSettings(rltest::REPORTED_SETTINGS);
    BaseRLApp::setAppType(e.appType);
    BaseRLApp::setParentUUID("host-42");
    load();
    ASSERT_EQ(reports.size(), 1u);
    const rltest::CaughtReport& r = reports[0];
    EXPECT_EQ(rltest::maskedReport(r.message), e.golden);
    EXPECT_EQ(r.uuid, "1b4e28ba-2fa1-11d2-883f-0016d3cca427");
    EXPECT_EQ(r.appType, e.appType);
    EXPECT_EQ(r.extra, e.hasExtra ? std::optional<std::string>("ReportedOn=Launch") : std::nullopt);
    EXPECT_EQ(valueOf(r.message, "Directory"), dir.path());
    EXPECT_EQ(r.message.substr(r.message.size() - 2), "\r\n");
    EXPECT_EQ(RLPreferences::getAccountCountOnLaunch(), 3);
}

INSTANTIATE_TEST_SUITE_P(Editions, LaunchReport,
                         ::testing::ValuesIn(rltest::EDITIONS));
