#include "platform/system/Process.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "tests/support/TempWorkDir.h"

namespace {

std::string readAll(int fd) {
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
    ::close(fd);
    return out;
}

int errorOf(const std::vector<std::string>& argv) {
    try {
        sys::Child child = sys::startWithPipes(argv);
        ::close(child.outFd);
        ::close(child.errFd);
        sys::waitForExit(child.pid);
    } catch (const std::system_error& e) {
        return e.code().value();
    }
    return 0;
}

}  // namespace

TEST(Process, CommandStringsSplitAtBlanksWithoutQuoting) {
    EXPECT_EQ(sys::splitCommandLine("  Navigator  key user\tpass "),
              (std::vector<std::string>{"Navigator", "key", "user", "pass"}));
    EXPECT_EQ(sys::splitCommandLine("a \"b c\""), (std::vector<std::string>{"a", "\"b", "c\""}));
    EXPECT_TRUE(sys::splitCommandLine("   ").empty());
}

TEST(Process, StreamsAndExitValues) {
    sys::Child child = sys::startWithPipes({"sh", "-c", "echo out; echo err >&2; read x; echo \"in=$x\"; exit 3"});
    std::string out = readAll(child.outFd);
    std::string err = readAll(child.errFd);
    EXPECT_EQ(sys::waitForExit(child.pid), 3);
    EXPECT_EQ(out, "out\nin=\n") << "standard input is empty";
    EXPECT_EQ(err, "err\n");

    child = sys::startWithPipes({"/bin/sh", "-c", "kill -9 $$"});
    ::close(child.outFd);
    ::close(child.errFd);
    EXPECT_EQ(sys::waitForExit(child.pid), 128 + 9);
}

TEST(Process, StartFailuresAreReportedHere) {
    rltest::TempWorkDir dir;
    rltest::writeFile("plain", "#!/bin/sh\necho hi\n");
    EXPECT_EQ(errorOf({"/no/such/program"}), ENOENT);
    EXPECT_EQ(errorOf({"no-such-program-anywhere"}), ENOENT);
    EXPECT_EQ(errorOf({}), ENOENT);
    EXPECT_EQ(errorOf({"./plain"}), EACCES);
    EXPECT_EQ(errorOf({dir.path()}), EACCES);
    try {
        sys::startDetached({"/no/such/program"});
        ADD_FAILURE() << "no failure";
    } catch (const std::system_error& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot run program \"/no/such/program\""), std::string::npos);
    }
}

TEST(Process, ChildrenInheritNoOtherDescriptors) {
    int leak[2];
    ASSERT_EQ(::pipe(leak), 0);  // deliberately without close-on-exec
    sys::Child child = sys::startWithPipes(
        {"/bin/sh", "-c", "[ -e /proc/$$/fd/" + std::to_string(leak[1]) + " ] && echo leaked || echo clean"});
    EXPECT_EQ(readAll(child.outFd), "clean\n");
    ::close(child.errFd);
    EXPECT_EQ(sys::waitForExit(child.pid), 0);
    ::close(leak[0]);
    ::close(leak[1]);
}

TEST(Process, InputReachesTheChildsStandardInputWhichThenEnds) {
    const std::string input = std::string("Delta") + '\0' + "p@ss w\n" + '\0';
    sys::Child child = sys::startWithPipes({"/bin/sh", "-c", "od -An -c; echo end"}, input);
    const std::string out = readAll(child.outFd);
    ::close(child.errFd);
    EXPECT_EQ(sys::waitForExit(child.pid), 0);
    // Every byte arrived, NULs included, and the input ended (od stopped).
    EXPECT_NE(out.find("D   e   l   t   a  \\0   p   @   s   s       w  \\n  \\0"), std::string::npos) << out;
    EXPECT_NE(out.find("end\n"), std::string::npos) << out;

    // A child that never reads its input neither blocks nor breaks the start.
    child = sys::startWithPipes({"/bin/sh", "-c", "exit 4"}, std::string(100, 'x'));
    ::close(child.outFd);
    ::close(child.errFd);
    EXPECT_EQ(sys::waitForExit(child.pid), 4);
}
