#include "foundation/Logger.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <regex>
#include <stdexcept>
#include <thread>

#include "tests/support/TempWorkDir.h"

using foundation::Logger;

namespace {

class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Logger::close();
        Logger::setLogFilePath("default.log");
        Logger::setLevel(Logger::LEVEL_NONE);
        Logger::setUseConsole(false);
    }
    void TearDown() override { Logger::close(); }
    rltest::TempWorkDir dir;
};

const std::regex LINE(R"(\d\d/\d\d/\d\d \d\d:\d\d (AM|PM) - )");

std::string stampNow() {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    char buf[32];
    std::strftime(buf, sizeof buf, "%m/%d/%y %I:%M %p", &t);
    return buf;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0, end;
    while ((end = text.find('\n', start)) != std::string::npos) {
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    EXPECT_EQ(start, text.size()) << "last line not ended";
    return out;
}

}  // namespace

TEST_F(LoggerTest, WritesDefaultLogUntilAPathIsSetThenTheNewFile) {
    Logger::log("first", nullptr);
    Logger::setLogFilePath("Lanternbay.log");
    Logger::log("second", nullptr);
    std::string def = rltest::readFile("default.log");
    std::string own = rltest::readFile("Lanternbay.log");
    EXPECT_NE(def.find("first"), std::string::npos);
    EXPECT_EQ(def.find("second"), std::string::npos);
    EXPECT_NE(own.find("second"), std::string::npos);
    EXPECT_TRUE(std::regex_search(own, LINE));
    EXPECT_TRUE(std::regex_match(own, std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d (AM|PM) - second\n)")));
}

TEST_F(LoggerTest, SecondPathWaitsForClose) {
    Logger::setLogFilePath("a.log");
    Logger::log("one", nullptr);
    Logger::setLogFilePath("b.log");
    Logger::log("two", nullptr);
    EXPECT_NE(rltest::readFile("a.log").find("two"), std::string::npos);
    EXPECT_FALSE(rltest::fileExists("b.log"));
    Logger::close();
    Logger::log("three", nullptr);
    EXPECT_NE(rltest::readFile("b.log").find("three"), std::string::npos);
}

TEST_F(LoggerTest, LevelsGateTheLevelOperationsButNotLog) {
    Logger::error("hidden");
    Logger::log("shown", nullptr);
    Logger::setLevel(Logger::LEVEL_WARNING);
    Logger::info("no info");
    Logger::warning("a warning");
    Logger::error("an error");
    Logger::verbose("no verbose");
    std::string text = rltest::readFile("default.log");
    EXPECT_EQ(text.find("hidden"), std::string::npos);
    EXPECT_NE(text.find("shown"), std::string::npos);
    EXPECT_EQ(text.find("no info"), std::string::npos);
    EXPECT_NE(text.find("a warning"), std::string::npos);
    EXPECT_NE(text.find("an error"), std::string::npos);
    EXPECT_EQ(text.find("no verbose"), std::string::npos);
}

TEST_F(LoggerTest, FailureEntries) {
    Logger::setLevel(Logger::LEVEL_ERROR);
    std::runtime_error failure("broken pipe");
    Logger::error(failure);
    Logger::error("Unable to go on", failure);
    Logger::close();
    std::string text = rltest::readFile("default.log");
    // The failure alone follows " - " directly; with a message it follows ": ",
    // and the report's own line end leaves an empty line after the entry.
    EXPECT_TRUE(std::regex_search(text, std::regex(R"( - runtime_error: broken pipe\n\n)")));
    EXPECT_TRUE(std::regex_search(text, std::regex(R"( - Unable to go on: runtime_error: broken pipe\n\n)")));
}

TEST_F(LoggerTest, RestartAppendsAndThreadsWriteWholeLines) {
    rltest::writeFile("default.log", "old line\n");
    std::thread a([] { for (int i = 0; i < 200; ++i) Logger::log(std::string(50, 'a'), nullptr); });
    std::thread b([] { for (int i = 0; i < 200; ++i) Logger::log(std::string(50, 'b'), nullptr); });
    a.join();
    b.join();
    Logger::close();
    std::string text = rltest::readFile("default.log");
    EXPECT_EQ(text.rfind("old line\n", 0), 0u);
    std::regex whole(R"(\d\d/\d\d/\d\d \d\d:\d\d (AM|PM) - (a{50}|b{50}))");
    size_t start = 9, lines = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_TRUE(std::regex_match(text.substr(start, end - start), whole));
        start = end + 1;
        ++lines;
    }
    EXPECT_EQ(lines, 400u);
}

TEST_F(LoggerTest, WriteFileReplacesWholeAndKeepsOldFileOnFailure) {
    Logger::writeFile("page.html", "first version, longer");
    Logger::writeFile("page.html", "second");
    EXPECT_EQ(rltest::readFile("page.html"), "second");
    Logger::writeFileBytes("bytes.bin", {0x00, 0xff, 0x41});
    EXPECT_EQ(rltest::readFile("bytes.bin"), std::string("\x00\xff\x41", 3));
    // A folder that does not exist: nothing is written, nothing is thrown.
    Logger::writeFile("missing/page.html", "x");
    EXPECT_FALSE(rltest::fileExists("missing/page.html"));
}

TEST_F(LoggerTest, ExactLineFormatAtEveryLevel) {
    Logger::setLogFilePath("Lanternbay.log");
    // level -> what error, warning, info and verbose write
    const char* expected[] = {"", "E", "EW", "EWI", "EWIV"};
    for (int level = Logger::LEVEL_NONE; level <= Logger::LEVEL_VERBOSE; ++level) {
        Logger::setLevel(level);
        std::string tag = "L" + std::to_string(level);
        std::string before = stampNow();
        Logger::error(tag + "E");
        Logger::warning(tag + "W");
        Logger::info(tag + "I");
        Logger::verbose(tag + "V");
        std::string after = stampNow();
        Logger::close();
        std::vector<std::string> got = lines(rltest::readFile("Lanternbay.log"));
        std::string letters = expected[level];
        ASSERT_EQ(got.size(), letters.size()) << "level " << level;
        for (size_t i = 0; i < letters.size(); ++i) {
            std::string message = tag + letters[i];
            EXPECT_TRUE(got[i] == before + " - " + message || got[i] == after + " - " + message) << got[i];
        }
        rltest::writeFile("Lanternbay.log", "");
    }
    EXPECT_FALSE(rltest::fileExists("default.log"));
}

TEST_F(LoggerTest, ConsoleEchoRepeatsTheEntry) {
    Logger::setUseConsole(true);
    testing::internal::CaptureStdout();
    Logger::log("to both", nullptr);
    std::runtime_error failure("bad");
    Logger::log("with failure", &failure);
    std::string console = testing::internal::GetCapturedStdout();
    Logger::close();
    EXPECT_EQ(console, rltest::readFile("default.log"));
    EXPECT_TRUE(std::regex_match(console, std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d (AM|PM) - to both\n)"
                                                     R"(\d\d/\d\d/\d\d \d\d:\d\d (AM|PM) - with failure: runtime_error: bad\n\n)")))
        << console;
}

TEST_F(LoggerTest, EmptyEntryEndsItsLine) {
    Logger::log("", nullptr);
    Logger::log("next", nullptr);
    Logger::close();
    std::vector<std::string> got = lines(rltest::readFile("default.log"));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(std::regex_match(got[0], std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d (AM|PM) - )")));
    EXPECT_TRUE(std::regex_match(got[1], std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d (AM|PM) - next)")));
}

TEST_F(LoggerTest, UnopenableFileLosesTheEntryAndIsTriedAgain) {
    Logger::setLogFilePath("logs/app.log");
    testing::internal::CaptureStdout();
    Logger::log("lost", nullptr);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("logs/app.log"), std::string::npos);
    EXPECT_FALSE(rltest::fileExists("default.log"));
    ASSERT_EQ(::mkdir("logs", 0755), 0);
    Logger::log("kept", nullptr);
    Logger::close();
    std::string text = rltest::readFile("logs/app.log");
    EXPECT_EQ(text.find("lost"), std::string::npos);
    EXPECT_NE(text.find("kept"), std::string::npos);
}

TEST_F(LoggerTest, PathChangeWhileLoggingNeverStrandsTheDefaultFile) {
    // Entries racing a switch away from the default file: once the switch is
    // done, every later entry goes to the new file.
    std::atomic<bool> run{true};
    std::vector<std::thread> writers;
    for (int i = 0; i < 3; ++i) {
        writers.emplace_back([&] {
            while (run) {
                Logger::log("early", nullptr);
                if (Logger::getLogFilePath() == "default.log") Logger::close();
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Logger::setLogFilePath("own.log");
    run = false;
    for (auto& w : writers) w.join();
    Logger::log("after switch", nullptr);
    Logger::close();
    EXPECT_NE(rltest::readFile("own.log").find("after switch"), std::string::npos);
    EXPECT_EQ(rltest::readFile("default.log").find("after switch"), std::string::npos);
}

TEST_F(LoggerTest, WriteFileKeepsThePermissionsOfTheFileItReplaces) {
    rltest::writeFile("private.settings", "old");
    ASSERT_EQ(::chmod("private.settings", 0600), 0);
    EXPECT_TRUE(Logger::writeFileChecked("private.settings", "new"));
    struct stat st {};
    ASSERT_EQ(::stat("private.settings", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(rltest::readFile("private.settings"), "new");
    EXPECT_FALSE(Logger::writeFileChecked("nowhere/x", "y"));
}
