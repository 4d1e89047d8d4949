#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "foundation/KeyIterator.h"
#include "foundation/Logger.h"
#include "foundation/RegistryException.h"
#include "foundation/RegistryKey.h"
#include "foundation/RegistryUtil.h"
#include "foundation/RegistryValue.h"
#include "foundation/RootKey.h"
#include "foundation/ValueIterator.h"
#include "foundation/ValueType.h"
#include "platform/registry/Registry.h"
#include "tests/support/TempWorkDir.h"

using namespace foundation;

namespace {

const char* const UNINITIALISED = "You must successfuly call method initialize before calling this method.";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("RL_REGISTRY_DIR", (dir.path() + "/registry").c_str(), 1);
        RegistryKey::initialize();
        Logger::close();
        Logger::setLogFilePath("test.log");
        Logger::setLevel(Logger::LEVEL_VERBOSE);
        Logger::setUseConsole(false);
    }
    void TearDown() override {
        Logger::close();
        ::unsetenv("RL_REGISTRY_DIR");
    }
    std::string log() {
        Logger::close();
        return rltest::readFile("test.log");
    }
    static int count(const std::string& text, const std::string& part) {
        int n = 0;
        for (auto pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) ++n;
        return n;
    }
    // Makes the current-user store unreadable: a folder where its file goes.
    void breakStore() {
        std::string file = dir.path() + "/registry/HKEY_CURRENT_USER.reg";
        std::filesystem::remove(file);
        std::filesystem::create_directories(file);
    }
    rltest::TempWorkDir dir;
};

template <class F>
std::string failureOf(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no failure)";
}

}  // namespace

// Runs in a fresh process so that nothing has initialised the layer yet.
TEST(RegistryInitialisation, EverythingWaitsForInitialize) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            bool ok = !RegistryKey::isInitialized();
            ok = ok && failureOf([] { RegistryKey key; }) == UNINITIALISED;
            ok = ok && failureOf([] { RegistryKey key(RootKey::HKEY_LOCAL_MACHINE, "SOFTWARE"); }) == UNINITIALISED;
            ok = ok && failureOf([] { RegistryValue value; }) == UNINITIALISED;
            ok = ok && failureOf([] { RegistryException failure("x"); }) == UNINITIALISED;
            ok = ok && failureOf([] { RegistryKey::checkInitialized(); }) == UNINITIALISED;
            bool linkFailed = false;
            try {
                RegistryKey::initialize("nosuchlib");
            } catch (const reg::LinkError&) {
                linkFailed = true;
            }
            ok = ok && linkFailed && !RegistryKey::isInitialized();
            RegistryKey::initialize();
            ok = ok && RegistryKey::isInitialized() && failureOf([] { RegistryKey key; }) == "(no failure)";
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(RegistryTest, KeysAreNamesWithTheirTextForms) {
    RegistryKey root;
    EXPECT_EQ(root.toString(), "HKEY_CURRENT_USER");
    EXPECT_EQ(root.makePath("A"), "A");
    RegistryKey key(RootKey::HKEY_CURRENT_USER, "Software\\Roamledger");
    EXPECT_EQ(key.toString(), "HKEY_CURRENT_USER\\Software\\Roamledger");
    EXPECT_EQ(key.makePath("A"), "Software\\Roamledger\\A");
    EXPECT_EQ(key.getName(), "Roamledger");
    EXPECT_EQ(RegistryKey("Top").getName(), "Top");
    EXPECT_EQ(RegistryKey(RootKey::HKEY_LOCAL_MACHINE).toString(), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(RootKey::HKEY_DYN_DATA.toString(), "HKEY_DYN_DATA");
    EXPECT_EQ(RootKey::HKEY_CLASSES_ROOT.getHandle(), 0x80000000u);
    EXPECT_EQ(ValueType::REG_DWORD.getNumber(), ValueType::REG_DWORD_LITTLE_ENDIAN.getNumber());
    EXPECT_EQ(ValueType::REG_DWORD_LITTLE_ENDIAN.toString(), "REG_DWORD_LITTLE_ENDIAN");
    EXPECT_FALSE(key.exists()) << "a key object may name a key that does not exist";
}

TEST_F(RegistryTest, ValuesOfEachTypeSurviveTheStore) {
    RegistryKey key(RootKey::HKEY_CURRENT_USER, "Software\\Types");
    key.create();
    struct Case {
        RegistryValue value;
        const char* text;
    };
    Case cases[] = {
        {RegistryValue("Sz", ValueType::REG_SZ, std::string("text with\ttab, \"quotes\" and \xC3\xA9")),
         "text with\ttab, \"quotes\" and \xC3\xA9"},
        {RegistryValue("Expand", ValueType::REG_EXPAND_SZ, std::string("%HOME%\\x")), "%HOME%\\x"},
        {RegistryValue("Dword", 1024), "1024"},
        {RegistryValue("Negative", ValueType::REG_DWORD_LITTLE_ENDIAN, -5), "-5"},
        {RegistryValue("Flag", true), "1"},
        {RegistryValue("Binary", ValueType::REG_BINARY, std::vector<uint8_t>{1, 254}), " 1 -2"},
        {RegistryValue("None", ValueType::REG_NONE, std::vector<uint8_t>{}), ""},
        {RegistryValue("Multi", ValueType::REG_MULTI_SZ, std::vector<uint8_t>{'a', 0, 'b', 0, 0}), " 97 0 98 0 0"},
        {RegistryValue("Link", ValueType::REG_LINK, std::vector<uint8_t>{0x7F, 0x80}), " 127 -128"},
        {RegistryValue("Byte", std::byte{0xFF}), " -1"},
        {RegistryValue("List", ValueType::REG_RESOURCE_LIST, std::vector<uint8_t>{9}), " 9"},
        {RegistryValue("Full", ValueType::REG_FULL_RESOURCE_DESCRIPTOR, std::vector<uint8_t>{10}), " 10"},
        {RegistryValue("Reqs", ValueType::REG_RESOURCE_REQUIREMENTS_LIST, std::vector<uint8_t>{11}), " 11"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value.getStringValue(), c.text) << c.value.getName();
        key.setValue(c.value);
    }
    for (const auto& c : cases) {
        RegistryValue back = key.getValue(c.value.getName());
        EXPECT_EQ(back.getType().getNumber(), c.value.getType().getNumber()) << c.value.getName();
        EXPECT_EQ(back.getStringValue(), c.text) << c.value.getName();
    }
    EXPECT_EQ(key.getValue("Dword").toString(), "Dword:REG_DWORD:1024");
    EXPECT_TRUE(std::holds_alternative<int32_t>(key.getValue("Negative").getData()));
    EXPECT_TRUE(std::holds_alternative<std::string>(key.getValue("Sz").getData()));
}

TEST_F(RegistryTest, ValueFormsAndTheirFailures) {
    RegistryValue empty;
    EXPECT_EQ(empty.getName(), "");
    EXPECT_EQ(empty.getType().getName(), "REG_SZ");
    EXPECT_EQ(failureOf([&] { empty.getStringValue(); }), "Neither name not data may be null");
    EXPECT_THROW(empty.getStringValue(), std::invalid_argument);
    EXPECT_EQ(RegistryValue("n", "text").getType().getName(), "REG_SZ");
    EXPECT_EQ(RegistryValue("n", int64_t{7}).getType().getName(), "REG_DWORD");
    EXPECT_EQ(RegistryValue("n", 1.5).getType().getName(), "REG_BINARY");
    EXPECT_EQ(RegistryValue("n", 1.5f).getStringValue(), " 0 0 -64 63") << "the float's bytes";

    RegistryValue big("Big", ValueType::REG_DWORD_BIG_ENDIAN, 0x01020304);
    EXPECT_EQ(failureOf([&] { big.getStringValue(); }), "Unrecognized data type: REG_DWORD_BIG_ENDIAN");
    EXPECT_THROW(big.getStringValue(), RegistryException);

    RegistryValue changing("Changing", 5);
    changing.setData(std::string("now text"));
    EXPECT_EQ(changing.getType().getName(), "REG_DWORD") << "setData keeps the type";
    changing.setType(ValueType::REG_SZ);
    EXPECT_EQ(changing.getStringValue(), "now text");

    RegistryKey key(RootKey::HKEY_CURRENT_USER, "Software\\Forms");
    key.create();
    key.setValue(big);
    RegistryValue stored = key.getValue("Big");
    EXPECT_EQ(stored.getType().getName(), "REG_DWORD_BIG_ENDIAN");
    EXPECT_EQ(std::get<std::vector<uint8_t>>(stored.getData()), (std::vector<uint8_t>{1, 2, 3, 4}));
    RegistryValue textInDword("Bad", ValueType::REG_DWORD, std::string("12"));
    EXPECT_THROW(key.setValue(textInDword), RegistryException);
    EXPECT_THROW(key.setValue(RegistryValue()), RegistryException) << "a value without data";
    EXPECT_FALSE(key.hasValue("Bad"));
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheirSpelling) {
    RegistryKey key(RootKey::HKEY_CURRENT_USER, "Software\\Lanternbay");
    key.create();
    key.setValue(RegistryValue("WindowLeft", 100));
    RegistryKey other(RootKey::HKEY_CURRENT_USER, "SOFTWARE\\lanternBAY");
    EXPECT_TRUE(other.exists());
    EXPECT_TRUE(other.hasValue("windowleft"));
    other.setValue(RegistryValue("WINDOWLEFT", 200));
    RegistryValue back = key.getValue("WindowLeft");
    EXPECT_EQ(back.getName(), "WindowLeft");
    EXPECT_EQ(back.getStringValue(), "200");
    auto values = key.values();
    ASSERT_TRUE(values.hasNext());
    EXPECT_EQ(values.next().getName(), "WindowLeft");
    EXPECT_FALSE(values.hasNext()) << "one value, not two";

    RegistryKey(RootKey::HKEY_CURRENT_USER, "software\\LANTERNBAY\\Child").create();
    auto subkeys = RegistryKey(RootKey::HKEY_CURRENT_USER, "Software").subkeys();
    ASSERT_TRUE(subkeys.hasNext());
    RegistryKey child = subkeys.next();
    EXPECT_EQ(child.getName(), "Lanternbay") << "the first spelling stays";
    EXPECT_TRUE(key.hasSubkey("CHILD"));
}

TEST_F(RegistryTest, KeysAndValuesComeAndGo) {
    RegistryKey top(RootKey::HKEY_CURRENT_USER, "Software\\Walk");
    EXPECT_FALSE(top.hasValues());
    EXPECT_FALSE(top.hasSubkeys());
    RegistryKey made = top.createSubkey("B");
    EXPECT_TRUE(top.exists()) << "parents are made too";
    EXPECT_EQ(made.getPath(), "Software\\Walk\\B");
    top.createSubkey("a");
    top.createSubkey("C");
    EXPECT_TRUE(top.hasSubkeys());

    std::vector<std::string> names;
    for (auto it = top.subkeys(); it.hasNext();) names.push_back(it.next().getName());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "B", "C"}));
    auto walk = top.subkeys();
    while (walk.hasNext()) walk.next();
    EXPECT_THROW(walk.next(), std::out_of_range);
    EXPECT_EQ(failureOf([&] { walk.remove(); }), "The remove operation is not supported by this Iterator");

    top.setValue(RegistryValue("one", 1));
    top.setValue(RegistryValue("two", "2"));
    EXPECT_TRUE(top.hasValues());
    auto values = top.values();
    EXPECT_EQ(values.next().getStringValue(), "1");
    EXPECT_EQ(values.next().getStringValue(), "2");
    EXPECT_FALSE(values.hasNext());
    EXPECT_THROW(values.next(), RegistryException) << "no stale value after the last";
    EXPECT_THROW(values.remove(), std::logic_error);

    top.deleteValue("ONE");
    EXPECT_FALSE(top.hasValue("one"));
    EXPECT_THROW(top.deleteValue("one"), RegistryException);
    EXPECT_THROW(top.getValue("one"), RegistryException);
    EXPECT_THROW(top.deleteKey(), RegistryException) << "a key with sub-keys stays";
    made.deleteKey();
    EXPECT_FALSE(top.hasSubkey("B"));
    EXPECT_THROW(RegistryKey(RootKey::HKEY_CURRENT_USER, "Software\\Missing").setValue(RegistryValue("x", 1)),
                 RegistryException);
    EXPECT_THROW(RegistryKey(RootKey::HKEY_CURRENT_USER, "Software\\Missing").values(), RegistryException);
}

TEST_F(RegistryTest, UtilReadsAndWritesSoftly) {
    RegistryUtil util = RegistryUtil::getCurrentUserInstance("Software\\Lanternbay");
    EXPECT_EQ(util.getInt("WindowTop", 33), 33) << "a missing key";
    EXPECT_EQ(util.getString("WindowTop", "none"), "none");
    util.setInt("WindowTop", 1024);
    RegistryKey key(RootKey::HKEY_CURRENT_USER, "Software\\Lanternbay");
    EXPECT_TRUE(key.exists());
    EXPECT_EQ(key.getValue("WindowTop").getType().getName(), "REG_DWORD");
    EXPECT_EQ(util.getInt("WindowTop", 0), 1024);
    EXPECT_EQ(RegistryUtil::getCurrentUserInstance("SOFTWARE\\LANTERNBAY").getInt("windowtop", 0), 1024);
    EXPECT_EQ(util.getString("WindowTop", "none"), "1024");
    EXPECT_EQ(util.getInt("Missing", -7), -7) << "a missing value in an existing key";
    util.setInt("WindowTop", -3);
    EXPECT_EQ(util.getInt("WindowTop", 0), -3);
    key.setValue(RegistryValue("Address", "https://upgrade.example/check"));
    EXPECT_EQ(util.getString("Address", ""), "https://upgrade.example/check");
    EXPECT_EQ(log(), "") << "nothing above is a failure";
}

TEST_F(RegistryTest, UtilLogsFailuresAndGivesTheDefault) {
    RegistryKey key(RootKey::HKEY_CURRENT_USER, "Software\\Odd");
    key.create();
    key.setValue(RegistryValue("Text", "12"));
    key.setValue(RegistryValue("Big", ValueType::REG_DWORD_BIG_ENDIAN, 1));
    RegistryUtil util = RegistryUtil::getCurrentUserInstance("Software\\Odd");
    EXPECT_EQ(util.getInt("Text", 9), 9) << "text is not an integer";
    EXPECT_EQ(util.getString("Big", "dflt"), "dflt") << "no text form";
    std::string text = log();
    EXPECT_EQ(count(text, " - Error getting registry key Text: "), 1) << text;
    EXPECT_EQ(count(text, " - Error getting registry key Big: "), 1) << text;

    RegistryUtil::getLocalMachineInstance("SOFTWARE\\Mine").setInt("Count", 5);
    EXPECT_EQ(count(log(), " - Error setting registry key Count to 5: "), 1);

    breakStore();
    EXPECT_EQ(util.getString("Text", "fallback"), "fallback");
    EXPECT_EQ(util.getInt("Text", 4), 4);
    util.setInt("Other", 1);
    text = log();
    EXPECT_EQ(count(text, "Error getting registry key Text"), 3) << text;
    EXPECT_EQ(count(text, "Error setting registry key Other to 1"), 1) << text;
}

TEST_F(RegistryTest, LocalMachineIsReadOnlyAndHoldsMachineFacts) {
    RegistryKey processor(RootKey::HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0");
    RegistryKey system(RootKey::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
    EXPECT_TRUE(system.hasValue("CSDVersion")) << "the kernel release";
    EXPECT_FALSE(system.getValue("CSDVersion").getStringValue().empty());
    EXPECT_TRUE(processor.exists());
    EXPECT_EQ(failureOf([&] { processor.setValue(RegistryValue("x", 1)); }), "Access is denied.");
    EXPECT_THROW(RegistryKey(RootKey::HKEY_LOCAL_MACHINE, "SOFTWARE\\New").create(), RegistryException);
    EXPECT_THROW(system.deleteValue("CSDVersion"), RegistryException);
    EXPECT_TRUE(system.hasValue("CSDVersion"));
}
