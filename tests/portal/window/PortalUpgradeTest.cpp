// The portal's upgrade checks against an imitation product server: one at
// the start, one after the first completed refresh, never a third.

#include "tests/portal/window/PortalFixture.h"

namespace rltest::portaltest {
namespace {

constexpr const char* CHECK_PATH = "/lanternbay/upgrade.php";

class PortalUpgrade : public PortalTest {
protected:
    PortalUpgrade() {
        writeFile(dir.file("Lanternbay.versions"), "core=12\n");
        content::scriptContentSites(web, "");
        // Nothing newer than what is installed.
        site(content::PRODUCT_HOST).on("POST", CHECK_PATH, Answer::page(""));
    }

    std::vector<Request> checks() { return web.site(content::PRODUCT_HOST).requests("POST", CHECK_PATH); }
};

TEST_F(PortalUpgrade, TheStartAndTheFirstCompletedRefreshCheckAndNoOtherDoes) {
    LBApp& portal = start(true);
    auto made = checks();
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].query, "version=20060430");
    EXPECT_EQ(made[0].body, "core=12");
    EXPECT_EQ(portal.getNumUpgradeChecks(), 1);
    EXPECT_TRUE(logged(" - No newer versions available\n"));

    portal.show();
    ASSERT_TRUE(finishRefresh());
    EXPECT_EQ(checks().size(), 2u);
    EXPECT_EQ(portal.getNumUpgradeChecks(), 2);

    portal.launchRetriever(true, true);
    ASSERT_TRUE(finishRefresh());
    EXPECT_EQ(checks().size(), 2u);
    EXPECT_EQ(portal.getNumUpgradeChecks(), 2);
    // Nothing was offered, so nothing asked the user.
    EXPECT_TRUE(driver.shownDialogs().empty());
}

TEST_F(PortalUpgrade, AServerThatFailsTheCheckDoesNotStopTheStart) {
    site(content::PRODUCT_HOST).on("POST", CHECK_PATH, Answer::page("down", 500));
    LBApp& portal = start(false);
    EXPECT_EQ(checks().size(), 1u);
    EXPECT_EQ(portal.getNumUpgradeChecks(), 1);
    // The start went on to its last steps, and nobody was asked anything.
    EXPECT_TRUE(logged(" - m_prefUpdateFrequency: "));
    EXPECT_TRUE(portal.hasPendingTimer());
    EXPECT_TRUE(driver.shownDialogs().empty());
    EXPECT_TRUE(portal.getShell()->getVisible());
}

}  // namespace
}  // namespace rltest::portaltest
