// tiraleaf-host as a user starts it: it shows the control, lists its
// events, saves a picture of its window and ends on its own; a wrong
// command line or a missing display is told plainly.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/system/Process.h"
#include "tests/support/TempWorkDir.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string drain(int fd) {
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    ::close(fd);
    return text;
}

Outcome run(const std::vector<std::string>& argv) {
    sys::Child child = sys::startWithPipes(argv);
    Outcome r;
    r.out = drain(child.outFd);
    r.err = drain(child.errFd);
    r.status = sys::waitForExit(child.pid);
    return r;
}

TEST(HostTool, ShowsTheControlAndSavesAPictureOfIt) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display: run under xvfb-run";
    rltest::TempWorkDir work;
    std::filesystem::create_directories(work.file("content/js"));
    rltest::writeFile(work.file("content/js/core-pref.ini"), "-\r\n");
    ::setenv("RL_REGISTRY_DIR", work.file("registry").c_str(), 1);
    Outcome r = run({TIRALEAF_HOST_TOOL, "--root", work.path(), "--seconds", "2", "--screenshot", work.file("shot.png")});
    ::unsetenv("RL_REGISTRY_DIR");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("6 OnPreferencesUpdate3 ["), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("saved " + work.file("shot.png")), std::string::npos) << r.out;
    EXPECT_GT(std::filesystem::file_size(work.file("shot.png")), 1000u);
    EXPECT_TRUE(rltest::fileExists(work.file("content/js/core-pref.js")));
}

TEST(HostTool, AWrongCommandLineOrNoDisplayIsTold) {
    Outcome wrong = run({TIRALEAF_HOST_TOOL, "--bogus"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find("usage: tiraleaf-host"), std::string::npos);
    Outcome both = run({TIRALEAF_HOST_TOOL, "--menu", "--preferences"});
    EXPECT_EQ(both.status, 2);
    Outcome headless = run({"env", "-u", "DISPLAY", TIRALEAF_HOST_TOOL});
    EXPECT_EQ(headless.status, 1);
    EXPECT_NE(headless.err.find("no window system: DISPLAY is not set"), std::string::npos);
}

}  // namespace
