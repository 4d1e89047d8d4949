// The adapter kit on its own: the cases of its helpers that the scenarios
// of this library's adapters do not reach, and the registration of every
// adapter in the program table.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "foundation/HostTable.h"
#include "foundation/ThreadStop.h"
#include "tracker/adapters/Adapter.h"
#include "tests/support/ImitationWeb.h"
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
    EXPECT_EQ(positionAfter(page, "Balance"), 39);
    EXPECT_EQ(positionAfter(page, "<td>", 1), 23);
    EXPECT_EQ(positionAfter(page, "Points"), -1);
    EXPECT_EQ(positionAfter(page, "</td>", 1000), -1);
    EXPECT_EQ(positionAfter(page, "333</td>"), static_cast<int>(page.size()));
}

TEST(AdapterKitTest, PositionsAfterAChainOfLabelsAndTheNthOccurrence) {
    const std::string page = "ACCTID=1\" x ACCTID=2\" Total <td a><td b><td c>$12<td d>$99<";
    EXPECT_EQ(chainedPosition(page, {"ACCTID"}), 0);
    // Each label is searched from one past the one before it.
    EXPECT_EQ(betweenFrom(page, chainedPosition(page, {"ACCTID", "ACCTID="}), "ACCTID=", "\""), "2");
    EXPECT_EQ(valueAfterChain(page, {"Total", "<td ", "<td ", "<td "}, "$", "<"), "12");
    EXPECT_EQ(valueAfterChain(page, {"Total", "<td ", "<td ", "<td ", "<td "}, "$", "<"), "99");
    EXPECT_EQ(valueAfterChain(page, {"Total", "<td ", "<td ", "<td ", "<td ", "<td "}, "$", "<"), "");
    EXPECT_EQ(valueAfterChain(page, {"Missing", "<td "}, "$", "<"), "");
    EXPECT_EQ(chainedPosition(page, {"<td ", "Total"}), -1);
    EXPECT_EQ(chainedPosition(page, {"<td "}, 40), positionOf(page, "<td ", 40));

    EXPECT_EQ(nthPosition("cardlabel>1 cardlabel>2 3", "cardlabel", 1), 0);
    EXPECT_EQ(betweenFrom("cardlabel>1 cardlabel>2 3", nthPosition("cardlabel>1 cardlabel>2 3", "cardlabel", 2),
                          ">", " "),
              "2");
    EXPECT_EQ(nthPosition("cardlabel>1 cardlabel>2 3", "cardlabel", 3), -1);
    EXPECT_EQ(nthPosition("aaaa", "aa", 3), 2);  // overlapping occurrences count
    EXPECT_EQ(nthPosition("aaaa", "aa", 0), -1);
    EXPECT_EQ(nthPosition("a b a", "a", 1, 1), 4);
}

TEST(AdapterKitTest, AFallbackAnchorStandsInOnlyForTheTextAfterAFoundLabel) {
    const std::string page = "x;111< Balance: &#160;222< &#160;333<";
    const int label = positionOf(page, "Balance:");
    EXPECT_EQ(betweenFrom(page, positionOr(page, "&#160", label, 0), ";", "<"), "222");
    // The text missing after the label: the program's fallback, the top.
    EXPECT_EQ(betweenFrom(page, positionOr(page, "&#8364", label, 0), ";", "<"), "111");
    EXPECT_EQ(positionOr(page, "&#160", positionOf(page, "&#160;333"), 5), positionOf(page, "&#160;333"));
    EXPECT_EQ(positionOr(page, "&#8364", 3, 5), 5);
    // A missing label is never replaced by the fallback.
    EXPECT_EQ(positionOr(page, "&#160", positionOf(page, "Points:"), 0), -1);
    EXPECT_EQ(betweenFrom(page, positionOr(page, "&#160", -1, 0), ";", "<"), "");
}

TEST(AdapterKitTest, WholeNumbersAreSummedWithoutWrapping) {
    EXPECT_EQ(sumOfIntegers({"1200", "300"}), "1500");
    EXPECT_EQ(sumOfIntegers({}), "0");
    EXPECT_EQ(sumOfIntegers({"2147483647", "2147483647", "1"}), "4294967295");
    EXPECT_EQ(sumOfIntegers({"-2147483648", "-1"}), "-2147483649");
    EXPECT_EQ(sumOfIntegers({"1200", "n/a"}), std::nullopt);
    EXPECT_EQ(sumOfIntegers({"1,200"}), std::nullopt);
    EXPECT_EQ(sumOfIntegers({"1200", "2147483648"}), std::nullopt);
}

TEST(AdapterKitTest, CredentialsInLowerAndUpperCaseWhateverTheLocale) {
    EXPECT_EQ(lowerCase("JoeSMITH_42@X.COM"), "joesmith_42@x.com");
    EXPECT_EQ(upperCase("smith-jones 2"), "SMITH-JONES 2");
    // The dotted and dotless i stay what they are in every locale.
    EXPECT_EQ(lowerCase("IDI"), "idi");
    EXPECT_EQ(upperCase("idi"), "IDI");
    // Latin-1 letters change case; the signs between them do not.
    EXPECT_EQ(lowerCase("M\xC3\x9CLLER \xC3\x80\xC3\x9E \xC3\x97"), "m\xC3\xBCller \xC3\xA0\xC3\xBE \xC3\x97");
    EXPECT_EQ(upperCase("m\xC3\xBCller \xC3\xA0\xC3\xBE \xC3\xB7 \xC3\xBF"), "M\xC3\x9CLLER \xC3\x80\xC3\x9E \xC3\xB7 \xC3\xBF");
    EXPECT_EQ(upperCase("Strau\xC3\x9F"), "STRAUSS");
    // Other characters go as typed; a stray Latin-1 byte counts as its letter.
    EXPECT_EQ(upperCase("\xCE\xB1" "b"), "\xCE\xB1" "B");
    EXPECT_EQ(lowerCase("\xC9"), "\xC3\xA9");
    EXPECT_EQ(lowerCase(""), "");
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

TEST(AdapterKitTest, AValueAttributeAfterItsAnchor) {
    const std::string page = "<input type=\"hidden\" name=\"__VIEWSTATE\" id=\"__VIEWSTATE\" value=\"dDw+/x=:\" />";
    EXPECT_EQ(liftValueAfter(page, "name=\"__VIEWSTATE\""), "dDw+/x=:");
    EXPECT_EQ(liftNextViewState(page), "dDw%2B%2Fx%3D%3A");
    // The value must follow the name; one before it belongs to another input.
    EXPECT_EQ(liftNextViewState("<input value=\"x\" name=\"__VIEWSTATE\" />"), "");
    EXPECT_EQ(liftNextViewState("<input name=\"__VIEWSTATE\" value=\"abc"), "");
    EXPECT_EQ(liftNextViewState("<input name=\"__EVENTTARGET\" value=\"abc\" />"), "");
}

TEST(AdapterKitTest, HiddenFieldsAreRelayedUpToTheirCap) {
    const HiddenFieldRelay relay = {"<FORM ACTION=\"/next\">", "</FORM>", "<INPUT TYPE=\"hidden\" NAME=\"", "VALUE=\"",
                                    3, true};
    auto form = [](int fields) {
        std::string page = "<INPUT TYPE=\"hidden\" NAME=\"before\" VALUE=\"0\"><FORM ACTION=\"/next\">";
        for (int i = 1; i <= fields; ++i) {
            page += "<INPUT TYPE=\"hidden\" NAME=\"f" + std::to_string(i) + "\" VALUE=\"a=" + std::to_string(i) + "\">";
        }
        return page + "<INPUT TYPE=\"text\" NAME=\"t\"></FORM><INPUT TYPE=\"hidden\" NAME=\"after\" VALUE=\"9\">";
    };
    EXPECT_EQ(relayHiddenFields(form(0), relay), "");
    EXPECT_EQ(relayHiddenFields(form(3), relay), "f1=a%3D1&f2=a%3D2&f3=a%3D3&");
    EXPECT_EQ(relayHiddenFields(form(4), relay), std::nullopt);
    EXPECT_EQ(relayHiddenFields("<FORM ACTION=\"/other\"></FORM>", relay), std::nullopt);

    // Without an end the form runs to the end of the page; "=" may stay.
    const HiddenFieldRelay open = {"<form", "", "<input type=\"hidden\" name=\"", "value=\"", 15, false};
    EXPECT_EQ(relayHiddenFields("<form><input type=\"hidden\" name=\"a\" value=\"x=y\"></form>"
                                "<input type=\"hidden\" name=\"b\" id=\"b\" value=\"\">",
                                open),
              "a=x=y&b=&");
    EXPECT_EQ(relayHiddenFields("<form><input type=\"hidden\" name=\"a", open), "a=&");
}

TEST(AdapterKitTest, AHiddenFieldRelayWithAStopFieldEndsThereAndNeedsItWithinItsCap) {
    const HiddenFieldRelay relay = {.form = "<form",
                                    .input = "<input type=\"hidden\" name=\"",
                                    .value = "value=\"",
                                    .maxFields = 3,
                                    .stopAfter = "stop",
                                    .joined = true};
    auto form = [](std::vector<std::string> names) {
        std::string page = "<form action=\"/next\">";
        for (const std::string& name : names) {
            page += "<input type=\"hidden\" name=\"" + name + "\" value=\"v" + name + "\">";
        }
        return page + "</form>";
    };
    EXPECT_EQ(relayHiddenFields(form({"a", "b", "stop", "after"}), relay), "a=va&b=vb&stop=vstop");
    EXPECT_EQ(relayHiddenFields(form({"stop", "after"}), relay), "stop=vstop");
    // The stop field must come within the cap, and come at all.
    EXPECT_EQ(relayHiddenFields(form({"a", "b", "c", "stop"}), relay), std::nullopt);
    EXPECT_EQ(relayHiddenFields(form({"a", "b"}), relay), std::nullopt);
    EXPECT_EQ(relayHiddenFields(form({"a", "stopper", "c"}), relay), std::nullopt);
    EXPECT_EQ(relayHiddenFields("<p>no form</p>", relay), std::nullopt);

    // The same stop with pairs each followed by "&".
    HiddenFieldRelay trailing = relay;
    trailing.joined = false;
    EXPECT_EQ(relayHiddenFields(form({"a", "stop", "after"}), trailing), "a=va&stop=vstop&");
}

TEST(AdapterKitTest, KeptTextsPassTheTableBuilderAndComeBack) {
    const std::vector<KeptText> kept = {{"<BR>", "*%BR%*", "<BR>"}, {"<a ", "*%a %*", "<foo "}};
    const std::string table = "<td>one<BR>two</td><td><a href=x>link</td>";
    const std::string hidden = replaceKept(table, kept);
    EXPECT_EQ(hidden, "<td>one*%BR%*two</td><td>*%a %*href=x>link</td>");
    EXPECT_EQ(restoreKept("<td>one*%BR%*two</td><td>*%a %*href=x>link</td>", kept),
              "<td>one<BR>two</td><td><foo href=x>link</td>");
    EXPECT_EQ(restoreKept("plain", kept), "plain");
}

TEST(AdapterKitTest, MonthNamesAndNumbers) {
    const char* const names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(convertMonthToNum(names[i]), i);
        EXPECT_EQ(convertMonthToStr(i), names[i]);
    }
    for (const char* other : {"jan", "JAN", "January", "", " May", "Mai"}) EXPECT_EQ(convertMonthToNum(other), -1) << other;
    EXPECT_EQ(convertMonthToStr(-1), "");
    EXPECT_EQ(convertMonthToStr(12), "");
}

TEST(AdapterKitTest, DatesMonthsBefore) {
    auto back = [](const char* month, const char* day, const char* year, int months) {
        return buildPreviousDateStr(month, day, year, months, "m", "d", "y");
    };
    EXPECT_EQ(back("May", "31", "2006", 3), "m=Feb&d=28&y=2006");
    EXPECT_EQ(back("May", "31", "2008", 3), "m=Feb&d=29&y=2008");
    EXPECT_EQ(back("May", "31", "2000", 3), "m=Feb&d=29&y=2000");
    EXPECT_EQ(back("May", "31", "1900", 3), "m=Feb&d=28&y=1900");
    EXPECT_EQ(back("Feb", "15", "2007", 3), "m=Nov&d=15&y=2006");
    EXPECT_EQ(back("Jan", "08", "2007", 3), "m=Oct&d=8&y=2006");
    EXPECT_EQ(back("Mar", "31", "2007", 1), "m=Feb&d=28&y=2007");
    EXPECT_EQ(back("Jul", "31", "2007", 1), "m=Jun&d=30&y=2007");
    EXPECT_EQ(back("Aug", "1", "2007", 0), "m=Aug&d=1&y=2007");
    EXPECT_EQ(back("Mar", "15", "2007", 27), "m=Dec&d=15&y=2004");
    // A day past its month's end runs on into the next month, day 0 is the
    // last day of the month before.
    EXPECT_EQ(back("Apr", "31", "2007", 3), "m=Feb&d=1&y=2007");
    EXPECT_EQ(back("Mar", "0", "2007", 0), "m=Feb&d=28&y=2007");
    EXPECT_EQ(back("May", "+5", "2007", 0), "m=May&d=5&y=2007");
    EXPECT_EQ(buildPreviousDateStr("May", "31", "2006", 3, "mon_ff.0", "date_ff.0", "year_ff.0"),
              "mon_ff.0=Feb&date_ff.0=28&year_ff.0=2006");

    for (const char* day : {"", "3l", "1.5", " 5", "5 ", "-", "1234567890"}) {
        EXPECT_THROW(back("May", day, "2006", 3), NumberFormatError) << "day \"" << day << "\"";
    }
    EXPECT_THROW(back("May", "1", "20O6", 3), NumberFormatError);
    EXPECT_THROW(back("May", "1", "", 3), NumberFormatError);
    EXPECT_THROW(back("may", "1", "2006", 3), NumberFormatError);
}

TEST(AdapterKitTest, TheClockCanBeFixedAndGivenBack) {
    std::tm local{};
    local.tm_year = 2008 - 1900;
    local.tm_mon = 1;
    local.tm_mday = 29;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    const auto fixed = std::chrono::system_clock::from_time_t(std::mktime(&local));
    AdapterClock::set([fixed] { return fixed; });
    EXPECT_EQ(AdapterClock::currentYear(), 2008);
    EXPECT_EQ(AdapterClock::now(), fixed);
    AdapterClock::set(nullptr);
    auto yearNow = [] {
        const std::time_t now = std::time(nullptr);
        std::tm today{};
        localtime_r(&now, &today);
        return today.tm_year + 1900;
    };
    const int before = yearNow();
    const int year = AdapterClock::currentYear();
    EXPECT_TRUE(year == before || year == yearNow()) << year;
}

// The kit's steps that an adapter calls on itself, on an adapter of no
// program.
class Probe final : public Adapter<Probe> {
public:
    static constexpr const char* KEY = "Probe";
    void update() override {}
    using Adapter::escapedUrl;
    using Adapter::logOut;
    using Adapter::rebuildTableKeeping;
};

TEST(AdapterKitTest, ALogOutNeverChangesTheOutcomeButAStopStillStops) {
    rltest::LogCapture log;
    Probe probe;
    bool ran = false;
    EXPECT_NO_THROW(probe.logOut([&ran] {
        ran = true;
        throw std::runtime_error("connection reset");
    }));
    EXPECT_TRUE(ran);
    EXPECT_EQ(log.count("Log-out failed for Probe: "), 1u);
    // The failure's description once, in its entry.
    EXPECT_EQ(log.count("connection reset"), 1u) << log.text();
    EXPECT_TRUE(log.contains("Log-out failed for Probe: runtime_error: connection reset"));
    EXPECT_NO_THROW(probe.logOut([] {}));
    EXPECT_EQ(log.count("Log-out failed"), 1u);
    // A stop request is no failure of the log-out: it ends the thread.
    EXPECT_THROW(probe.logOut([] { throw foundation::ThreadStopped(); }), foundation::ThreadStopped);
}

TEST(AdapterKitTest, KeptLineBreaksAndTheLeftoverCellsOfTheOthers) {
    tracker::ui::BaseRLApp::setAppType(tracker::ui::BaseRLApp::APP_TYPE_LANTERNBAY);
    std::vector<std::string> reports;
    AdapterReports::setObserver(
        [&reports](const std::string&, const std::string&, const std::string& text) { reports.push_back(text); });
    const std::vector<KeptText> kept = {{"\r\n<br />\r\n", "*%br%*", "<br>"}};
    // The break on lines of its own stays in its cell; the other one splits
    // its cell and leaves one cell over.
    const std::string table = "<td>Hotel\r\n<br />\r\nStay</td><td>1</td><td>a<br />b</td><td>2</td>";
    const std::string rows = "<tr><th>A</th><th>B</th></tr><tr class=d><td>Hotel<br>Stay</td><td class=r>1</td></tr>"
                             "<tr class=l><td>a</td><td class=r>b</td></tr>";
    {
        Probe probe;
        EXPECT_EQ(probe.rebuildTableKeeping(table, {"A", "B"}, {"l", "r"}, 0, false, kept, 0, 1), rows);
        EXPECT_TRUE(reports.empty());
    }
    {
        Probe probe;
        EXPECT_EQ(probe.rebuildTableKeeping(table, {"A", "B"}, {"l", "r"}, 0, false, kept), rows);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find("Unable to parse transaction cells: 5 cells"), std::string::npos) << reports[0];
    }
    AdapterReports::setObserver(nullptr);
}

TEST(AdapterKitTest, AnAddressEscapedForAFormField) {
    rltest::TempWorkDir dir;
    rltest::writeFile(dir.file("hosts.properties"), "Probe.site=https://www.probe.example:8443\n");
    foundation::HostTable::reload();
    EXPECT_EQ(Probe::escapedUrl("site", "/en/account/1,,,00.html?a=b+c~d|e@f"),
              "https%3A%2F%2Fwww.probe.example%3A8443%2Fen%2Faccount%2F1%2C%2C%2C00.html?a%3Db%2Bc%7Ed%7Ce%40f");
    EXPECT_EQ(Probe::escapedUrl("site", "/", HexCase::Lower), "https%3a%2f%2fwww.probe.example%3a8443%2f");
    EXPECT_EQ(escapeLifted("a/b|c:d=e+f~g,h@i%2F?&", HexCase::Lower), "a%2fb%7cc%3ad%3de%2bf%7eg%2ch%40i%2F?&");
    rltest::writeFile(dir.file("hosts.properties"), "");
    foundation::HostTable::reload();
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
    ASSERT_EQ(adapterKeys().size(), 111u);
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
    for (const char* key :
         {"American", "Continental", "Delta", "Hilton", "Northwest", "United", "USAir", "Southwest", "Swiss"}) {
        EXPECT_TRUE(RLPreferences::getConfig(key)->areDetailsTracked()) << key;
        EXPECT_TRUE(RLPreferences::getConfig(key)->areTransactionsTracked()) << key;
    }
    EXPECT_TRUE(RLPreferences::getConfig("AmericaWest")->areDetailsTracked());
    EXPECT_FALSE(RLPreferences::getConfig("AmericaWest")->areTransactionsTracked());
    for (const char* key : {"Aeroflot", "Aeromexico", "AirCanada", "AirNewZealand", "AirTran", "Alaska", "Alitalia",
                            "Aloha", "ANA", "Asiana", "ATA", "BritishAirways", "BritishMidland", "CathayPacific",
                            "Czech", "ELAL", "Emirates", "Eva", "Finnair", "KLM", "Frontier", "GlobalPass", "GrupoTaca",
                            "Hawaiian", "Iberia", "Japan", "JetBlue", "Lufthansa", "Mexicana", "MidwestExpress",
                            "Qantas", "Singapore", "SAS", "SNBrussels", "Thai", "Turkish", "Varig", "VirginAtlantic"}) {
        const tracker::SourceConfig* config = RLPreferences::getConfig(key);
        EXPECT_TRUE(config->isSourcingAllowed()) << key;
        EXPECT_FALSE(config->areDetailsTracked()) << key;
        EXPECT_FALSE(config->areTransactionsTracked()) << key;
    }
}

// Every host role the adapters use is in the host table.
TEST(AdapterRegistrationTest, EveryRoleOfTheAdaptersIsInTheHostTable) {
    for (const char* role :
         {"Aeroflot.secure", "Aeromexico.reservations", "AirCanada.secure", "AirNewZealand.site",
          "AirNewZealand.registration", "AirTran.tickets", "Alaska.site", "Alitalia.secure", "Aloha.travel",
          "American.site", "American.domainName", "AmericaWest.site", "ANA.site", "Asiana.site", "ATA.site",
          "BritishAirways.site", "BritishMidland.site", "BritishMidland.domainName", "CathayPacific.site",
          "Continental.site", "Continental.domainName", "Czech.secure", "Delta.site", "Hilton.site", "United.login",
          "United.activity", "Northwest.secure", "USAir.secure", "ELAL.site", "Emirates.site", "Eva.site",
          "Finnair.site", "KLM.site", "Frontier.site", "GlobalPass.site", "GrupoTaca.site", "Hawaiian.site",
          "Iberia.site", "Japan.site", "Japan.americas", "JetBlue.site", "Lufthansa.site", "Mexicana.site",
          "MidwestExpress.site", "MidwestExpress.secure", "Qantas.secure", "Singapore.site", "Singapore.secure",
          "Southwest.secure", "SAS.site", "SAS.secure", "Swiss.site", "Swiss.secure", "SNBrussels.site",
          "SNBrussels.secure", "Thai.site", "Turkish.secure", "Varig.secure", "VirginAtlantic.site"}) {
        EXPECT_TRUE(foundation::HostTable::has(role)) << role;
    }
    EXPECT_EQ(foundation::HostTable::get("American.domainName"), "AA.com");
    // The activity host's cookies are set for its domain.
    EXPECT_EQ(foundation::HostTable::domain("United.activity"), "ua2go.com");
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

// Records as one program of the table, so that its recordings land in that
// program's account row.
class LiftProbe final : public Adapter<LiftProbe> {
public:
    static constexpr const char* KEY = "Aeroflot";
    void update() override {}
    using Adapter::requireLifted;
    using Adapter::resolveOnPage;
    using Adapter::registerBalanceUnderLabel;
};

TEST_F(MarkerTest, LiftedValuesMissingTogetherOrAloneMakeOneReportAndTheUnknownStatus) {
    std::vector<std::string> reports;
    AdapterReports::setObserver([&reports](const std::string& key, const std::string&, const std::string& text) {
        reports.push_back(key + ": " + text);
    });
    const std::string before = balance();
    {
        LiftProbe probe;
        probe.setUser(0);
        EXPECT_TRUE(probe.requireLifted({"S1", "E1"}, "No S or E found for Probe"));
        EXPECT_TRUE(probe.requireLifted({}, "never"));
        EXPECT_EQ(balance(), before);
        EXPECT_TRUE(reports.empty());
        EXPECT_FALSE(probe.requireLifted({"S1", ""}, "No S or E found for Probe"));
        EXPECT_EQ(balance(), RLPreferences::DISPLAY_UNKNOWN);
        EXPECT_EQ(RLPreferences::getDetails(0, "Aeroflot"), "");
        EXPECT_EQ(RLPreferences::getTransactions(0, "Aeroflot"), "");
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find("Aeroflot: "), std::string::npos);
        EXPECT_NE(reports[0].find("Info=No S or E found for Probe"), std::string::npos);
    }
    {
        LiftProbe probe;
        probe.setUser(0);
        EXPECT_FALSE(probe.requireLifted({"", "E1"}, "No S or E found for Probe"));
        EXPECT_EQ(reports.size(), 2u);
    }
    AdapterReports::setObserver(nullptr);
}

TEST_F(MarkerTest, ABalanceLabelWithoutItsFigureIsAProviderProblemAMissingLabelUnknown) {
    LiftProbe probe;
    probe.setUser(0);
    // Searched from one past the label, so a label that begins with the
    // start text does not read its own text.
    probe.registerBalanceUnderLabel("<td>9</td><td>Current</td><td>1,234</td>", "<td>Current", "<td>", "<");
    EXPECT_EQ(balance(), "1234");
    probe.registerBalanceUnderLabel("<i>9</i> Total <i></i>", "Total", "<i>", "<");
    EXPECT_EQ(balance(), RLPreferences::DISPLAY_PROVIDER_PROBLEM);
    probe.registerBalanceUnderLabel("<i>9</i> Sum <i>5</i>", "Total", "<i>", "<");
    EXPECT_EQ(balance(), RLPreferences::DISPLAY_UNKNOWN);
}

TEST_F(MarkerTest, AnAddressLiftedFromAPageIsResolvedAgainstWhereThatPageCameFrom) {
    rltest::ImitationWeb web;
    web.site("www.probe.example")
        .on("GET", "/start", rltest::Answer::redirect("/apps/login/form.jsp?step=1"))
        .on("GET", "/apps/login/form.jsp", rltest::Answer::page("<form action=\"submit.jsp\">"));
    LiftProbe probe;
    probe.setUser(0);
    probe.init();
    probe.doGet("https://www.probe.example/start");
    EXPECT_EQ(probe.resolveOnPage("submit.jsp"), "https://www.probe.example/apps/login/submit.jsp");
    EXPECT_EQ(probe.resolveOnPage("/other/in.jsp"), "https://www.probe.example/other/in.jsp");
    EXPECT_EQ(probe.resolveOnPage("https://secure.probe.example/in"), "https://secure.probe.example/in");
    EXPECT_EQ(probe.resolveOnPage(" "), std::nullopt);
}

}  // namespace
