#include "foundation/ProcessUtil.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <sstream>
#include <system_error>
#include <thread>

#include "foundation/Logger.h"
#include "foundation/StreamGobbler.h"
#include "platform/system/Process.h"
#include "tests/support/TempWorkDir.h"

using foundation::Logger;
using foundation::ProcessUtil;
using foundation::StreamGobbler;

namespace {

class ProcessUtilTest : public ::testing::Test {
protected:
    void SetUp() override {
        Logger::close();
        Logger::setLogFilePath("test.log");
        Logger::setLevel(Logger::LEVEL_VERBOSE);
        Logger::setUseConsole(false);
    }
    void TearDown() override { Logger::close(); }
    std::string log() {
        Logger::close();
        return rltest::readFile("test.log");
    }
    rltest::TempWorkDir dir;
};

// Waits up to 30 seconds for a file that a separate process writes.
std::string awaitFile(const std::string& path) {
    for (int i = 0; i < 3000; ++i) {
        std::string text = rltest::readFile(path);
        if (!text.empty() && text.back() == '\n') return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return rltest::readFile(path);
}

}  // namespace

TEST(ProcessUtilCommandLine, ArgumentsFollowSingleBlanks) {
    EXPECT_EQ(ProcessUtil::commandLine("cmd", {"A", "B", ""}), "cmd A B ");
    EXPECT_EQ(ProcessUtil::commandLine("cmd", {}), "cmd");
}

TEST_F(ProcessUtilTest, ChildWritingMoreThanAPipeHoldsOnBothStreamsIsDrained) {
    // About 600 KB on each stream, far beyond a pipe's 64 KB.
    auto result = std::async(std::launch::async, [] {
        return ProcessUtil::launchProcess(
            "/bin/sh", {"-c", "yes out-line | head -n 100000; yes err-line | head -n 100000 >&2; exit 7"}, true);
    });
    ASSERT_EQ(result.wait_for(std::chrono::seconds(60)), std::future_status::ready) << "the child blocked";
    EXPECT_EQ(result.get(), 7);
    std::string text = log();
    EXPECT_NE(text.find(" - Launching /bin/sh (arguments not listed)\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" - /bin/sh exiting with value 7\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("yes"), std::string::npos) << "arguments reached the log";
}

TEST_F(ProcessUtilTest, EachArgumentReachesTheChildWhole) {
    int rc = ProcessUtil::launchProcess(
        "/bin/sh -c", {"printf '%s|' \"$@\" > args.txt; echo >> args.txt", "sh", "my user", "", "pass word"}, true);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(rltest::readFile("args.txt"), "my user||pass word|\n");
    std::string text = log();
    EXPECT_NE(text.find("Launching /bin/sh -c (arguments not listed)"), std::string::npos) << text;
    EXPECT_EQ(text.find("pass word"), std::string::npos) << text;
}

TEST_F(ProcessUtilTest, AProgramThatCannotStartGivesMinusOneAndNoArguments) {
    EXPECT_EQ(ProcessUtil::launchProcess("/no/such/program", {"secret-password"}, true), -1);
    EXPECT_EQ(ProcessUtil::launchProcess("no-such-program-anywhere", {"secret-password"}, false), -1);
    EXPECT_EQ(ProcessUtil::launchProcess("", {}, true), -1);
    rltest::writeFile("not-executable", "#!/bin/sh\n");
    EXPECT_EQ(ProcessUtil::launchProcess("./not-executable", {}, true), -1);
    std::string text = log();
    EXPECT_NE(text.find(" - Could not launch /no/such/program (arguments not listed)"), std::string::npos) << text;
    EXPECT_NE(text.find(" - Could not launch no-such-program-anywhere (arguments not listed)"), std::string::npos);
    EXPECT_NE(text.find(" - Could not launch ./not-executable (arguments not listed)"), std::string::npos);
    EXPECT_EQ(text.find("secret-password"), std::string::npos) << text;
}

TEST_F(ProcessUtilTest, WithoutWaitingItReturnsAtOnceAndTheChildRunsOn) {
    // The child goes on only once the call has returned: a call that waited
    // for it would never return.
    auto call = std::async(std::launch::async, [] {
        return ProcessUtil::launchProcess(
            "/bin/sh", {"-c", "while [ ! -e go ]; do sleep 0.02; done; echo done > marker.txt; exit 5"}, false);
    });
    const bool returned = call.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    rltest::writeFile("go", "");
    ASSERT_TRUE(returned) << "the call waited for the child";
    EXPECT_EQ(call.get(), 0);
    EXPECT_EQ(awaitFile("marker.txt"), "done\n");
    EXPECT_EQ(log().find("exiting with value"), std::string::npos);
}

TEST_F(ProcessUtilTest, SeparateProcessGetsNullStreamsAndIsNotLeftToUs) {
    ProcessUtil::spawnSeparateProcess(std::vector<std::string>{
        "/bin/sh", "-c",
        "a=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2); s=$(grep SigIgn /proc/$$/status);"
        " p=$(grep PPid /proc/$$/status); echo \"$a\" > fds.tmp; echo \"$s\" >> fds.tmp;"
        " echo \"$p\" >> fds.tmp; mv fds.tmp fds.txt"});
    std::string text;
    for (int i = 0; i < 500 && !rltest::fileExists("fds.txt"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    text = rltest::readFile("fds.txt");
    EXPECT_EQ(text.rfind("/dev/null\n/dev/null\n/dev/null\nSigIgn:", 0), 0u) << text;
    // The child's SIGPIPE is back to its default (bit 13 of the mask clear).
    auto mask = std::stoull(text.substr(text.find(':') + 1), nullptr, 16);
    EXPECT_EQ(mask & (1ull << (SIGPIPE - 1)), 0u) << text;
    // The separate process is not our child, so it never waits on us to be reaped.
    auto ppid = std::stol(text.substr(text.find("PPid:") + 5));
    EXPECT_NE(ppid, static_cast<long>(::getpid())) << text;
    EXPECT_NE(log().find(" - Spawning separate process: /bin/sh -c a=$(readlink"), std::string::npos);

    // This process ignores SIGPIPE once it starts children.
    struct sigaction current {};
    sigaction(SIGPIPE, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_IGN);
}

TEST_F(ProcessUtilTest, SeparateProcessFromOneStringAndItsFailures) {
    ProcessUtil::spawnSeparateProcess("/bin/touch  spawned.txt");
    for (int i = 0; i < 500 && !rltest::fileExists("spawned.txt"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(rltest::fileExists("spawned.txt"));
    EXPECT_THROW(ProcessUtil::spawnSeparateProcess("/no/such/program arg"), std::system_error);
    EXPECT_THROW(ProcessUtil::spawnSeparateProcess(std::vector<std::string>{"no-such-program-anywhere"}),
                 std::system_error);
    std::string text = log();
    EXPECT_NE(text.find(" - Spawning separate process: /bin/touch  spawned.txt\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" - Spawning separate process: no-such-program-anywhere \n"), std::string::npos) << text;
}

TEST(StreamGobbler, CopiesEveryLineInOrderToItsRedirect) {
    sys::Child child = sys::startWithPipes(
        {"/bin/sh", "-c", "i=0; while [ $i -lt 20000 ]; do echo \"line $i\"; i=$((i+1)); done; printf 'cr\\r\\ncrlf\\rlast'"});
    std::ostringstream out;
    auto gobbler = StreamGobbler::create(child.outFd, "OUTPUT", &out);
    auto errors = StreamGobbler::create(child.errFd, "ERROR");
    gobbler->start();
    errors->start();
    ASSERT_TRUE(gobbler->waitForEnd(60000));
    ASSERT_TRUE(errors->waitForEnd(60000));
    EXPECT_EQ(sys::waitForExit(child.pid), 0);
    std::string expected;
    for (int i = 0; i < 20000; ++i) expected += "line " + std::to_string(i) + "\n";
    expected += "cr\ncrlf\nlast\n";
    EXPECT_EQ(out.str(), expected);
    EXPECT_EQ(gobbler->getType(), "OUTPUT");
}
