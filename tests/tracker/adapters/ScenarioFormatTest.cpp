// The scenario format: a scenario that reads wrongly would pass or fail an
// adapter for the wrong reason, so the parser and the patterns are tested
// on their own.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/tracker/adapters/Scenario.h"

namespace {

using rltest::Pattern;
using rltest::Scenario;
using rltest::StoredCheck;

std::vector<Scenario> parse(const std::string& text) { return rltest::parseScenarios("Demo", "Demo.scenarios", text); }

struct Problem {
    const char* text;
    const char* error;
};

// Each text fails its first scenario with the error.
void expectProblems(std::initializer_list<Problem> problems) {
    for (const Problem& p : problems) {
        const auto list = parse(p.text);
        ASSERT_FALSE(list.empty()) << p.text;
        EXPECT_EQ(list[0].error, p.error) << p.text;
    }
}

TEST(PatternTest, RangesMatchOnlyNumbersWithinTheirBounds) {
    const Pattern p("&x={1..32}&y={1..44}");
    EXPECT_TRUE(p.matches("&x=1&y=44"));
    EXPECT_TRUE(p.matches("&x=32&y=1"));
    EXPECT_FALSE(p.matches("&x=0&y=5"));
    EXPECT_FALSE(p.matches("&x=33&y=5"));
    EXPECT_FALSE(p.matches("&x=5&y=45"));
    EXPECT_FALSE(p.matches("&x=&y=5"));
    EXPECT_FALSE(p.matches("&x=5&y=5&z=1"));
    // A shorter run of the digits is tried when the longer is out of range.
    EXPECT_TRUE(Pattern("{1..9}9").matches("99"));
    EXPECT_FALSE(Pattern("{1..9}").matches("99"));
}

TEST(PatternTest, WildcardsAndContainment) {
    const Pattern p("user={*}&pin={*}");
    EXPECT_TRUE(p.matches("user=&pin="));
    EXPECT_TRUE(p.matches("user=a&b&pin=c"));
    EXPECT_FALSE(p.matches("user=a"));
    EXPECT_TRUE(Pattern("Info=No viewstate").foundIn("<!--\r\nInfo=No viewstate found"));
    EXPECT_FALSE(Pattern("Info=No viewstate").foundIn("Info=No view state"));
    EXPECT_TRUE(Pattern("x={1..5}").foundIn("a x=9 x=4 b"));
    EXPECT_TRUE(Pattern("").foundIn(""));
}

TEST(PatternTest, EscapesAndBracesThatAreNoPattern) {
    EXPECT_TRUE(Pattern("a\\{b\\}").matches("a{b}"));
    EXPECT_TRUE(Pattern("caf\\xE9\\r\\n").matches("caf\xE9\r\n"));
    EXPECT_THROW(Pattern("a{b}"), std::invalid_argument);
    EXPECT_THROW(Pattern("{5..1}"), std::invalid_argument);
    EXPECT_THROW(Pattern("{1..2"), std::invalid_argument);
    EXPECT_THROW(Pattern("\\q"), std::invalid_argument);
    EXPECT_THROW(Pattern("\\xZ1"), std::invalid_argument);
}

TEST(ScenarioFormatTest, ReadsAWholeScenario) {
    const auto list = parse(
        "# a comment\n"
        "scenario: Balance, after its label!\n"
        "  user: M\\xC3\\xBCller\n"
        "  password: a&b\n"
        "  serve: POST https://WWW.Example.com/login?x=1\n"
        "    answer: 302\n"
        "    header: Location: /next\n"
        "  serve: GET https://www.example.com/next\n"
        "    body: <<END\n"
        "line one\\xE9\n"
        "joined \\\n"
        "on\n"
        "@@pad 3\n"
        "END\n"
        "  expect: POST https://www.example.com/login?x=1\n"
        "    body: u={*}&x={1..9}\n"
        "    cookie: sid=4\\x32\n"
        "  expect: GET http://www.example.com/next\n"
        "    no-cookies:\n"
        "    after: 1000\n"
        "  balance: 12345\n"
        "  details: [not-tracked]\n"
        "  activity-contains: <td>{*}</td>\n"
        "  report: [none]\n"
        "  log: registerBalance\n"
        "  tag: retrieve\n");
    ASSERT_EQ(list.size(), 1u);
    const Scenario& s = list[0];
    ASSERT_EQ(s.error, "");
    EXPECT_EQ(s.testName(), "Demo_1_Balance_after_its_label");
    EXPECT_EQ(s.user, "M\xC3\xBC" "ller");
    EXPECT_EQ(s.password, "a&b");
    ASSERT_EQ(s.served.size(), 2u);
    EXPECT_EQ(s.served[0].address.host, "www.example.com");
    EXPECT_EQ(s.served[0].address.target, "/login?x=1");
    EXPECT_EQ(s.served[0].status, 302);
    ASSERT_EQ(s.served[0].headers.size(), 1u);
    EXPECT_EQ(s.served[0].headers[0].second, "/next");
    EXPECT_EQ(s.served[1].body, "line one\xE9\njoined on\n...");
    ASSERT_EQ(s.expected.size(), 2u);
    EXPECT_TRUE(s.expected[0].body->matches("u=joe&x=3"));
    EXPECT_EQ(s.expected[0].cookies[0].second, "42");
    EXPECT_EQ(s.expected[1].scheme, "http");
    EXPECT_TRUE(s.expected[1].noCookies);
    EXPECT_EQ(s.expected[1].afterMs, 1000);
    EXPECT_EQ(s.expected[0].afterMs, 0);
    EXPECT_EQ(s.balance, "12345");
    EXPECT_EQ(s.details.kind, StoredCheck::NotTracked);
    EXPECT_EQ(s.activity.contains.size(), 1u);
    EXPECT_TRUE(s.noReport);
    EXPECT_TRUE(s.hasTag("retrieve"));
}

TEST(ScenarioFormatTest, SharedAccountAndAnswersGiveWayToTheScenarioOwn) {
    const auto list = parse(
        "shared: login page\n"
        "  user: joe\n"
        "  password: pw1\n"
        "  serve: GET https://a.example/login\n"
        "    body: form\n"
        "  serve: POST https://a.example/login\n"
        "    body: welcome\n"
        "scenario: takes both\n"
        "  status: Unknown\n"
        "scenario: own password and answer\n"
        "  password: other\n"
        "  serve: POST https://a.example/login\n"
        "    body: refused\n"
        "  status: InvalidLogin\n");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].user, "joe");
    EXPECT_EQ(list[0].password, "pw1");
    ASSERT_EQ(list[0].served.size(), 2u);
    EXPECT_EQ(list[1].user, "joe");
    EXPECT_EQ(list[1].password, "other");
    ASSERT_EQ(list[1].served.size(), 2u);
    EXPECT_EQ(list[1].served[0].body, "form");
    EXPECT_EQ(list[1].served[1].body, "refused");
}

TEST(ScenarioFormatTest, ProblemsFailTheirScenarioWithTheLine) {
    expectProblems({
        {"scenario: a\n  status: Nonsense\n", "Demo.scenarios:2: unknown status name: Nonsense"},
        {"scenario: a\n  wrong: 1\n  status: Unknown\n", "Demo.scenarios:2: unknown keyword \"wrong:\""},
        {"scenario: a\n  user: x\n", "Demo.scenarios:1: scenario \"a\" names neither balance nor status"},
        {"scenario: a\n  serve: GET https://a.example/\n    body: <<END\nnever ends\n",
         "Demo.scenarios:3: body from line 3 has no end line \"END\""},
        {"scenario: a\n  expect: GET ftp://a.example/\n  status: Unknown\n",
         "Demo.scenarios:2: scheme must be http or https: ftp://a.example"},
        {"scenario: a\n  details: [nothing]\n  status: Unknown\n", "Demo.scenarios:2: unknown fixed row [nothing]"},
        {"user: early\nscenario: a\n  status: Unknown\n",
         "Demo.scenarios:1: \"user:\" before the first \"scenario:\""},
        {"shared: x\n  balance: 1\nscenario: a\n  status: Unknown\n",
         "Demo.scenarios:2: \"balance:\" in the shared block (only the account and serve)"},
        {"scenario: a\n  no colon here\n  status: Unknown\n",
         "Demo.scenarios:2: expected \"keyword: value\", got: no colon here"},
    });
}

TEST(ScenarioFormatTest, ScenariosAreNumberedPerFileAndNamedForTests) {
    const auto list = parse("scenario: one\n status: Unknown\nscenario: \n status: Unknown\nscenario: a-b  c\n balance: 1\n");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].testName(), "Demo_1_one");
    EXPECT_EQ(list[1].testName(), "Demo_2");
    EXPECT_EQ(list[2].testName(), "Demo_3_a_b_c");
    EXPECT_EQ(list[2].line, 5);
}

TEST(ScenarioFormatTest, AMarkerTableStandsForOneCaseAMarkerOneAKindOrderAndTheLengthBoundaries) {
    const auto list = parse(
        "shared: the account\n"
        "  user: 12345\n"
        "  password: secret\n"
        "  today: 2006-05-31\n"
        "  serve: GET https://a.example/form\n"
        "    body: form\n"
        "scenario: balance\n"
        "  balance: 1\n"
        "markers: the answer\n"
        "  serve: POST https://a.example/login*\n"
        "    answer: 200\n"
        "    body: [markers]\n"
        "  expect: GET https://a.example/form\n"
        "  expect: POST https://a.example/login?u=12345\n"
        "  provider: P1\n"
        "  invalid: I1\n"
        "  provider: P2\n"
        "  bad-login: Maintenance: M1\\x20\n"
        "  length: user 5\n"
        "  length: password 2..6\n");
    std::vector<std::string> names;
    for (const Scenario& s : list) {
        ASSERT_EQ(s.error, "") << s.title;
        names.push_back(s.title);
    }
    auto page = [](const Scenario& s) {
        for (const auto& a : s.served) {
            if (a.underTest) return a.body;
        }
        return std::string("<no page>");
    };
    // balance, 4 alone, P1 before {I, M}, I1 before {P, M}, P2 before {M},
    // each marker cut at its end and at its start, user 5/4/6, password
    // 2/1/6/7.
    ASSERT_EQ(list.size(), 1u + 4u + 2u + 2u + 1u + 8u + 3u + 4u);
    EXPECT_EQ(list[1].title, "the answer: marker 1 ProviderProblem alone");
    EXPECT_EQ(page(list[1]), "P1");
    EXPECT_EQ(list[1].status, "ProviderProblem");
    EXPECT_EQ(list[1].details.kind, StoredCheck::StatusOnly);
    EXPECT_TRUE(list[1].noReport);
    EXPECT_EQ(list[1].today, "2006-05-31");
    ASSERT_EQ(list[1].expected.size(), 2u);
    ASSERT_EQ(list[1].served.size(), 2u);
    EXPECT_EQ(list[1].served[0].status, 200);
    EXPECT_EQ(list[1].index, 2);

    EXPECT_EQ(list[2].title, "the answer: marker 1 ProviderProblem before the later InvalidLogin markers");
    EXPECT_EQ(page(list[2]), "I1\n<br>\nP1");
    EXPECT_EQ(list[2].status, "ProviderProblem");
    EXPECT_EQ(page(list[3]), "M1 \n<br>\nP1");
    // The later markers of one status stand in the page in reverse order.
    EXPECT_EQ(list[7].title, "the answer: marker 2 InvalidLogin before the later ProviderProblem markers");
    EXPECT_EQ(page(list[7]), "P2\n<br>\nI1");
    EXPECT_EQ(list[7].status, "InvalidLogin");
    EXPECT_EQ(list[15].title, "the answer: marker 4 Maintenance alone");
    EXPECT_EQ(list[15].status, "Maintenance");

    // A marker cut short must not decide; the adapter then goes on.
    EXPECT_EQ(list[4].title, "the answer: marker 1 ProviderProblem cut by its last character");
    EXPECT_EQ(page(list[4]), "P");
    EXPECT_EQ(list[4].status, std::nullopt);
    EXPECT_EQ(list[4].notStatus, "ProviderProblem");
    EXPECT_TRUE(list[4].requestsUnchecked);
    EXPECT_EQ(list[5].title, "the answer: marker 1 ProviderProblem cut by its first character");
    EXPECT_EQ(page(list[5]), "1");
    EXPECT_EQ(page(list[16]), "M1");
    EXPECT_EQ(page(list[17]), "1 ");
    EXPECT_EQ(list[17].notStatus, "Maintenance");

    const Scenario& userInside = list[18];
    EXPECT_EQ(userInside.user, "12345");
    EXPECT_EQ(page(userInside), "I1");
    EXPECT_EQ(userInside.status, "InvalidLogin");
    EXPECT_TRUE(userInside.requestShapeOnly);
    ASSERT_EQ(userInside.noLog.size(), 1u);
    EXPECT_EQ(list[19].user, "1234");
    EXPECT_EQ(list[19].status, "LoginLength");
    ASSERT_EQ(list[19].log.size(), 1u);
    EXPECT_TRUE(list[19].log[0].foundIn("x\nPossible invalid username length for Demo Program: 5 != 4\nx"));
    EXPECT_FALSE(list[19].log[0].foundIn("Possible invalid username length for Demo Program: 5 != 41\n"));
    EXPECT_EQ(list[20].user, "123451");
    EXPECT_EQ(list[21].password, "se");
    EXPECT_EQ(list[22].password, "s");
    EXPECT_TRUE(list[22].log[0].foundIn("Possible invalid password length for D: 1 < 2\n"));
    EXPECT_EQ(list[23].password, "secret");
    EXPECT_EQ(list[24].password, "secret1");
    EXPECT_TRUE(list[24].log[0].foundIn("Possible invalid password length for D: 7 > 6\n"));
}

TEST(ScenarioFormatTest, AMarkerTableWithoutMarkersProvesItsLengthsByTheLogAlone) {
    const auto list = parse(
        "markers: switched off\n"
        "  user: abc\n"
        "  length: user ..3\n"
        "  length: password2 4\n"
        "  password2: 1234\n");
    ASSERT_EQ(list.size(), 5u);
    for (const Scenario& s : list) {
        EXPECT_EQ(s.error, "");
        EXPECT_FALSE(s.status.has_value());
        EXPECT_TRUE(s.served.empty());
    }
    EXPECT_EQ(list[1].user, "abc1");
    EXPECT_EQ(list[2].password2, "1234");
    EXPECT_EQ(list[3].password2, "123");
    EXPECT_EQ(list[4].password2, "12341");
}

TEST(ScenarioFormatTest, ProblemsOfAMarkerTable) {
    expectProblems({
        {"markers: a\n  invalid: x\n", "Demo.scenarios:1: no page under test (body: [markers])"},
        {"markers: a\n  serve: GET https://a.example/\n    body: [markers]\n",
         "Demo.scenarios:1: a markers block without markers or lengths"},
        {"markers: a\n  serve: GET https://a.example/\n    body: [markers]\n  serve: GET https://a.example/b\n"
         "    body: [markers]\n  invalid: x\n",
         "Demo.scenarios:1: more than one page under test (body: [markers])"},
        {"markers: a\n  user: abcdef\n  length: user ..5\n",
         "Demo.scenarios:1: the block's own user breaks its length rule (line 3)"},
        {"markers: a\n  length: pin 4\n", "Demo.scenarios:2: length names user, password or password2: pin 4"},
        {"markers: a\n  length: user 6..4\n", "Demo.scenarios:2: length needs N, N.., ..N or N..M: user 6..4"},
        {"markers: a\n  length: user ..\n", "Demo.scenarios:2: length needs N, N.., ..N or N..M: user .."},
        {"markers: a\n  bad-login: Broken: x\n", "Demo.scenarios:2: unknown status name: Broken"},
        {"markers: a\n  balance: 1\n", "Demo.scenarios:2: \"balance:\" in a markers block"},
        {"scenario: a\n  serve: GET https://a.example/\n    body: [markers]\n  status: Unknown\n",
         "Demo.scenarios:3: body: [markers] outside a \"markers:\" block"},
        {"scenario: a\n  today: 2006-13-01\n  status: Unknown\n",
         "Demo.scenarios:2: today needs a date YYYY-MM-DD: 2006-13-01"},
    });
}

}  // namespace
