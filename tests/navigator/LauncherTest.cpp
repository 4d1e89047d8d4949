// The Navigator program's command line and its wait: the argument count,
// the class table and its key rule, the second credential, the wait loop
// ended by the navigator or by the browser's quit event, and what reaches
// "Navigator.log".

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <sstream>

#include "foundation/Logger.h"
#include "navigator/Launcher.h"
#include "navigator/impl/Sites.h"
#include "platform/automation/Automation.h"
#include "platform/automation/headless/HeadlessBrowser.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"

namespace {

using automation::headless::Fetch;
using automation::headless::HeadlessWeb;
using automation::headless::Record;
using automation::headless::Response;

// The keep-running flag starts true in every program; each test here is
// one program run.
struct FreshRun : navigator::AbstractLauncher {
    static void reset() { m_keepRunning.store(true); }
};

// The values as the tracker writes them, each ended by a NUL.
std::string ended(const std::vector<std::string>& values) {
    std::string out;
    for (const std::string& value : values) out += value + '\0';
    return out;
}

Response loginPages(const Fetch& f) {
    if (f.url.find("/epoll/clients/logout.htm") != std::string::npos) {
        return Response::page("<form method=get action=/epoll/clients/login.htm><input name=emailAddress>"
                              "<input name=password type=password><input type=submit value=Go></form>");
    }
    if (f.url.find("/epoll/") != std::string::npos) return Response::page("<p>points</p>");
    if (f.url.find("ValidateLogin.do") != std::string::npos) return Response::page("<p>statement</p>");
    if (f.url.find("showRewardDetails.do") != std::string::npos) return Response::page("<p>no form today</p>");
    return Response::page(
        "<form name=main method=post action=/posted>"
        "<input name=acct><input name=pin type=password><input type=image src=/img/delta/buttons/go.gif>"
        "<input name=LastNm><input name=PostlCd><input name=cardNbr><input name=submit type=submit>"
        "<input name=NO><input name=PIN></form>");
}

class LauncherTest : public ::testing::Test {
protected:
    LauncherTest() { FreshRun::reset(); }
    void TearDown() override { EXPECT_TRUE(automation::shutdown(5000)); }

    std::vector<std::string> logLines() {
        std::vector<std::string> out;
        std::istringstream text(rltest::readFile(dir.file("Navigator.log")));
        std::string line;
        while (std::getline(text, line)) out.push_back(line.substr(line.find(" - ") + 3));
        return out;
    }
    std::vector<Record> fills() {
        std::vector<Record> out;
        for (const Record& r : web.browser()->records()) {
            if (r.kind == Record::Kind::Fill) out.push_back(r);
        }
        return out;
    }

    rltest::LogCapture capture;  // puts the logger back afterwards
    rltest::TempWorkDir dir;
    HeadlessWeb web{loginPages};
};

TEST_F(LauncherTest, AWrongNumberOfArgumentsIsRefusedWithItsCount) {
    EXPECT_EQ(navigator::Launcher::main({"Delta", "joe"}), -1);
    EXPECT_EQ(navigator::Launcher::main({"Delta", "joe", "pw", "x", "extra"}), -1);
    EXPECT_EQ(navigator::Launcher::main({}), -1);
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "Incorrect number of arguments (2).  This app is not designed to be launched manually.",
                              "Incorrect number of arguments (5).  This app is not designed to be launched manually.",
                              "Incorrect number of arguments (0).  This app is not designed to be launched manually.",
                          }));
    EXPECT_EQ(web.browserCount(), 0u);
    EXPECT_EQ(foundation::Logger::getLevel(), foundation::Logger::LEVEL_VERBOSE);
}

TEST_F(LauncherTest, AnUnknownKeyEndsSilently) {
    for (const char* key : {"delta", "Starbucks", "Nowhere", "", "impl.", "Delta.x"}) {
        EXPECT_EQ(navigator::Launcher::main({key, "joe", "pw"}), 0) << key;
    }
    EXPECT_EQ(web.browserCount(), 0u);
    EXPECT_FALSE(rltest::fileExists(dir.file("Navigator.log")) && !logLines().empty());
}

TEST_F(LauncherTest, TheKeyMatchesTheEndOfTheFullClassName) {
    EXPECT_EQ(navigator::Launcher::main({"navigator.impl.Delta", "joe", "pw"}), 0);
    EXPECT_EQ(web.browserCount(), 0u);
    EXPECT_EQ(navigator::Launcher::main({"nav.impl.Delta", "joe", "Se cret&9%"}), 0);
    ASSERT_EQ(web.browserCount(), 1u);
    auto filled = fills();
    ASSERT_EQ(filled.size(), 2u);
    EXPECT_EQ(filled[0].element.at("name"), "acct");
    EXPECT_EQ(filled[1].value, "Se cret&9%");
    EXPECT_EQ(logLines().size(), 1u);  // the page's "URL: " line
    EXPECT_EQ(navigator::impl::navigatorClass("Delta").name, "rl.nav.impl.Delta");
    EXPECT_EQ(navigator::impl::navigatorClass("Starbucks").name, "rl.nav.impl.Starbucks");
}

TEST_F(LauncherTest, EveryTableEntryHasItsClass) {
    std::set<std::string> names(navigator::Launcher::CLASSES.begin(), navigator::Launcher::CLASSES.end());
    EXPECT_EQ(names.size(), 112u);
    for (const char* name : navigator::Launcher::CLASSES) {
        EXPECT_NO_THROW(navigator::impl::navigatorClass(name)) << name;
    }
    EXPECT_EQ(names.count("Starbucks"), 0u);
    EXPECT_NO_THROW(navigator::impl::navigatorClass("Starbucks"));
}

TEST_F(LauncherTest, AnAbsentSecondCredentialReadsAsEmpty) {
    EXPECT_EQ(navigator::Launcher::main({"GMCard", "Jones", "48201"}), 0);
    auto filled = fills();
    ASSERT_EQ(filled.size(), 3u);
    EXPECT_EQ(filled[2].element.at("name"), "cardNbr");
    EXPECT_EQ(filled[2].value, "");
    // Japan's site selector: absent chooses the English site.
    FreshRun::reset();
    EXPECT_EQ(navigator::Launcher::main({"Japan", "JL1", "1234"}), 0);
    std::vector<Record> records = web.browser()->records();
    auto first = std::find_if(records.begin(), records.end(), [](const Record& r) { return r.kind == Record::Kind::Navigate; });
    ASSERT_NE(first, records.end());
    EXPECT_EQ(first->url, "https://www.jal.co.jp/e/jmb/members/login.php");
}

TEST_F(LauncherTest, AnEmptyFourthValueIsAnEmptySecondCredential) {
    EXPECT_EQ(navigator::Launcher::main({"GMCard", "Jones", "48201", ""}), 0);
    auto filled = fills();
    ASSERT_EQ(filled.size(), 3u);
    EXPECT_EQ(filled[2].value, "");
}

TEST_F(LauncherTest, TheValuesMayComeOnStandardInputEachEndedByANul) {
    std::istringstream input(ended({"GMCard", "Jo nes", "p@ss/w:rd!", ""}));
    EXPECT_EQ(navigator::Launcher::main({"--stdin"}, input), 0);
    auto filled = fills();
    ASSERT_EQ(filled.size(), 3u);
    EXPECT_EQ(filled[0].value, "Jo nes");
    EXPECT_EQ(filled[1].value, "p@ss/w:rd!");
    EXPECT_EQ(filled[2].value, "");
    // The last value may lack its NUL; a line feed is part of a value.
    std::istringstream unended(ended({"a\nb", "c"}) + "d");
    EXPECT_EQ(navigator::Launcher::readArguments(unended),
              (std::vector<std::string>{"a\nb", "c", "d"}));
}

TEST_F(LauncherTest, ValuesOnStandardInputAreCountedAsArguments) {
    std::istringstream two(ended({"Delta", "joe"}));
    EXPECT_EQ(navigator::Launcher::main({"--stdin"}, two), -1);
    std::istringstream none("");
    EXPECT_EQ(navigator::Launcher::main({"--stdin"}, none), -1);
    // The flag with other arguments is the plain form, here of two values.
    std::istringstream unused(ended({"Delta", "joe", "pw"}));
    EXPECT_EQ(navigator::Launcher::main({"--stdin", "Delta"}, unused), -1);
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "Incorrect number of arguments (2).  This app is not designed to be launched manually.",
                              "Incorrect number of arguments (0).  This app is not designed to be launched manually.",
                              "Incorrect number of arguments (2).  This app is not designed to be launched manually.",
                          }));
    EXPECT_EQ(web.browserCount(), 0u);
}

TEST_F(LauncherTest, ABrowserThatCannotStartIsLoggedAndTheProgramEnds) {
    web.failNextCreation("The browser did not start: no window system: DISPLAY is not set");
    EXPECT_EQ(navigator::Launcher::main({"Delta", "joe", "pw99"}), 0);
    EXPECT_EQ(logLines(), std::vector<std::string>{"Error launching Navigator: AutomationException: The browser did "
                                                   "not start: no window system: DISPLAY is not set"});
}

TEST_F(LauncherTest, TheQuitEventEndsAWaitForANavigatorThatNeverFinishes) {
    // EmeraldClub waits on its first page when the login form is missing.
    auto run = std::async(std::launch::async, [] { return navigator::Launcher::main({"EmeraldClub", "joe", "pw99"}); });
    ASSERT_TRUE(rltest::waitFor([&] {
        auto b = web.browser();
        if (!b) return false;
        for (const Record& r : b->records()) {
            if (r.kind == Record::Kind::Event) return true;
        }
        return false;
    }, 10000));
    ASSERT_TRUE(web.waitIdle());
    EXPECT_EQ(run.wait_for(std::chrono::milliseconds(600)), std::future_status::timeout) << "it waits";
    const auto closed = std::chrono::steady_clock::now();
    web.browser()->userCloses();
    ASSERT_EQ(run.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(run.get(), 0);
    // Within one polling period, give or take the machine's load.
    EXPECT_LT(std::chrono::steady_clock::now() - closed, std::chrono::seconds(5));
}

TEST_F(LauncherTest, APasswordTheBrowserEncodedIntoAnAddressIsMasked) {
    // A login form sent with GET: the browser writes the password into the
    // next address in its own form encoding.
    EXPECT_EQ(navigator::Launcher::main({"Epoll", "joe@x.com", "p@ss/w:rd! 7"}), 0);
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "URL: http://www.epoll.com/epoll/clients/logout.htm",
                              "URL: http://www.epoll.com/epoll/clients/login.htm?emailAddress=joe%40x.com"
                              "&password=********",
                          }));
}

TEST_F(LauncherTest, NoPasswordReachesTheLog) {
    // Aloha puts the credentials into its address; the log line masks the
    // password in every form it can take there.
    EXPECT_EQ(navigator::Launcher::main({"Aloha", "AL 77", "p&w=1 #x", "second secret"}), 0);
    std::vector<std::string> lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "URL: http://travel.alohaairlines.com/statement/ValidateLogin.do?alohaLoginAccount=AL%2077"
                        "&alohaLoginPin=********");
}

}  // namespace
