#include "foundation/EnvUtil.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "foundation/Logger.h"
#include "platform/registry/Registry.h"
#include "tests/support/TempWorkDir.h"

using foundation::EnvUtil;

namespace {

const char* const NT_KEY = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char* const WIN_KEY = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const CPU_KEY = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
const char* const ZONES = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\";

reg::Value text(const std::string& name, const std::string& data) {
    reg::Value v;
    v.name = name;
    v.text = data;
    return v;
}

reg::Value dword(const std::string& name, int32_t data) {
    reg::Value v;
    v.name = name;
    v.type = reg::REG_DWORD;
    v.number = data;
    return v;
}

class EnvUtilTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("RL_REGISTRY_DIR", dir.file("registry").c_str(), 1);
        foundation::Logger::setLevel(foundation::Logger::LEVEL_NONE);
        reg::resetLocalMachineFacts();
    }
    void TearDown() override {
        reg::resetLocalMachineFacts();
        EnvUtil::setResolutionProvider(nullptr);
        EnvUtil::setTitleBarHeightProvider(nullptr);
        ::unsetenv("RL_REGISTRY_DIR");
    }
    rltest::TempWorkDir dir;
};

}  // namespace

TEST_F(EnvUtilTest, WorkingFolderWithAndWithoutSeparator) {
    EXPECT_EQ(EnvUtil::getWorkingDirectory(false), dir.path());
    EXPECT_EQ(EnvUtil::getWorkingDirectory(true), dir.path() + "/");
    EXPECT_EQ(EnvUtil::getWorkingDirectory(), dir.path() + "/");
    ASSERT_EQ(::chdir("/"), 0);
    EXPECT_EQ(EnvUtil::getWorkingDirectory(true), "/") << "a root folder gets no second separator";
    EXPECT_EQ(EnvUtil::getWorkingDirectory(false), "/");
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
}

TEST_F(EnvUtilTest, OperatingSystemDetailsFallBackToTheVersionNumber) {
    EXPECT_EQ(EnvUtil::getOperatingSystem(), "Linux");
    EXPECT_NE(EnvUtil::getOperatingSystemDetails(), "Unknown") << "the kernel release stands in";

    reg::setLocalMachineFact(NT_KEY, text("CSDVersion", "Service Pack 2"));
    EXPECT_EQ(EnvUtil::getOperatingSystemDetails(), "Service Pack 2");

    reg::removeLocalMachineFact(NT_KEY, "CSDVersion");
    EXPECT_EQ(EnvUtil::getOperatingSystemDetails(), "Unknown");
    reg::setLocalMachineFact(WIN_KEY, text("VersionNumber", "4.10.2222"));
    EXPECT_EQ(EnvUtil::getOperatingSystemDetails(), "4.10.2222 Unknown");
    reg::setLocalMachineFact(WIN_KEY, text("SubVersionNumber", " A "));
    EXPECT_EQ(EnvUtil::getOperatingSystemDetails(), "4.10.2222 A");
}

TEST_F(EnvUtilTest, ProcessorFacts) {
    rltest::writeFile("cpuinfo", "processor\t: 0\nmodel name\t:   Some CPU @ 2.00GHz  \ncpu MHz\t\t: 1999.9\n");
    reg::setMachineFactSources(dir.file("cpuinfo"), dir.file("none"));
    EXPECT_EQ(EnvUtil::getProcessorName(), "Some CPU @ 2.00GHz");
    EXPECT_EQ(EnvUtil::getMHz(), "2000");

    reg::setLocalMachineFact(CPU_KEY, text("ProcessorNameString", "\t Padded name \x01"));
    EXPECT_EQ(EnvUtil::getProcessorName(), "Padded name") << "blanks and control characters trimmed";
    reg::removeLocalMachineFact(CPU_KEY, "ProcessorNameString");
    reg::setLocalMachineFact(CPU_KEY, text("Identifier", "x86 Family 6 Model 15 Stepping 6 "));
    EXPECT_EQ(EnvUtil::getProcessorName(), "x86 Family 6 Model 15 Stepping 6");

    reg::setMachineFactSources(dir.file("none"), dir.file("none"));
    reg::removeLocalMachineFact(CPU_KEY, "Identifier");
    EXPECT_EQ(EnvUtil::getMHz(), "Unknown");
    EXPECT_EQ(EnvUtil::getProcessorName(), "Unknown");
}

TEST_F(EnvUtilTest, BrowserFacts) {
    EXPECT_EQ(EnvUtil::getIEVersion(), "Unknown");
    reg::setLocalMachineFact("SOFTWARE\\Microsoft\\Internet Explorer", text("Version", "6.5.1"));
    EXPECT_EQ(EnvUtil::getIEVersion(), "6.5.1");

    const struct {
        int setting;
        const char* answer;
    } zones[] = {{0, "Enabled"}, {1, "Prompt"}, {3, "Disabled"}, {2, "Unknown"}, {-1, "Unknown"}};
    for (const auto& z : zones) {
        reg::setLocalMachineFact(std::string(ZONES) + "3", dword("1400", z.setting));
        EXPECT_EQ(EnvUtil::getJavaScriptEnabled("3"), z.answer) << z.setting;
    }
    EXPECT_EQ(EnvUtil::getJavaScriptEnabled("1"), "Unknown") << "a zone without the value";
    reg::setLocalMachineFact(std::string(ZONES) + "1", text("1400", "0"));
    EXPECT_EQ(EnvUtil::getJavaScriptEnabled("1"), "Unknown") << "a value that is not an integer";
}

TEST_F(EnvUtilTest, WindowFactsWaitForTheWindowLayer) {
    EXPECT_EQ(EnvUtil::getResolution(), "Unknown");
    EXPECT_EQ(EnvUtil::getTitleBarHeight(), 26);
    EnvUtil::setResolutionProvider([] { return std::make_pair(1024, 768); });
    EnvUtil::setTitleBarHeightProvider([] { return 31; });
    EXPECT_EQ(EnvUtil::getResolution(), "1024x768");
    EXPECT_EQ(EnvUtil::getTitleBarHeight(), 31);
    EnvUtil::setResolutionProvider([]() -> std::pair<int, int> { throw std::runtime_error("no display"); });
    EnvUtil::setTitleBarHeightProvider([]() -> int { throw std::runtime_error("no window"); });
    EXPECT_EQ(EnvUtil::getResolution(), "Unknown");
    EXPECT_EQ(EnvUtil::getTitleBarHeight(), 26);
}
