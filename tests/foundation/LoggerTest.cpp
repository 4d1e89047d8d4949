#include "foundation/Logger.h"

#include <gtest/gtest.h>

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
