// The account thread's own state: binding to an account, the length rules,
// error reports and their page dump, secrets, the credential encoder, and
// the engine's paths and counters.

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/StrUtil.h"
#include "foundation/TextBrowser.h"
#include "foundation/TextBrowserException.h"
#include "tests/tracker/core/SourceTestSupport.h"

using namespace tracker;
using rltest::ScriptedSource;

namespace {

const char* const KEY = "Delta";

class RLSourceTest : public rltest::SourceFixture {
protected:
    std::shared_ptr<ScriptedSource> bound(const std::shared_ptr<BaseEngine>& engine = nullptr) {
        auto s = std::make_shared<ScriptedSource>(rltest::makeConfig(KEY, true, true, "Delta Test"));
        if (engine) s->setEngine(engine);
        s->setUser(0);
        return s;
    }
};

TEST_F(RLSourceTest, TheFixtureLogsIntoItsOwnFolderFromTheStart) {
    // What the preferences logged while they loaded is in this test's log.
    EXPECT_NE(logText().find("Preferences file at " + dir.file("Roamledger.settings") + " not found"),
              std::string::npos)
        << logText();
    EXPECT_EQ(foundation::Logger::getLogFilePath(), dir.file("test.log"));
}

TEST_F(RLSourceTest, SetUserTrimsTheUserNameButNotThePasswords) {
    account(KEY, " \t joe99 \r\n", "  pw  ", " second ");
    auto s = bound();
    EXPECT_EQ(s->m_username, "joe99");
    EXPECT_EQ(s->m_password, "  pw  ");
    EXPECT_EQ(s->m_password2, " second ");
    EXPECT_EQ(s->getUser(), 0);
    EXPECT_EQ(s->getKey(), KEY);

    // An account without a row reads as empty texts.
    auto other = std::make_shared<ScriptedSource>(rltest::makeConfig("Aeroflot", false, false));
    other->setUser(0);
    EXPECT_EQ(other->m_username, "");
    EXPECT_EQ(other->m_password, "");
}

TEST_F(RLSourceTest, LengthRulesLogTheFirstBrokenRuleOfEachCredential) {
    account(KEY, "0123456789", "abc", "toolongsecond");
    {
        auto s = bound();
        s->validateLoginLengths(11, 12, 5, 0, 0, 0);  // exact wins over min and max
        EXPECT_TRUE(s->isUsernameLengthMayBeInvalid());
        EXPECT_FALSE(s->isPasswordLengthMayBeInvalid());
    }
    {
        auto s = bound();
        // The password fails, so the second password is not checked.
        s->validateLoginLengths(0, 0, 0, 0, 4, 8, 0, 0, 5);
        EXPECT_FALSE(s->isUsernameLengthMayBeInvalid());
        EXPECT_TRUE(s->isPasswordLengthMayBeInvalid());
    }
    {
        auto s = bound();
        // The six-limit form never checks the second password.
        s->validateLoginLengths(0, 11, 0, 0, 0, 2);
        EXPECT_TRUE(s->isUsernameLengthMayBeInvalid());
        EXPECT_TRUE(s->isPasswordLengthMayBeInvalid());
    }
    {
        auto s = bound();
        s->validateLoginLengths(0, 0, 0, 0, 0, 0, 0, 0, 5);
        EXPECT_TRUE(s->isPasswordLengthMayBeInvalid());
    }
    {
        auto s = bound();
        s->validateLoginLengths(10, 0, 0, 3, 0, 0, 0, 1, 20);
        EXPECT_FALSE(s->isUsernameLengthMayBeInvalid());
        EXPECT_FALSE(s->isPasswordLengthMayBeInvalid());
    }
    {
        auto s = bound();
        // Meeting the exact length does not excuse the maximum or minimum.
        s->validateLoginLengths(10, 0, 9, 3, 4, 0);
        EXPECT_TRUE(s->isUsernameLengthMayBeInvalid());
        EXPECT_TRUE(s->isPasswordLengthMayBeInvalid());
    }
    const std::string log = logText();
    EXPECT_NE(log.find("Possible invalid username length for Delta Test: 11 != 10\n"), std::string::npos);
    EXPECT_EQ(log.find("10 < 12"), std::string::npos);
    EXPECT_NE(log.find("Possible invalid password length for Delta Test: 3 < 4\n"), std::string::npos);
    EXPECT_NE(log.find("Possible invalid username length for Delta Test: 10 < 11\n"), std::string::npos);
    EXPECT_NE(log.find("Possible invalid password length for Delta Test: 3 > 2\n"), std::string::npos);
    EXPECT_NE(log.find("Possible invalid username length for Delta Test: 10 > 9\n"), std::string::npos);
    EXPECT_NE(log.find("Possible invalid password length for Delta Test: 3 < 4\n",
                       log.find("Possible invalid username length for Delta Test: 10 > 9\n")),
              std::string::npos);
    // Only the call that reached the second password logs it.
    size_t count = 0;
    for (size_t at = log.find("Possible invalid password2 length"); at != std::string::npos;
         at = log.find("Possible invalid password2 length", at + 1)) {
        ++count;
    }
    EXPECT_EQ(count, 1u);
    EXPECT_NE(log.find("Possible invalid password2 length for Delta Test: 13 > 5\n"), std::string::npos);
}

TEST_F(RLSourceTest, ReportCarriesTheAccountAndThePagesInFetchOrder) {
    account(KEY, "joe99", PASSWORD);
    auto s = bound();
    s->storeAndReturnPage("<p>one</p>", "https://site.example/a");
    s->storeAndReturnPage("<p>two</p>", "https://site.example/b");
    EXPECT_EQ(s->storeAndReturnPage("<p>three</p>", "https://site.example/c"), "<p>three</p>");
    s->reportError(std::string("Something odd"));
    s->reportError(std::string("A second reason"));
    auto reports = s->sink->all();
    ASSERT_EQ(reports.size(), 1u);
    const rltest::SourceReport& r = reports[0];
    EXPECT_EQ(reports[0].key, KEY);
    EXPECT_EQ(reports[0].uuid, RLPreferences::getUUID());
    EXPECT_EQ(reports[0].userTag, "j9");
    EXPECT_EQ(r.text.rfind("<!--\r\nUUID=" + RLPreferences::getUUID() + "\r\nVersion=Roamledger 20060430\r\nTime=", 0),
              0u);
    EXPECT_NE(r.text.find("\r\nSource=Delta\r\nUsername=joe99 [Passwords are NEVER sent]\r\nInfo=Something odd\r\n"
                          "Stack="),
              std::string::npos);
    const size_t p1 = r.text.find("\r\n<!--Page 1/3: https://site.example/a -->\r\n<p>one</p>");
    const size_t p2 = r.text.find("\r\n<!--Page 2/3: https://site.example/b -->\r\n<p>two</p>");
    const size_t p3 = r.text.find("\r\n<!--Page 3/3: https://site.example/c -->\r\n<p>three</p>");
    ASSERT_NE(p1, std::string::npos);
    ASSERT_NE(p2, std::string::npos);
    ASSERT_NE(p3, std::string::npos);
    EXPECT_LT(p1, p2);
    EXPECT_LT(p2, p3);
    EXPECT_EQ(r.text.find("A second reason"), std::string::npos);
    EXPECT_TRUE(s->isErrorReportedAlready());
}

TEST_F(RLSourceTest, UserTagIsTheFirstAndLastCharacter) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "??"}, {"a", "??"}, {"ab", "ab"}, {"abcde", "ae"},
        // Characters, not bytes, of a UTF-8 name.
        {"\u00e9", "??"}, {"\u00e9tienne", "\u00e9e"}, {"ren\u00e9", "r\u00e9"}, {"\u00f8\u20ac", "\u00f8\u20ac"}};
    for (const auto& [name, tag] : cases) {
        account(KEY, name);
        auto s = bound();
        s->reportError(std::string("x"));
        ASSERT_EQ(s->sink->count(), 1u);
        EXPECT_EQ(s->sink->all()[0].userTag, tag) << name;
    }
}

TEST_F(RLSourceTest, SecretsAreMaskedInReportsAndLogs) {
    account(KEY, "joe", PASSWORD, PASSWORD2);
    auto s = bound();
    const std::string encoded = RLSource::encodeFormValue(PASSWORD);
    s->storeAndReturnPage(std::string("<input value=\"") + PASSWORD + "\">", "https://site.example/login?pin=" +
                                                                              encoded + "&pin2=Sec+ond%252");
    s->reportError(std::string("failed with ") + PASSWORD2);
    ASSERT_EQ(s->sink->count(), 1u);
    const std::string text = s->sink->all()[0].text;
    EXPECT_NE(text.find("login?pin=********&pin2=********"), std::string::npos) << text;
    EXPECT_NE(text.find("<input value=\"********\">"), std::string::npos);
    // A web-client failure whose text holds an address with the password.
    s->logTextBrowserException(
        foundation::TextBrowserException("Bad answer URL: https://site.example/login?pin=" + encoded));
    s->registerBalance(std::string("bal ") + PASSWORD + " 12");
    expectNoSecrets(*s->sink);

    // So are the pages its client dumps.
    RLPreferences::setPersistDownloads(true);
    s->init();
    RLPreferences::setPersistDownloads(false);
    s->m_tb->postProcessDownload(std::string("<b>") + PASSWORD + "</b><a href=\"?pin=" + encoded + "\">");
    std::vector<std::string> dumps;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path().extension() == ".html") dumps.push_back(rltest::readFile(entry.path().string()));
    }
    EXPECT_EQ(dumps, std::vector<std::string>{"<b>********</b><a href=\"?pin=********"});
}

TEST_F(RLSourceTest, NetworkFailuresAreNotReported) {
    account(KEY, "joe");
    auto s = bound();
    auto refused = std::make_shared<foundation::ConnectException>("Connection refused");
    const foundation::TextBrowserException network(refused, "Connection refused");
    s->reportError(network);
    EXPECT_EQ(s->sink->count(), 0u);
    s->logTextBrowserException(network);
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_UNKNOWN);
    EXPECT_EQ(s->sink->count(), 0u);

    auto t = bound();
    const foundation::TextBrowserException site(std::make_shared<foundation::HttpStatusException>(500, "HTTP 500"),
                                                "Server said 500");
    t->reportError(site);
    t->logTextBrowserException(site);
    ASSERT_EQ(t->sink->count(), 1u);
    EXPECT_NE(t->sink->all()[0].text.find("Server said 500"), std::string::npos);

    // Each failure is one entry: the time stamp, " - " and its report text,
    // which is not repeated on a line of its own.
    const std::string log = logText();
    for (const std::string description :
         {"TextBrowserException: Connection refused\n", "TextBrowserException: Server said 500\n"}) {
        EXPECT_EQ(foundation::StrUtil::countMatches(log, description), 1) << log;
        EXPECT_NE(log.find(" - " + description), std::string::npos) << log;
    }
}

TEST_F(RLSourceTest, ReadingASavedPage) {
    auto s = bound();
    rltest::writeFile(dir.file("saved.html"), "<html>\xE9</html>");
    EXPECT_EQ(s->doReadFromFileForDebug(dir.file("saved.html")), "<html>\xE9</html>");
    EXPECT_TRUE(s->getPages().empty());
    EXPECT_EQ(s->doReadFromFileForDebug(dir.file("missing.html")), "");
    EXPECT_NE(logText().find("Unable to read from file " + dir.file("missing.html")), std::string::npos);
}

TEST_F(RLSourceTest, ANewSourceIsNeverOverdue) {
    auto s = bound();
    EXPECT_EQ(s->getStartTime(), BaseSource::NEVER_STARTED);
    EXPECT_FALSE(s->isStarted());
    EXPECT_FALSE(s->isRunning());
    EXPECT_FALSE(s->isExcluded());
    EXPECT_EQ(s->m_rowCount, 0);
}

TEST_F(RLSourceTest, ExcludedSourcesDoNotStart) {
    account(KEY, "joe");
    auto engine = std::make_shared<rltest::TestEngine>(60000);
    auto s = bound(engine);
    s->setExcluded(true);
    s->init();
    EXPECT_FALSE(s->start());
    EXPECT_FALSE(s->isStarted());
    EXPECT_EQ(s->getStartTime(), BaseSource::NEVER_STARTED);
}

TEST_F(RLSourceTest, InitNamesTheClientAfterProgramAndUser) {
    account(KEY, " joe ");
    auto s = bound();
    s->init();
    ASSERT_TRUE(s->m_tb);
    EXPECT_EQ(s->m_tb->getName(), "Delta-joe");
    EXPECT_NE(logText().find("Creating thread of type: Delta"), std::string::npos);
}

TEST_F(RLSourceTest, DestroyDoesTheEndBookkeepingOnce) {
    account(KEY, "joe");
    auto engine = std::make_shared<rltest::TestEngine>(60000);
    auto displayer = std::make_shared<rltest::CountingDisplayer>();
    engine->setDisplayer(displayer);
    auto s = bound(engine);
    s->init();
    s->destroy();
    s->destroy();
    EXPECT_EQ(engine->getSourcesCompleted(), 1);
    EXPECT_EQ(displayer->progress.load(), 1);
    EXPECT_FALSE(s->isRunning());
    EXPECT_FALSE(s->m_tb);
    EXPECT_NE(logText().find("Ending thread of type: Delta"), std::string::npos);
    // A destroyed source is not started afterwards.
    EXPECT_FALSE(s->start());
}

TEST(CredentialEncoding, ReservedAndUnusualCharactersArePercentEncoded) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain-Text_0.9!*'()~", "plain-Text_0.9!*'()~"},
        {"a&b=c+d%e#f g", "a%26b%3Dc%2Bd%25e%23f%20g"},
        {"\x01\t\n\x7F", "%01%09%0A%7F"},
        {"caf\xC3\xA9", "caf%E9"},       // a UTF-8 character goes as its low 8 bits
        {"caf\xE9", "caf%E9"},           // a page byte the same
        {"\xE2\x82\xAC", "%AC"},         // above 0xFF: the low 8 bits too
        {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(RLSource::encodeFormValue(in), out) << in;
}

TEST(EnginePaths, PagesSitInTheFolderAndAddressesAreFileUrls) {
    auto engine = std::make_shared<rltest::TestEngine>(1000);
    engine->setupOutputandURLPaths("/tmp/out dir/");
    EXPECT_EQ(engine->getBalancesPath(), "/tmp/out dir/Roamledger.html");
    EXPECT_EQ(engine->getPopupPath(), "/tmp/out dir/Roamledger-Popup.html");
    EXPECT_EQ(engine->getSummaryPath(), "/tmp/out dir/Roamledger-Summary.html");
    EXPECT_EQ(engine->getInterstitialPath(), "/tmp/out dir/Roamledger-Interstitial.html");
    EXPECT_EQ(engine->getCSSPath(), "/tmp/out dir/Roamledger.css");
    EXPECT_EQ(engine->getJSPath(), "/tmp/out dir/Roamledger.js");
    EXPECT_EQ(engine->getCSSUrl(), "file:///tmp/out%20dir/Roamledger.css");
    EXPECT_EQ(engine->getJSUrl(), "file:///tmp/out%20dir/Roamledger.js");

    rltest::TempWorkDir work;
    engine->setupOutputandURLPaths("");
    EXPECT_EQ(engine->getCSSPath(), "Roamledger.css");
    EXPECT_EQ(engine->getCSSUrl(), BaseEngine::toFileURL(work.path() + "/Roamledger.css"));
    EXPECT_EQ(engine->getCSSUrl().rfind("file:///", 0), 0u);
    EXPECT_EQ(BaseEngine::toFileURL("/a/#b%c/d.js"), "file:///a/%23b%25c/d.js");
}

TEST(EngineCounters, EachSourceCountsOnceAndProgressStaysWithinBounds) {
    auto engine = std::make_shared<rltest::TestEngine>(1000);
    auto displayer = std::make_shared<rltest::CountingDisplayer>();
    engine->setDisplayer(displayer);
    EXPECT_EQ(engine->getProgress(), 0.0);
    rltest::ScriptedSource a(rltest::makeConfig(KEY, false, false));
    rltest::ScriptedSource b(rltest::makeConfig(KEY, false, false));
    engine->setSourcesCreated(2);
    EXPECT_TRUE(engine->countCompletedOnce(a));
    EXPECT_FALSE(engine->countCompletedOnce(a));
    EXPECT_EQ(engine->getProgress(), 0.5);
    EXPECT_TRUE(engine->countCompletedOnce(b));
    engine->incrementCompletedCount();
    EXPECT_EQ(engine->getSourcesCompleted(), 3);
    EXPECT_EQ(engine->getProgress(), 1.0);
    engine->threadDone();
    EXPECT_EQ(displayer->progress.load(), 1);
    engine->setDataUpdated(true);
    EXPECT_TRUE(engine->takeDataUpdated());
    EXPECT_FALSE(engine->takeDataUpdated());
}

}  // namespace
