// Recording of an account's outcome: balances and their cleaning, status
// tests, fixed rows, details rows, activity tables and stored-text safety.

#include <gtest/gtest.h>

#include <limits>
#include <regex>
#include <set>

#include "foundation/Messages.h"
#include "tests/support/TestLocales.h"
#include "tests/tracker/core/SourceTestSupport.h"
#include "tracker/ui/BaseRLApp.h"

using namespace tracker;
using rltest::ScriptedSource;

namespace {

const char* const KEY = "American";

class OutcomeRecordingTest : public rltest::SourceFixture {
protected:
    void SetUp() override {
        SourceFixture::SetUp();
        account(KEY, "joe");
        engine = std::make_shared<rltest::TestEngine>(60000);
    }

    // A bound source that is not running as a thread.
    std::shared_ptr<ScriptedSource> source(bool detailsTracked = true, bool transactionsTracked = true) {
        auto s = std::make_shared<ScriptedSource>(rltest::makeConfig(KEY, detailsTracked, transactionsTracked));
        s->setEngine(engine);
        s->setUser(0);
        return s;
    }

    std::shared_ptr<rltest::TestEngine> engine;
};

struct BalanceCase {
    std::string scraped;
    std::string stored;  // "" stands for the Unknown text
    bool result;
    std::string report;  // expected report info, "" for none
};

TEST_F(OutcomeRecordingTest, ScrapedBalancesAreCleanedOrBecomeUnknown) {
    const std::vector<BalanceCase> cases = {
        {"12,345 miles", "12345", true, ""},
        {"  42 ", "42", true, ""},
        {"0", "0", true, ""},
        {"00", "0", true, ""},
        {"007", "7", true, ""},
        {"0.5", ".5", true, ""},
        {"-12", "-12", true, ""},
        {"1,234,567 miles", "", false,
         "Unknown balance (a - no or too many trimmed characters) - 1,234,567 miles"},
        {"", "", false, "Unknown balance (a - no or too many trimmed characters) - "},
        {"   ", "", false, "Unknown balance (a - no or too many trimmed characters) - "},
        {"1234567890", "", false, "Unknown balance (b - no or too many trimmed characters) - 1234567890"},
        {"miles", "", false, "Unknown balance (b - no or too many trimmed characters) - "},
        {"-", "", false, "Unknown balance (c - still non-numeric after stripping characters) - -"},
        {"1.2.3", "", false, "Unknown balance (c - still non-numeric after stripping characters) - 1.2.3"},
        {"12-3", "", false, "Unknown balance (c - still non-numeric after stripping characters) - 12-3"},
    };
    for (const BalanceCase& c : cases) {
        SCOPED_TRACE("scraped '" + c.scraped + "'");
        auto s = source();
        EXPECT_EQ(s->registerBalance(c.scraped), c.result);
        EXPECT_EQ(balance(KEY), c.stored.empty() ? RLPreferences::DISPLAY_UNKNOWN : c.stored);
        auto reports = s->sink->all();
        if (c.report.empty()) {
            EXPECT_TRUE(reports.empty());
        } else {
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_NE(reports[0].text.find("\r\nInfo=" + c.report + "\r\nStack="), std::string::npos)
                << reports[0].text;
            EXPECT_EQ(reports[0].key, KEY);
        }
    }
    const std::string log = logText();
    EXPECT_NE(log.find("registerBalance: '1,234,567 miles' - no or too many trimmed characters"), std::string::npos);
    EXPECT_NE(log.find("registerBalance: '1234567890' - no or too many numeric characters"), std::string::npos);
    EXPECT_NE(log.find("registerBalance: '1.2.3' - still non-numeric after stripping characters"),
              std::string::npos);
}

TEST_F(OutcomeRecordingTest, SubtractFromStoresTheFloatText) {
    // A German desktop's decimal comma changes nothing.
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        rltest::LocaleScope scope(locale);
        ASSERT_TRUE(scope.ok()) << scope.problem();
        SCOPED_TRACE(locale);
        auto s = source();
        EXPECT_TRUE(s->registerBalance("4", true, false, 16));
        EXPECT_EQ(balance(KEY), "12.0");
        EXPECT_TRUE(s->registerBalance("2.5", true, false, 16));
        EXPECT_EQ(balance(KEY), "13.5");
        EXPECT_TRUE(s->registerBalance("$1,234.56", true, false, 16));
        EXPECT_EQ(balance(KEY), "-1218.56");
        // 0 and below: no subtraction.
        EXPECT_TRUE(s->registerBalance("4", true, false, 0));
        EXPECT_EQ(balance(KEY), "4");
    }
}

TEST(FloatText, MatchesThePlatformsFloatText) {
    const std::vector<std::pair<float, std::string>> cases = {
        {12.0f, "12.0"},   {0.5f, "0.5"},         {12.5f, "12.5"},          {-3.0f, "-3.0"},
        {0.0f, "0.0"},     {1234567.0f, "1234567.0"}, {1e7f, "1.0E7"},      {1e10f, "1.0E10"},
        {0.001f, "0.001"}, {1e-4f, "1.0E-4"},     {100.25f, "100.25"},      {0.1f, "0.1"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(RLSource::floatToText(value), text);
}

TEST_F(OutcomeRecordingTest, UnknownStatusReportsOnceUnlessAskedNotTo) {
    auto s = source();
    EXPECT_TRUE(s->registerBalance(RLPreferences::DISPLAY_UNKNOWN, false));
    EXPECT_TRUE(s->registerBalance(RLPreferences::DISPLAY_UNKNOWN, false));
    auto reports = s->sink->all();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].text.find("Info=Unknown balance (d - unknown)"), std::string::npos);

    auto quiet = source();
    EXPECT_TRUE(quiet->registerBalance(RLPreferences::DISPLAY_UNKNOWN, false, true, -1));
    EXPECT_EQ(quiet->sink->count(), 0u);
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_UNKNOWN);

    // Any other status text is stored as given, without a report.
    auto other = source();
    EXPECT_TRUE(other->registerBalance(RLPreferences::DISPLAY_MAINTENANCE, false));
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_MAINTENANCE);
    EXPECT_EQ(other->sink->count(), 0u);
}

TEST_F(OutcomeRecordingTest, EveryBalanceOfAnUntrackedProgramStoresTheNotTrackedRows) {
    const std::string detailsRow =
        "<tr class=d><td colspan=2>&nbsp;" + foundation::Messages::get("RLSource.DetailsNotTracked") + "</td></tr>";
    const std::string activityRow =
        "<tr class=d><td>&nbsp;" + foundation::Messages::get("RLSource.TransactionsNotTracked") + "</td></tr>";
    auto untracked = source(false, false);
    untracked->registerBalance("100");
    EXPECT_EQ(details(KEY), detailsRow);
    EXPECT_EQ(transactions(KEY), activityRow);
    RLPreferences::setDetails(0, KEY, "stale");
    untracked->registerBalance(RLPreferences::DISPLAY_INVALID_LOGIN, false);
    EXPECT_EQ(details(KEY), detailsRow);

    RLPreferences::setDetails(0, KEY, "kept");
    RLPreferences::setTransactions(0, KEY, "kept too");
    auto tracked = source(true, true);
    tracked->registerBalance("100");
    EXPECT_EQ(details(KEY), "kept");
    EXPECT_EQ(transactions(KEY), "kept too");

    auto half = source(true, false);
    half->registerBalance("5");
    EXPECT_EQ(details(KEY), "kept");
    EXPECT_EQ(transactions(KEY), activityRow);
}

TEST_F(OutcomeRecordingTest, StatusTestsRecordOnlyWhenTheMarkerIsThere) {
    struct Case {
        std::function<bool(RLSource&, std::string_view, std::string_view)> test;
        std::string status;
    };
    const std::vector<Case> cases = {
        {[](RLSource& s, std::string_view p, std::string_view m) { return s.isProviderProblem(p, m); },
         RLPreferences::DISPLAY_PROVIDER_PROBLEM},
        {[](RLSource& s, std::string_view p, std::string_view m) { return s.isMaintenance(p, m); },
         RLPreferences::DISPLAY_MAINTENANCE},
        {[](RLSource& s, std::string_view p, std::string_view m) { return s.isInteractionRequired(p, m); },
         RLPreferences::DISPLAY_INTERACTION_REQUIRED},
        {[](RLSource& s, std::string_view p, std::string_view m) { return s.isBlockedLogin(p, m); },
         RLPreferences::DISPLAY_BLOCKED_LOGIN},
        {[](RLSource& s, std::string_view p, std::string_view m) { return s.isInvalidLogin(p, m); },
         RLPreferences::DISPLAY_INVALID_LOGIN},
        {[](RLSource& s, std::string_view p, std::string_view m) { return s.isBadLogin(p, m, "Custom status"); },
         "Custom status"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        auto s = source();
        RLPreferences::setCurrentBalance(0, KEY, std::string("untouched"));
        EXPECT_FALSE(c.test(*s, "<html>all fine</html>", "Server Error"));
        EXPECT_FALSE(c.test(*s, "<html>server error</html>", "Server Error"));  // case matters
        EXPECT_EQ(balance(KEY), "untouched");
        EXPECT_TRUE(c.test(*s, "<html><TITLE>Server Error</TITLE></html>", "Server Error"));
        EXPECT_EQ(balance(KEY), c.status);
    }
}

TEST_F(OutcomeRecordingTest, InvalidLoginAfterABrokenLengthRuleRecordsTheLoginLengthText) {
    account(KEY, "0123456789");  // ten characters
    auto s = source();
    s->validateLoginLengths(11, 0, 0, 0, 0, 0);
    EXPECT_TRUE(s->isUsernameLengthMayBeInvalid());
    EXPECT_TRUE(s->isInvalidLogin("Wrong password", "Wrong password"));
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_LOGIN_LENGTH);

    auto fine = source();
    fine->validateLoginLengths(10, 0, 0, 0, 4, 20);
    EXPECT_TRUE(fine->isInvalidLogin("Wrong password", "Wrong password"));
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_INVALID_LOGIN);

    auto byHand = source();
    byHand->registerLoginLength();
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_LOGIN_LENGTH);
    byHand->registerProviderProblem();
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_PROVIDER_PROBLEM);
}

TEST_F(OutcomeRecordingTest, BlobCheckTrimsAndChecksLengths) {
    auto s = source();
    EXPECT_EQ(s->blobCheck("  ", 1, 10), "&nbsp;");
    EXPECT_EQ(s->blobCheck("", 0, 10), "&nbsp;");
    EXPECT_EQ(s->blobCheck("abc", 4, 20), "&nbsp;" + RLPreferences::DISPLAY_UNKNOWN);
    EXPECT_EQ(s->blobCheck("abcdefghijk", 1, 10), "&nbsp;" + RLPreferences::DISPLAY_UNKNOWN);
    EXPECT_EQ(s->blobCheck("\t abcd \r\n", 4, 4), "abcd");
}

TEST_F(OutcomeRecordingTest, RebuildTableBuildsRowsOfTheHeadingCount) {
    auto s = source();
    const std::vector<std::string> headings = {"Date", "Desc", "Miles", "Bonus", "Total"};
    const std::vector<std::string> alignments = {"l", "l", "r", "r", "c"};
    std::string html = "<tr><td>skip</td></tr>";
    for (int i = 1; i <= 10; ++i) html += "<td>c" + std::to_string(i) + "</td>";
    // 11 cells, the first skipped: two rows.
    EXPECT_EQ(s->rebuildTable(html, headings, alignments, 1, false),
              "<tr><th>Date</th><th>Desc</th><th>Miles</th><th>Bonus</th><th>Total</th></tr>"
              "<tr class=d><td>c1</td><td>c2</td><td class=r>c3</td><td class=r>c4</td><td class=c>c5</td></tr>"
              "<tr class=l><td>c6</td><td>c7</td><td class=r>c8</td><td class=r>c9</td><td class=c>c10</td></tr>");
    EXPECT_EQ(s->sink->count(), 0u);

    // 10 cells, the first skipped: one row and a report.
    std::string ten = "<td>skip</td>";
    for (int i = 1; i <= 9; ++i) ten += "<td>c" + std::to_string(i) + "</td>";
    const std::string built = s->rebuildTable(ten, headings, alignments, 1, false);
    EXPECT_EQ(built,
              "<tr><th>Date</th><th>Desc</th><th>Miles</th><th>Bonus</th><th>Total</th></tr>"
              "<tr class=d><td>c1</td><td>c2</td><td class=r>c3</td><td class=r>c4</td><td class=c>c5</td></tr>");
    auto reports = s->sink->all();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].text.find("Info=Unable to parse transaction cells: 10 cells (skipping 1) for 5 columns"),
              std::string::npos);
}

TEST_F(OutcomeRecordingTest, RebuildTableWithShortOrEmptyInput) {
    const std::vector<std::string> headings = {"A", "B", "C", "D", "E"};
    const std::vector<std::string> alignments = {"l", "l", "l", "l", "l"};
    {
        auto s = source();
        EXPECT_EQ(s->rebuildTable("", headings, alignments, 0, true), "");
        EXPECT_EQ(s->rebuildTable("<table><tr><td> </td></tr></table>", headings, alignments, 0, true), "");
        EXPECT_EQ(s->rebuildTable("<td>a</td><td>b</td>", headings, alignments, 2, true), "");
        EXPECT_EQ(s->sink->count(), 0u);
    }
    {
        auto s = source();
        EXPECT_EQ(s->rebuildTable("<td>1</td><td>2</td><td>3</td>", headings, alignments, 0, true),
                  "<tr><th>A</th><th>B</th><th>C</th><th>D</th><th>E</th></tr>");
        auto reports = s->sink->all();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].text.find("Unable to parse transaction cells: 3 cells (skipping 0) for 5 columns"),
                  std::string::npos);
    }
    {
        // Bad inputs give what was built before them, never a failure.
        auto s = source();
        EXPECT_EQ(s->rebuildTable("<td>1</td><td>2</td>", {}, {}, 0, true), "");
        EXPECT_EQ(s->rebuildTable("<td>1</td><td>2</td>", {"A", "B"}, {"l", "r"}, -1, true), "");
        EXPECT_EQ(s->rebuildTable("<td>1</td><td>2</td>", {"A", "B"}, {"l"}, 0, true), "<tr><th>A</th><th>B</th></tr>");
    }
}

TEST_F(OutcomeRecordingTest, RebuildTableLongFormToleratesExpectedLeftoverCells) {
    const std::vector<std::string> headings = {"Description", "Date", "Points"};
    const std::vector<std::string> alignments = {"l", "r", "r"};
    const std::string html = "<td>Stay</td><td>01/02</td><td>500</td><td>split</td>";
    const std::string expected =
        "<tr><th>Description</th><th>Date</th><th>Points</th></tr>"
        "<tr class=d><td>Stay</td><td class=r>01/02</td><td class=r>500</td></tr>";

    auto tolerant = source();
    EXPECT_EQ(tolerant->rebuildTable(html, headings, alignments, 0, false, 0, 2), expected);
    EXPECT_EQ(tolerant->sink->count(), 0u);

    auto strict = source();
    EXPECT_EQ(strict->rebuildTable(html, headings, alignments, 0, false, 0, 0), expected);
    EXPECT_EQ(strict->sink->count(), 1u);

    auto outside = source();
    outside->rebuildTable(html + "<td>more</td>", headings, alignments, 0, false, 0, 1);  // two left over
    EXPECT_EQ(outside->sink->count(), 1u);
}

TEST_F(OutcomeRecordingTest, RebuildTableStripsLineBreaksOnlyWhenAsked) {
    auto s = source();
    const std::string html = "<td>two\r\nlines</td><td>1</td>";
    EXPECT_EQ(s->rebuildTable(html, {"A", "B"}, {"l", "r"}, 0, true),
              "<tr><th>A</th><th>B</th></tr><tr class=d><td>twolines</td><td class=r>1</td></tr>");
    EXPECT_EQ(s->rebuildTable(html, {"A", "B"}, {"l", "r"}, 0, false),
              "<tr><th>A</th><th>B</th></tr><tr class=d><td>two\r\nlines</td><td class=r>1</td></tr>");
}

TEST_F(OutcomeRecordingTest, DetailsRowsAlternateThroughTheSourcesCounter) {
    auto s = source();
    const std::string page = "<b>Since:</b><span>2001</span><b>Level:</b><span>Gold</span>";
    std::string rows;
    s->addDetailsRow(rows, "Member", "123");
    int at = s->addDetailsRowB2(rows, "Since", "Since:", 1, 10, -1, page, "<span>", "<");
    s->addDetailsRowA(rows, "Level", "Level:", "", "<span>", "<", 1, 10, at, page);
    EXPECT_EQ(rows,
              "<tr class=d><td>&nbsp;Member</td><td class=r>&nbsp;123</td></tr>"
              "<tr class=l><td>&nbsp;Since</td><td class=r>&nbsp;2001</td></tr>"
              "<tr class=d><td>&nbsp;Level</td><td class=r>&nbsp;Gold</td></tr>");
    EXPECT_EQ(s->m_rowCount, 3);
    EXPECT_EQ(RLSource::rowClassForIndex(1), "d");
    EXPECT_EQ(RLSource::rowClassForIndex(2), "l");
}

TEST_F(OutcomeRecordingTest, DetailsRowSearchChainsAndNeverReadsAnotherLabelsValue) {
    auto s = source();
    const std::string page = "<i>A</i><v>first</v> <i>Total</i><v>2\r\n000</v> <i>A</i><v>second</v>";
    std::string rows;
    const int first = s->addDetailsRowB1(rows, "A", "<i>A", "", 1, 20, -1, page, "<v>", "<", false);
    EXPECT_EQ(first, 0);
    // Searching on from the first label finds the second one.
    const int second = s->addDetailsRowB1(rows, "A again", "<i>A", "", 1, 20, first, page, "<v>", "<", false);
    EXPECT_EQ(second, static_cast<int>(page.find("<i>A", 1)));
    // A second marker narrows the search; line breaks can be stripped.
    s->addDetailsRowB1(rows, "Total", "<i>", "Total", 1, 20, -1, page, "<v>", "<", true);
    // A missing label shows an empty value and sends the next search to the top.
    const int missing = s->addDetailsRowB2(rows, "Missing", "<i>Nope", 1, 20, -1, page, "<v>", "<");
    EXPECT_EQ(missing, -1);
    // A value that is missing its end marker is empty too.
    s->addDetailsRowB2(rows, "Open", "<i>A", 1, 20, -1, page, "<v>", "</none>");
    EXPECT_EQ(rows,
              "<tr class=d><td>&nbsp;A</td><td class=r>&nbsp;first</td></tr>"
              "<tr class=l><td>&nbsp;A again</td><td class=r>&nbsp;second</td></tr>"
              "<tr class=d><td>&nbsp;Total</td><td class=r>&nbsp;2000</td></tr>"
              "<tr class=l><td>&nbsp;Missing</td><td class=r>&nbsp;&nbsp;</td></tr>"
              "<tr class=d><td>&nbsp;Open</td><td class=r>&nbsp;&nbsp;</td></tr>");
}

TEST_F(OutcomeRecordingTest, DetailsRowSearchFromThePageEndFindsNothing) {
    auto s = source();
    const std::string page = "<i>A</i><v>first</v>";
    std::string rows;
    // The position after the largest index is past any page, never its top.
    for (const int from : {std::numeric_limits<int>::max(), std::numeric_limits<int>::max() - 1,
                           static_cast<int>(page.size())}) {
        rows.clear();
        EXPECT_EQ(s->addDetailsRowB1(rows, "A", "<i>A", "", 1, 20, from, page, "<v>", "<", false), -1) << from;
        EXPECT_EQ(rows.find("first"), std::string::npos) << from;
    }
}

TEST_F(OutcomeRecordingTest, ImageButtonPositionsStayWithinTheirBounds) {
    auto s = source();
    const std::regex bare("^&x=([0-9]+)&y=([0-9]+)$");
    const std::regex named("^&Sign_In\\.x=([0-9]+)&Sign_In\\.y=([0-9]+)$");
    std::set<int> xs;
    std::set<int> ys;
    for (int i = 0; i < 400; ++i) {
        std::string body;
        s->appendInputImage(body, "", 7, 4);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(body, m, bare)) << body;
        xs.insert(std::stoi(m[1]));
        ys.insert(std::stoi(m[2]));
    }
    EXPECT_EQ(xs, (std::set<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(ys, (std::set<int>{1, 2, 3, 4}));
    std::string body = "a=b";
    s->appendInputImage(body, "Sign_In", 74, 16);
    std::smatch m;
    const std::string tail = body.substr(3);
    ASSERT_TRUE(std::regex_match(tail, m, named)) << body;
    EXPECT_LE(std::stoi(m[1]), 74);
    EXPECT_LE(std::stoi(m[2]), 16);
}

TEST_F(OutcomeRecordingTest, StoredDetailsAndActivityAreSafeInsideAScriptString) {
    auto s = source();
    s->registerDetails("<td class=\"r\">O'Neil &#39;x&#34; a\\b</td>\r\n</tr>");
    EXPECT_EQ(details(KEY), "<td class=\\'r\\'>O\\'Neil \\'x\\' a\\\\b<\\/td>\\r\\n<\\/tr>");
    s->registerTransactions("<tr class=d><td>Caf\xE9</td></tr>");
    EXPECT_EQ(transactions(KEY), "<tr class=d><td>Caf\xC3\xA9<\\/td><\\/tr>");
    s->registerBlankDetails();
    EXPECT_EQ(details(KEY), "");
}

TEST_F(OutcomeRecordingTest, AllZeroAndAllUnknownReplaceTheNotTrackedRows) {
    auto s = source(false, false);
    s->registerAllZero();
    EXPECT_EQ(balance(KEY), "0");
    EXPECT_EQ(details(KEY), "");
    EXPECT_EQ(transactions(KEY), "");
    EXPECT_EQ(s->sink->count(), 0u);

    auto u = source(false, false);
    u->registerAllUnknown();
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_UNKNOWN);
    EXPECT_EQ(details(KEY), "");
    EXPECT_EQ(u->sink->count(), 1u);

    // The default update of a source records all zero.
    auto d = source(true, true);
    d->update();
    EXPECT_EQ(balance(KEY), "0");
}

TEST_F(OutcomeRecordingTest, FarhavenEditionKeepsDetailsAndActivityExceptTheFixedRows) {
    ui::BaseRLApp::setAppType(ui::BaseRLApp::APP_TYPE_FARHAVEN);
    RLPreferences::setDetails(0, KEY, "old details");
    RLPreferences::setTransactions(0, KEY, "old activity");
    auto s = source(true, true);
    s->registerDetails("<tr><td>new</td></tr>");
    s->registerTransactions("<tr><td>new</td></tr>");
    s->registerAllZero();
    EXPECT_EQ(details(KEY), "old details");
    EXPECT_EQ(transactions(KEY), "old activity");
    EXPECT_EQ(s->rebuildTable("<td>1</td><td>2</td>", {"A", "B"}, {"l", "l"}, 0, true), "");
    s->registerNoRecentTransactions();
    EXPECT_EQ(transactions(KEY), "<tr class=d><td>&nbsp;No Recent Activity</td></tr>");
    auto untracked = source(false, false);
    untracked->registerAllZero();
    EXPECT_EQ(details(KEY), "<tr class=d><td colspan=2>&nbsp;Details Are Not Tracked For This Program</td></tr>");
}

TEST_F(OutcomeRecordingTest, RecordingsSetTheChangedFlagAndStopAfterAStopRequest) {
    auto s = source();
    EXPECT_FALSE(engine->takeDataUpdated());
    s->registerBalance("10");
    EXPECT_TRUE(engine->takeDataUpdated());
    s->registerNoRecentTransactions();
    EXPECT_TRUE(engine->takeDataUpdated());

    s->requestStop();
    EXPECT_FALSE(s->registerBalance("99"));
    s->registerDetails("late");
    s->registerNoRecentTransactions();
    s->reportError(std::string("late"));
    EXPECT_EQ(balance(KEY), "10");
    EXPECT_NE(details(KEY), "late");
    EXPECT_FALSE(engine->isDataUpdated());
    EXPECT_EQ(s->sink->count(), 0u);
}

TEST(RecordedText, PageBytesBecomeUtf8AndUtf8StaysAsItIs) {
    EXPECT_EQ(RLSource::toRecordedText("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(RLSource::toRecordedText("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(RLSource::toRecordedText("plain"), "plain");
    EXPECT_EQ(RLSource::toRecordedText("\xC3"), "\xC3\x83");  // a cut sequence is a page byte
    EXPECT_EQ(RLSource::toRecordedText("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");  // no surrogates
}

}  // namespace
