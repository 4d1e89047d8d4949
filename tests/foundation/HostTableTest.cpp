#include "foundation/HostTable.h"

#include <gtest/gtest.h>

#include "tests/support/LogCapture.h"
#include "tests/support/TempWorkDir.h"

using foundation::HostTable;

class HostTableTest : public ::testing::Test {
protected:
    void TearDown() override { HostTable::reload(); }
};

TEST_F(HostTableTest, CompiledInRolesAndTheirParts) {
    HostTable::reload();
    std::string product = HostTable::get("ProductServer.site");
    EXPECT_EQ(product.rfind("https://", 0), 0u) << product << ": upgrades come from an https server only";
    // The product server has no public host.
    EXPECT_EQ(product.substr(product.size() - 8), ".example");
    EXPECT_EQ(HostTable::url("ProductServer.site", "/lanternbay/upgrade.php"), product + "/lanternbay/upgrade.php");
    EXPECT_EQ(HostTable::scheme("DinersClub.site"), "https");
    EXPECT_TRUE(HostTable::has("AirMilesMart.site"));
    std::string host = HostTable::host("DinersClub.site");
    ASSERT_EQ(host.rfind("www.", 0), 0u);
    EXPECT_EQ(HostTable::domain("DinersClub.site"), host.substr(4));
}

TEST_F(HostTableTest, UnknownRolesGiveEmptyTextAndOneErrorLine) {
    rltest::LogCapture log;
    HostTable::reload();
    EXPECT_EQ(HostTable::get("Nowhere.site"), "");
    EXPECT_EQ(HostTable::get("Nowhere.site"), "");
    EXPECT_EQ(HostTable::url("Nowhere.site", "/x"), "/x");
    EXPECT_EQ(HostTable::host("Nowhere.site"), "");
    EXPECT_FALSE(HostTable::has("Elsewhere.site"));
    EXPECT_EQ(log.count("Unknown host role: Nowhere.site"), 1u);
    EXPECT_EQ(log.count("Elsewhere.site"), 0u);
}

TEST_F(HostTableTest, TheWorkingFolderFileOverridesAndAdds) {
    rltest::TempWorkDir dir;
    rltest::writeFile(dir.file("hosts.properties"),
                      "# local test install\r\n"
                      "\r\n"
                      "ProductServer.site = https://updates.local.test:8443/\r\n"
                      "! another comment\n"
                      "Local.site:http://[::1]:8080\n"
                      "Long.site=http://long.\\\n"
                      "    example.test\n"
                      "no separator here\n");
    HostTable::reload();
    EXPECT_EQ(HostTable::get("ProductServer.site"), "https://updates.local.test:8443");
    EXPECT_EQ(HostTable::host("ProductServer.site"), "updates.local.test");
    EXPECT_EQ(HostTable::get("Local.site"), "http://[::1]:8080");
    EXPECT_EQ(HostTable::host("Local.site"), "[::1]");
    EXPECT_EQ(HostTable::get("Long.site"), "http://long.example.test");
    // Compiled-in roles not named by the file stay.
    EXPECT_TRUE(HostTable::has("DinersClub.site"));
}

TEST_F(HostTableTest, ARoleDefinedTwiceInTheCompiledFilesKeepsTheFirst) {
    rltest::LogCapture log;
    std::map<std::string, std::string> table;
    HostTable::parseInto("A.site=http://first.example\n", table, false, "a.properties");
    HostTable::parseInto("A.site=http://second.example\nB.site=http://b.example\n", table, false, "b.properties");
    EXPECT_EQ(table["A.site"], "http://first.example");
    EXPECT_EQ(table["B.site"], "http://b.example");
    EXPECT_TRUE(log.contains("Host role A.site defined again in b.properties; keeping http://first.example"));
    HostTable::parseInto("A.site=http://override.example\n", table, true, "hosts.properties");
    EXPECT_EQ(table["A.site"], "http://override.example");
}
