// The two shared program flows: the hotel brands' login on their secure
// hosts, and the airline club's member page, each against an imitation site.

#include <gtest/gtest.h>

#include <regex>

#include "foundation/HostTable.h"
#include "tests/support/ImitationWeb.h"
#include "tests/tracker/core/SourceTestSupport.h"
#include "tracker/core/CarlsonSource.h"
#include "tracker/core/LoyaltyGateSource.h"

using namespace tracker;
using rltest::Answer;

namespace {

// The program table's row, or a stand-in with the same flags while the
// table lacks it.
const SourceConfig& tableConfig(const std::string& key, bool tracked) {
    if (const SourceConfig* real = RLPreferences::getConfig(key)) return *real;
    static std::map<std::string, SourceConfig> standIns;
    auto it = standIns.find(key);
    if (it == standIns.end()) it = standIns.emplace(key, rltest::makeConfig(key, tracked, tracked)).first;
    return it->second;
}

class TestBrand : public rltest::Caught<CarlsonSource> {
public:
    explicit TestBrand(std::string brand = "countryinns") : m_brand(std::move(brand)) {}
    std::string getDomainName() const override { return m_brand; }
    const SourceConfig& getSourceConfig() const override { return tableConfig("CountryInns", false); }

private:
    std::string m_brand;
};

class TestClubMember : public rltest::Caught<LoyaltyGateSource> {
public:
    TestClubMember(std::string key, bool detailed) : m_key(std::move(key)), m_detailed(detailed) {}
    void update() override {
        const std::string page = doGet("https://www.club.example/member?id=" + encodeFormValue(m_username) +
                                       "&pin=" + encodeFormValue(m_password));
        if (isInvalidLogin(page, "PIN is not valid")) return;
        process(page, m_detailed);
    }
    const SourceConfig& getSourceConfig() const override { return tableConfig(m_key, m_detailed); }

private:
    std::string m_key;
    bool m_detailed;
};

class SharedFlowsTest : public rltest::SourceFixture {
protected:
    void SetUp() override {
        SourceFixture::SetUp();
        engine = std::make_shared<rltest::TestEngine>(60000);
        displayer = std::make_shared<rltest::CountingDisplayer>();
        engine->setDisplayer(displayer);
    }

    // Binds, initialises and runs a source's body on this thread.
    template <class S>
    void runHere(S& s) {
        s.setEngine(engine);
        s.setUser(0);
        s.init();
        s.run();
    }

    rltest::ImitationWeb web;
    std::shared_ptr<rltest::TestEngine> engine;
    std::shared_ptr<rltest::CountingDisplayer> displayer;
};

// --- hotel brands -------------------------------------------------------------

TEST_F(SharedFlowsTest, BrandHostsComeFromTheHostTable) {
    for (const char* brand : {"countryinns", "parkinn", "parkplaza", "radisson"}) {
        const std::string role = CarlsonSource::hostRole(brand);
        EXPECT_TRUE(foundation::HostTable::has(role)) << role;
        EXPECT_EQ(foundation::HostTable::scheme(role), "https") << role;
    }
}

TEST_F(SharedFlowsTest, BrandBalanceIsRecordedEndToEnd) {
    const std::string host = foundation::HostTable::host(CarlsonSource::hostRole("countryinns"));
    web.site(host).on("POST", "/secure/login.do",
                      Answer::page("<td>Welcome<br>Joe Smith</td><td><u>12,345 Gold Points</u></td>"));
    account("CountryInns", "joe@example.com", PASSWORD);
    auto s = std::make_shared<TestBrand>();
    s->setEngine(engine);
    s->setUser(0);
    engine->add(s);
    engine->start();
    ASSERT_TRUE(engine->join(rltest::scaled(20000)));
    ASSERT_TRUE(s->join(rltest::scaled(5000)));

    EXPECT_EQ(balance("CountryInns"), "12345");
    EXPECT_EQ(details("CountryInns"),
              "<tr class=d><td colspan=2>&nbsp;Details Are Not Tracked For This Program</td></tr>");
    EXPECT_EQ(transactions("CountryInns"), "<tr class=d><td>&nbsp;Activity Is Not Tracked For This Program</td></tr>");
    EXPECT_EQ(engine->getSourcesCompleted(), 1);
    EXPECT_EQ(s->sink->count(), 0u);

    auto posts = web.site(host).requests("POST", "/secure/login.do");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_TRUE(posts[0].tls);
    const std::regex body(
        "^successURL=%2Fguestaccess%2Fsecure%2Fhome\\.jsp&rightSide=create&emailAddr=joe@example\\.com"
        "&password=Pa55%26wd%3D9%23&x=[1-7]&y=[1-4]$");
    EXPECT_TRUE(std::regex_match(posts[0].body, body)) << posts[0].body;
    EXPECT_EQ(posts[0].formValue("password"), std::string(PASSWORD));
    EXPECT_EQ(posts[0].formValue("successURL"), "/guestaccess/secure/home.jsp");
    expectNoSecrets(*s->sink);
}

TEST_F(SharedFlowsTest, BrandPagesAreClassifiedInTheirOrder) {
    struct Case {
        std::string page;
        std::string password;
        std::string status;
    };
    const std::vector<Case> cases = {
        {"<TITLE>Internal Server Error</TITLE> Having trouble signing in?", PASSWORD,
         RLPreferences::DISPLAY_PROVIDER_PROBLEM},
        {"The site is temporarily closed for maintenance. Email address is required or invalid", PASSWORD,
         RLPreferences::DISPLAY_PROVIDER_PROBLEM},
        {"<TITLE>Gateway Timeout - In read </TITLE>", PASSWORD, RLPreferences::DISPLAY_PROVIDER_PROBLEM},
        {"Email address is required or invalid", PASSWORD, RLPreferences::DISPLAY_INVALID_LOGIN},
        {"Having trouble signing in?", "abc", RLPreferences::DISPLAY_LOGIN_LENGTH},
        // No greeting: an underlined number elsewhere is not the balance.
        {"<u>500 Gold Points</u>", PASSWORD, RLPreferences::DISPLAY_UNKNOWN},
        {"Welcome<b>Joe</b> no points shown", PASSWORD, RLPreferences::DISPLAY_UNKNOWN},
    };
    const std::string host = foundation::HostTable::host(CarlsonSource::hostRole("radisson"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        web.site(host).on("POST", "/secure/login.do", Answer::page(c.page));
        account("CountryInns", "joe@example.com", c.password);
        TestBrand s("radisson");
        runHere(s);
        EXPECT_EQ(balance("CountryInns"), c.status);
        EXPECT_EQ(s.sink->count(), c.status == RLPreferences::DISPLAY_UNKNOWN ? 1u : 0u);
    }
}

TEST_F(SharedFlowsTest, BrandWithoutAHostOrAnswerEndsInCannotDetermine) {
    account("CountryInns", "joe@example.com", PASSWORD);
    {
        TestBrand s("nowhere");
        runHere(s);
        EXPECT_EQ(balance("CountryInns"), RLPreferences::DISPLAY_UNKNOWN);
        auto reports = s.sink->all();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].text.find("Info=No host configured for Carlson.nowhere"), std::string::npos);
        EXPECT_TRUE(web.requests().empty());
    }
    {
        // The site has no such page: the client fails, the thread body records.
        RLPreferences::setCurrentBalance(0, "CountryInns", RLPreferences::DISPLAY_PENDING);
        TestBrand s("parkinn");
        runHere(s);
        EXPECT_EQ(balance("CountryInns"), RLPreferences::DISPLAY_UNKNOWN);
        EXPECT_EQ(s.sink->count(), 1u);
    }
    expectNoSecrets(rltest::ReportSink{});
}

// --- airline club -------------------------------------------------------------

const char* const MEMBER_PAGE =
    "<table><tr><td>Membership number</td><td class=\"v\">123456789</td></tr>"
    "<tr><td>Date of enrolment</td><td class=\"v\">01.02.2003</td></tr>"
    "<tr><td>Today's mileage balance</td><td><font class=\"text\">12'345</font></td></tr>"
    "<tr><td>Club Miles accrued since 01.01.06</td><td align=\"right\">4&nbsp;500</td></tr>"
    "<tr><td>Club Miles needed for Gold qualification</td><td align=\"right\">15&nbsp;500</td></tr></table>"
    "<table><tr><td width=\"69\" height=\"16\" class=\"tableRowOddPadding\">01.03.06</td>"
    "<td width=\"9\" class=\"tableRowOdd\">&nbsp;</td><td class=\"tableRowOdd\">Flight ZRH-JFK<br>Bonus</td>"
    "<td width=\"9\" class=\"tableRowOdd\">*</td><td class=\"tableRowOdd\" align=\"right\">1'200</td></tr>"
    "<tr><td class=\"tableRowEvenPadding\">05.03.06</td><td width=\"9\" class=\"tableRowEven\">&nbsp;</td>"
    "<td class=\"tableRowEven\">Hotel</td><td width=\"9\" class=\"tableRowEven\">*</td>"
    "<td class=\"tableRowEven\">300</td></tr>"
    "<tr><td colspan=\"3\">Total miles this period</td></tr></table>";

const char* const MEMBER_DETAILS =
    "<tr class=d><td>&nbsp;Membership Number</td><td>&nbsp;123456789</td></tr>"
    "<tr class=l><td>&nbsp;Date of Enrollment</td><td>&nbsp;01.02.2003</td></tr>"
    "<tr class=d><td>&nbsp;Club Miles accrued since 01.01.06</td><td>&nbsp;4500</td></tr>";

TEST_F(SharedFlowsTest, ClubMemberIsRecordedEndToEndWithDetailsAndActivity) {
    web.site("www.club.example").on("GET", "/member", Answer::page(MEMBER_PAGE));
    account("Swiss", "123456789", PASSWORD);
    auto s = std::make_shared<TestClubMember>("Swiss", true);
    s->setEngine(engine);
    s->setUser(0);
    engine->add(s);
    engine->start();
    ASSERT_TRUE(engine->join(rltest::scaled(20000)));
    ASSERT_TRUE(s->join(rltest::scaled(5000)));

    EXPECT_EQ(balance("Swiss"), "12345");
    EXPECT_EQ(details("Swiss"),
              RLSource::foldQuotes(std::string(MEMBER_DETAILS) +
                                   "<tr class=l><td>&nbsp;Club Miles needed for Gold qualification</td>"
                                   "<td>&nbsp;15500</td></tr>"));
    // The line break inside a cell survives; quotes are folded for the page script.
    EXPECT_EQ(transactions("Swiss"),
              "<tr><th>Date<\\/th><th>Activities<\\/th><th>Miles<br>Credit<\\/th><\\/tr>"
              "<tr class=d><td class=r>01.03.06<\\/td><td>Flight ZRH-JFK<br>Bonus<\\/td>"
              "<td class=r>1\\'200<\\/td><\\/tr>"
              "<tr class=l><td class=r>05.03.06<\\/td><td>Hotel<\\/td><td class=r>300<\\/td><\\/tr>");
    EXPECT_EQ(s->sink->count(), 0u);
    auto gets = web.site("www.club.example").requests("GET", "/member");
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_EQ(gets[0].formValue("pin"), std::string(PASSWORD));
    expectNoSecrets(*s->sink);
}

TEST_F(SharedFlowsTest, ClubMemberWithoutMilesNeededHasThreeRowsWithFixedClasses) {
    std::string page = MEMBER_PAGE;
    const std::string needed =
        "<tr><td>Club Miles needed for Gold qualification</td><td align=\"right\">15&nbsp;500</td></tr>";
    page.erase(page.find(needed), needed.size());
    account("Swiss", "123456789", PASSWORD);
    TestClubMember s("Swiss", true);
    s.setEngine(engine);
    s.setUser(0);
    // Rows written before do not shift the flow's fixed classes.
    std::string earlier;
    s.addDetailsRow(earlier, "Earlier", "row");
    s.process(page, true);
    EXPECT_EQ(details("Swiss"), RLSource::foldQuotes(MEMBER_DETAILS));
    EXPECT_EQ(balance("Swiss"), "12345");
}

TEST_F(SharedFlowsTest, ClubMemberWithoutDetailsRecordsTheBalanceOnly) {
    web.site("www.club.example")
        .on("GET", "/member",
            Answer::page("<td>Today's mileage balance</td><td><font class=\"text\">3 400</font></td>"));
    account("SNBrussels", "987654321", PASSWORD);
    TestClubMember s("SNBrussels", false);
    runHere(s);
    EXPECT_EQ(balance("SNBrussels"), "3400");
    EXPECT_EQ(details("SNBrussels"),
              "<tr class=d><td colspan=2>&nbsp;Details Are Not Tracked For This Program</td></tr>");
    EXPECT_EQ(s.sink->count(), 0u);
}

TEST_F(SharedFlowsTest, ClubPageWithoutItsMarkersGivesEmptyValues) {
    account("Swiss", "123456789", PASSWORD);
    {
        TestClubMember s("SNBrussels", false);
        s.setEngine(engine);
        s.setUser(0);
        // A balance font without its heading is not taken.
        s.process("<font class=\"text\">999</font>", false);
        EXPECT_EQ(balance("SNBrussels"), RLPreferences::DISPLAY_UNKNOWN);
        EXPECT_EQ(s.sink->count(), 1u);
    }
    {
        TestClubMember s("Swiss", true);
        s.setEngine(engine);
        s.setUser(0);
        s.process("<html>nothing here</html>", true);
        EXPECT_EQ(details("Swiss"),
                  RLSource::foldQuotes("<tr class=d><td>&nbsp;Membership Number</td><td>&nbsp;&nbsp;</td></tr>"
                                       "<tr class=l><td>&nbsp;Date of Enrollment</td><td>&nbsp;&nbsp;</td></tr>"
                                       "<tr class=d><td>&nbsp;Club Miles accrued since &nbsp;</td>"
                                       "<td>&nbsp;&nbsp;</td></tr>"));
        EXPECT_EQ(transactions("Swiss"), "");
        EXPECT_EQ(balance("Swiss"), RLPreferences::DISPLAY_UNKNOWN);
    }
    {
        web.site("www.club.example").on("GET", "/member", Answer::page("Sorry, the PIN is not valid"));
        TestClubMember s("Swiss", true);
        runHere(s);
        EXPECT_EQ(balance("Swiss"), RLPreferences::DISPLAY_INVALID_LOGIN);
    }
}

}  // namespace
