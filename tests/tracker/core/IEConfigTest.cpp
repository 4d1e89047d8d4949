// The Internet options launcher: its command from the host table.

#include <gtest/gtest.h>

#include "foundation/HostTable.h"
#include "tests/tracker/core/EngineTestKit.h"
#include "tracker/core/IEConfig.h"

namespace {

using namespace rltest;
using tracker::IEConfig;

class IEConfigTest : public ::testing::Test {
protected:
    void useHosts(const std::string& text) {
        writeFile(world.dir.file("hosts.properties"), text);
        foundation::HostTable::reload();
    }
    void TearDown() override {
        std::remove(world.dir.file("hosts.properties").c_str());
        foundation::HostTable::reload();
    }
    EngineWorld world;
};

TEST_F(IEConfigTest, WithoutACommandOnlyLogs) {
    useHosts("# nothing here\n");
    IEConfig::displayOptions();
    EXPECT_NE(world.log().find("Could not launch"), std::string::npos);
}

TEST_F(IEConfigTest, EachPressStartsTheConfiguredProgram) {
    writeFile(world.dir.file("opened.sh"), "echo \"$1\" >> opened.txt\n");
    useHosts(std::string(IEConfig::COMMAND_ROLE) + "=/bin/sh opened.sh network\n");
    IEConfig::displayOptions();
    IEConfig::displayOptions();
    ASSERT_TRUE(eventually([&] { return world.read("opened.txt") == "network\nnetwork\n"; }))
        << world.read("opened.txt");
    EXPECT_EQ(world.log().find("Could not launch"), std::string::npos);
}

TEST_F(IEConfigTest, AProgramThatCannotStartIsLogged) {
    useHosts(std::string(IEConfig::COMMAND_ROLE) + "=/no/such/program --panel\n");
    IEConfig::displayOptions();
    EXPECT_TRUE(eventually([&] { return world.log().find("Could not launch /no/such/program") != std::string::npos; }))
        << world.log();
}

}  // namespace
