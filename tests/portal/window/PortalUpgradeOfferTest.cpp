// An upgrade offered at the portal's start and refused by the user: the
// question is asked once, the portal goes on, and no later check of the
// run asks again. (Its own program: an offer marks the process.)

#include "tests/portal/window/PortalFixture.h"

namespace rltest::portaltest {
namespace {

constexpr const char* CHECK_PATH = "/lanternbay/upgrade.php";

TEST_F(PortalTest, ARefusedUpgradeLeavesThePortalRunningAndIsNotOfferedAgain) {
    writeFile(dir.file("Lanternbay.versions"), "core=12\n");
    content::scriptContentSites(web, "");
    site(content::PRODUCT_HOST)
        .on("POST", CHECK_PATH, Answer::page("https://files.lanternbay.example/components/\r\ncore=13=core13.zip\r\n"));
    driver.answerButton(tk::NO);

    LBApp& portal = start(false);
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    EXPECT_EQ(driver.shownDialogs()[0].style & (tk::YES | tk::NO), tk::YES | tk::NO);
    EXPECT_TRUE(logged(" - User chose not to download and install upgrades\n"));
    EXPECT_TRUE(endStatuses.empty());
    EXPECT_FALSE(portal.getShell()->isDisposed());
    EXPECT_FALSE(fileExists(dir.file("upgrades/Lanternbay.versions.tmp")));

    // The second check of the run comes after the refresh and asks nothing.
    ASSERT_TRUE(finishRefresh());
    EXPECT_EQ(portal.getNumUpgradeChecks(), 2);
    EXPECT_EQ(web.site(content::PRODUCT_HOST).requests("POST", CHECK_PATH).size(), 1u);
    EXPECT_EQ(driver.shownDialogs().size(), 1u);
}

}  // namespace
}  // namespace rltest::portaltest
