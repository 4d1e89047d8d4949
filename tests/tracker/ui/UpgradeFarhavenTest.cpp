// An upgrade accepted in the Farhaven edition: the tracker's own window is
// the application there, so the hand-off ends the process through the
// window's clean-up, not through a cleanable.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/ImitationWeb.h"
#include "tests/support/TempRegistry.h"
#include "tests/support/Wait.h"
#include "tests/tracker/ui/WindowFixture.h"
#include "tracker/ui/ICleanable.h"
#include "tracker/ui/Upgrader.h"

namespace {

using namespace rltest;
using tracker::ui::BaseRLApp;
using tracker::ui::Upgrader;

class UpgradeFarhavenTest : public WindowFixture {
protected:
    ImitationWeb web;
    TempRegistry registry{dir.file("registry")};
};

struct CountingApp : tracker::ui::ICleanable {
    void cleanUp() override { ++calls; }
    int calls = 0;
};

TEST_F(UpgradeFarhavenTest, TheHandOffEndsTheProcessThroughTheTrackersOwnCleanUp) {
    prepareSettings({{"Alice", {}}});
    open(BaseRLApp::APP_TYPE_FARHAVEN).show();
    settle();

    TempRegistry::setString("Software\\Lanternbay", "UpgradeCheckURL", "https://upgrade.lanternbay.example/check.php");
    writeFile("Lanternbay.versions", "core=12\n");
    writeFile("Vantrell", "#!/bin/sh\necho \"$1\" > handoff.tmp && mv handoff.tmp handoff.txt\n");
    ::chmod("Vantrell", 0755);
    web.site("upgrade.lanternbay.example")
        .on("POST", "/check.php", Answer::page("https://files.lanternbay.example/\ncore=13=core13.zip\n"));
    web.site("files.lanternbay.example").on("GET", "/core13.zip", Answer::page("archive"));
    driver.answerButton(tk::YES);

    CountingApp app;
    Upgrader::createForPortal(&app, "guid")->go();

    ASSERT_FALSE(endStatuses.empty());
    EXPECT_EQ(endStatuses.front(), 0);
    EXPECT_EQ(app.calls, 0) << "not the cleanable: the window's own clean-up";
    EXPECT_TRUE(storedSettings().count("OptWindowX")) << "the window saved its geometry";
    ASSERT_TRUE(waitFor([] { return fileExists("handoff.txt"); }, 30000));
    EXPECT_EQ(readFile("handoff.txt"), dir.file("upgrades") + "\n");
    const std::string text = log();
    EXPECT_LT(text.find("Spawning separate process: "), text.find("Cleaning up")) << text;
}

}  // namespace
