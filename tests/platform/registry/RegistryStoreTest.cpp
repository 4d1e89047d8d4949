#include "platform/registry/Registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempWorkDir.h"

namespace fs = std::filesystem;
using reg::HKEY_CURRENT_USER;
using reg::HKEY_LOCAL_MACHINE;

namespace {

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        store = dir.path() + "/store";
        ::setenv("RL_REGISTRY_DIR", store.c_str(), 1);
        reg::resetLocalMachineFacts();
    }
    void TearDown() override {
        ::unsetenv("RL_REGISTRY_DIR");
        reg::resetLocalMachineFacts();
    }
    std::string userFile() const { return store + "/HKEY_CURRENT_USER.reg"; }
    rltest::TempWorkDir dir;
    std::string store;
};

reg::Value text(const std::string& name, const std::string& data) {
    reg::Value v;
    v.name = name;
    v.type = reg::REG_SZ;
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

// A child process that writes count values of its own into the shared key.
pid_t writer(const std::string& prefix, int count) {
    pid_t pid = ::fork();
    if (pid == 0) {
        try {
            for (int i = 0; i < count; ++i) reg::setValue(HKEY_CURRENT_USER, "Software\\Shared", dword(prefix + std::to_string(i), i));
            reg::create(HKEY_CURRENT_USER, "Software\\Shared\\" + prefix);
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    return pid;
}

}  // namespace

TEST_F(RegistryStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
    reg::create(HKEY_CURRENT_USER, "Software\\Shared");
    const int each = 150;
    pid_t a = writer("first", each);
    pid_t b = writer("second", each);
    // This process writes too, from two threads.
    std::thread t1([] {
        for (int i = 0; i < 50; ++i) reg::setValue(HKEY_CURRENT_USER, "Software\\Shared", dword("t1-" + std::to_string(i), i));
    });
    std::thread t2([] {
        for (int i = 0; i < 50; ++i) reg::setValue(HKEY_CURRENT_USER, "Software\\Shared", dword("t2-" + std::to_string(i), i));
    });
    t1.join();
    t2.join();
    int sa = 0, sb = 0;
    ::waitpid(a, &sa, 0);
    ::waitpid(b, &sb, 0);
    ASSERT_TRUE(WIFEXITED(sa) && WEXITSTATUS(sa) == 0);
    ASSERT_TRUE(WIFEXITED(sb) && WEXITSTATUS(sb) == 0);
    auto names = reg::valueNames(HKEY_CURRENT_USER, "Software\\Shared");
    std::set<std::string> unique(names.begin(), names.end());
    EXPECT_EQ(names.size(), 2u * each + 100u);
    EXPECT_EQ(unique.size(), names.size());
    for (int i = 0; i < each; ++i) {
        EXPECT_EQ(reg::getValue(HKEY_CURRENT_USER, "Software\\Shared", "first" + std::to_string(i)).number, i);
        EXPECT_EQ(reg::getValue(HKEY_CURRENT_USER, "Software\\Shared", "second" + std::to_string(i)).number, i);
    }
    EXPECT_EQ(reg::subkeyNames(HKEY_CURRENT_USER, "Software\\Shared"), (std::vector<std::string>{"first", "second"}));
    for (const auto& entry : fs::directory_iterator(store)) {
        EXPECT_EQ(entry.path().string().find(".tmp."), std::string::npos) << "left over: " << entry.path();
    }
}

TEST_F(RegistryStoreTest, AwkwardTextsSurviveTheFile) {
    reg::create(HKEY_CURRENT_USER, "Key with\ttab\\and %25 percent");
    std::string data = "line one\nline two\r\ttabbed 100% \xE2\x82\xAC \x01";
    reg::setValue(HKEY_CURRENT_USER, "Key with\ttab\\and %25 percent", text("na=me\twith\nbreaks", data));
    reg::setValue(HKEY_CURRENT_USER, "Key with\ttab\\and %25 percent", text("", "default value"));
    reg::Value bytes;
    bytes.name = "bytes";
    bytes.type = reg::REG_BINARY;
    bytes.bytes = {0, 10, 13, 255};
    reg::setValue(HKEY_CURRENT_USER, "Key with\ttab\\and %25 percent", bytes);
    reg::setValue(HKEY_CURRENT_USER, "", dword("AtTheRoot", -2147483647 - 1));

    EXPECT_EQ(reg::getValue(HKEY_CURRENT_USER, "KEY WITH\tTAB\\AND %25 PERCENT", "NA=ME\tWITH\nBREAKS").text, data);
    EXPECT_EQ(reg::getValue(HKEY_CURRENT_USER, "Key with\ttab\\and %25 percent", "").text, "default value");
    EXPECT_EQ(reg::getValue(HKEY_CURRENT_USER, "Key with\ttab\\and %25 percent", "bytes").bytes, bytes.bytes);
    EXPECT_EQ(reg::getValue(HKEY_CURRENT_USER, "", "attheroot").number, -2147483647 - 1);
    EXPECT_EQ(reg::subkeyNames(HKEY_CURRENT_USER, ""), (std::vector<std::string>{"Key with\ttab"}));
    // Every record is one line of the file.
    std::string file = rltest::readFile(userFile());
    int lines = 0;
    for (char c : file) lines += c == '\n';
    EXPECT_EQ(lines, 1 + 2 + 2 + 3) << file;  // header, root and its value, two keys, three values
}

TEST_F(RegistryStoreTest, PathsIgnoreEmptyComponents) {
    reg::create(HKEY_CURRENT_USER, "\\Software\\\\Lanternbay\\");
    EXPECT_TRUE(reg::exists(HKEY_CURRENT_USER, "Software\\Lanternbay"));
    EXPECT_TRUE(reg::exists(HKEY_CURRENT_USER, ""));
    EXPECT_FALSE(reg::exists(HKEY_CURRENT_USER, "Software\\Lantern"));
    EXPECT_THROW(reg::deleteKey(HKEY_CURRENT_USER, ""), reg::RegistryError);
    EXPECT_THROW(reg::deleteKey(HKEY_CURRENT_USER, "Software\\Nothing"), reg::RegistryError);
}

TEST_F(RegistryStoreTest, ADamagedFileIsReadAsFarAsItGoesAndKeptAside) {
    fs::create_directories(store);
    std::string damaged =
        "# Registry store HKEY_CURRENT_USER\n"
        "K\tSoftware\\Good\n"
        "V\tKept\t4\t42\n"
        "V\tBroken\t4\tnot-a-number\n"
        "garbage line\n"
        "V\tAlsoKept\t1\tfine\n";
    rltest::writeFile(userFile(), damaged);
    EXPECT_EQ(reg::getValue(HKEY_CURRENT_USER, "Software\\Good", "Kept").number, 42);
    EXPECT_EQ(reg::getValue(HKEY_CURRENT_USER, "Software\\Good", "AlsoKept").text, "fine");
    EXPECT_FALSE(reg::hasValue(HKEY_CURRENT_USER, "Software\\Good", "Broken"));

    reg::setValue(HKEY_CURRENT_USER, "Software\\Good", dword("New", 1));
    EXPECT_EQ(rltest::readFile(userFile() + ".damaged"), damaged) << "what could not be read is kept";
    EXPECT_EQ(reg::getValue(HKEY_CURRENT_USER, "Software\\Good", "Kept").number, 42);
    EXPECT_EQ(rltest::readFile(userFile()).find("garbage"), std::string::npos);
}

TEST_F(RegistryStoreTest, UnreadableStoreIsAnErrorNotAnEmptyStore) {
    fs::create_directories(userFile());
    EXPECT_THROW(reg::hasValue(HKEY_CURRENT_USER, "Software", "x"), reg::RegistryError);
    EXPECT_THROW(reg::create(HKEY_CURRENT_USER, "Software"), reg::RegistryError);
    EXPECT_THROW(reg::exists(0x12345678u, "x"), reg::RegistryError) << "an unknown root";
    EXPECT_FALSE(reg::hasValue(HKEY_CURRENT_USER + 4, "Software", "x")) << "another root is fine";
}

TEST_F(RegistryStoreTest, StoreFolderFollowsTheEnvironment) {
    EXPECT_EQ(reg::storeDirectory(), store);
    ::unsetenv("RL_REGISTRY_DIR");
    std::string home = ::getenv("HOME") ? ::getenv("HOME") : "";
    std::string xdg = ::getenv("XDG_CONFIG_HOME") ? ::getenv("XDG_CONFIG_HOME") : "";
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(reg::storeDirectory(), "/cfg/Lanternbay/registry");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(reg::storeDirectory(), "/home/someone/.config/Lanternbay/registry");
    if (!xdg.empty()) ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    ::setenv("HOME", home.c_str(), 1);
}

TEST_F(RegistryStoreTest, LoadingAndTheLibraryName) {
    EXPECT_THROW(reg::loadLibrary("other"), reg::LinkError);
    reg::loadLibrary("winreg");
    EXPECT_TRUE(reg::isLoaded());
    EXPECT_NO_THROW(reg::test());
}

TEST_F(RegistryStoreTest, LocalMachineFactsComeFromTheMachine) {
    rltest::writeFile("cpuinfo",
                      "processor\t: 0\n"
                      "vendor_id\t: GenuineIntel\n"
                      "cpu family\t: 6\n"
                      "model\t\t: 158\n"
                      "model name\t: Intel(R) Core(TM) i7 CPU @ 3.00GHz\n"
                      "stepping\t: 10\n"
                      "cpu MHz\t\t: 2994.5\n"
                      "\n"
                      "processor\t: 1\n"
                      "model name\t: second\n");
    reg::setMachineFactSources(dir.file("cpuinfo"), dir.file("none"));
    const std::string cpu = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
    EXPECT_EQ(reg::getValue(HKEY_LOCAL_MACHINE, cpu, "ProcessorNameString").text, "Intel(R) Core(TM) i7 CPU @ 3.00GHz");
    EXPECT_NE(reg::getValue(HKEY_LOCAL_MACHINE, cpu, "Identifier").text.find("Family 6 Model 158 Stepping 10"),
              std::string::npos);
    reg::Value mhz = reg::getValue(HKEY_LOCAL_MACHINE, cpu, "~mhz");
    EXPECT_EQ(mhz.type, reg::REG_DWORD);
    EXPECT_EQ(mhz.number, 2995);
    EXPECT_TRUE(reg::exists(HKEY_LOCAL_MACHINE, "hardware\\description"));
    EXPECT_THROW(reg::setValue(HKEY_LOCAL_MACHINE, cpu, dword("x", 1)), reg::RegistryError);
    EXPECT_THROW(reg::create(HKEY_LOCAL_MACHINE, "SOFTWARE\\New"), reg::RegistryError);
    EXPECT_FALSE(fs::exists(store + "/HKEY_LOCAL_MACHINE.reg"));

    // A table without speed or name: the frequency file, then nothing.
    rltest::writeFile("cpuinfo", "processor\t: 0\nBogoMIPS\t: 50.00\n");
    rltest::writeFile("freq", "1800000\n");
    reg::setMachineFactSources(dir.file("cpuinfo"), dir.file("freq"));
    EXPECT_EQ(reg::getValue(HKEY_LOCAL_MACHINE, cpu, "~MHz").number, 1800);
    EXPECT_FALSE(reg::hasValue(HKEY_LOCAL_MACHINE, cpu, "ProcessorNameString"));
    reg::setMachineFactSources(dir.file("missing"), dir.file("missing"));
    EXPECT_FALSE(reg::hasValue(HKEY_LOCAL_MACHINE, cpu, "~MHz"));

    // Other layers add and hide facts.
    reg::setLocalMachineFact("SOFTWARE\\Microsoft\\Internet Explorer", text("Version", "6.5"));
    EXPECT_EQ(reg::getValue(HKEY_LOCAL_MACHINE, "software\\microsoft\\internet explorer", "VERSION").text, "6.5");
    reg::removeLocalMachineFact("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "csdversion");
    EXPECT_FALSE(reg::hasValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CSDVersion"));
    reg::resetLocalMachineFacts();
    EXPECT_TRUE(reg::hasValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CSDVersion"));
    EXPECT_FALSE(reg::exists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer"));
}
