// The portal on real windows (the Qt backend and the web engine, under
// xvfb-run): the panel in its strip, the content pages in the panes, a
// refreshed page, and the tracker window over the inner pane on the
// balances page. With RL_SCREENSHOT_DIR set, the screens are saved there
// as PNG files to look at.

#include <cstdlib>

#include "platform/toolkit/qt/QtBackend.h"
#include "tests/portal/window/OnScreen.h"
#include "tests/portal/window/PortalFixture.h"
#include "tests/support/BrowserSession.h"
#include "tracker/ui/RLAppLanternbay.h"

namespace rltest::portaltest {
namespace {

using onscreen::grabScreen;
using onscreen::waitUntilPainted;

const char* backend() {
    if (!haveDisplay()) return "headless";
    tk::qt::registerBackend();
    return "qt";
}

class PortalOnScreen : public PortalTest {
protected:
    PortalOnScreen() : PortalTest(backend()) {}

    void SetUp() override {
        if (!haveDisplay()) GTEST_SKIP() << "no X display: run under xvfb-run";
        // The tracker's first start asks whether to take over an earlier
        // installation: no.
        driver.scriptDialogs(true);
    }

    // A picture of the portal's window, saved when asked for.
    QImage saved(const std::string& name, const QImage& picture) {
        if (const char* folder = std::getenv("RL_SCREENSHOT_DIR"); folder != nullptr && !picture.isNull()) {
            picture.save(QString::fromStdString(std::string(folder) + "/" + name + ".png"), "PNG");
        }
        return picture;
    }

    // Waits until the screen shows at least count colours inside part of
    // area (the web engine draws a page some time after it was loaded) and,
    // given an earlier picture of area, shows something else there than it
    // did; the picture that did, or a null one when none came.
    QImage drawn(const tk::Rectangle& area, const QRect& part, int count, const QImage& before = QImage()) {
        QImage shown;
        tk::qt::runUntil(
            display,
            [&] {
                QImage now = grabScreen(area);
                if (colours(now, part, 1, count) < count) return false;
                if (!before.isNull() && now.copy(part) == before.copy(part)) return false;
                shown = now;
                return true;
            },
            rltest::scaled(WAIT_MS));
        return shown;
    }

    static constexpr int WAIT_MS = 60000;
};

TEST_F(PortalOnScreen, ThePanelTheContentPagesAndTheTrackerWindowShowInThePortal) {
    content::scriptContentSites(web, "");
    LBApp& portal = start(false);
    tk::Shell* shell = portal.getShell();
    ASSERT_TRUE(waitUntilPainted(display, *portal.getInnerBrowser(), url("mapquest-inner.html"), WAIT_MS));
    ASSERT_TRUE(waitUntilPainted(display, *portal.getOuterBrowser(), url("mapquest.html"), WAIT_MS));

    // The client area on the screen: the panel's strip along its bottom
    // shows the search box, buttons and pictures; the inner pane its page.
    const QPoint corner = tk::qt::nativeWidget(*shell)->mapToGlobal(QPoint(0, 0));
    const tk::Point origin{corner.x(), corner.y()};
    const tk::Rectangle client{origin.x, origin.y, 876, 658};
    const tk::Rectangle strip = portal.getPopupMenu()->getFrame()->getBounds();
    EXPECT_FALSE(drawn(client, QRect(strip.x, strip.y, strip.width, strip.height), 8).isNull());
    const QImage map = saved("portal-map", drawn(client, QRect(150, 110, 400, 100), 4));
    ASSERT_FALSE(map.isNull());
    auto text = tk::qt::pageText(*portal.getInnerBrowser());
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find("Maps and Directions"), std::string::npos);

    // The first refresh filled the weather page from the weather site.
    ASSERT_TRUE(finishRefresh());
    portal.navigateOuterBrowser("weatherbug.html", true);
    ASSERT_TRUE(waitUntilPainted(display, *portal.getInnerBrowser(), url("weatherbug-inner.html"), WAIT_MS));
    const QImage weather = saved("portal-weather", drawn(client, QRect(150, 110, 400, 300), 8));
    EXPECT_FALSE(weather.isNull());
    text = tk::qt::pageText(*portal.getInnerBrowser());
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find("Indianapolis, IN 46236"), std::string::npos) << *text;

    // The balances page: the tracker window over the inner pane.
    portal.navigateOuterBrowser("roamledger.html", true);
    tracker::ui::RLAppLanternbay* tracker = portal.getTrackerWindow();
    ASSERT_NE(tracker, nullptr);
    ASSERT_TRUE(tk::qt::runUntil(display, [&] { return !tracker->getBrowser()->getUrl().empty(); }, rltest::scaled(WAIT_MS)));
    ASSERT_TRUE(waitUntilPainted(display, *tracker->getBrowser(), tracker->getBrowser()->getUrl(), WAIT_MS));
    auto results = tk::qt::pageText(*tracker->getBrowser());
    ASSERT_TRUE(results.has_value());
    EXPECT_NE(results->find("No users and/or accounts have been added."), std::string::npos) << *results;
    tk::Shell* trackerShell = dynamic_cast<tk::Shell*>(tracker->getComposite());
    ASSERT_NE(trackerShell, nullptr);
    EXPECT_TRUE(trackerShell->isVisible());
    const tk::Rectangle placed = trackerShell->getBounds();
    const tk::Point at = portal.getTrackerLocation();
    EXPECT_EQ(placed, (tk::Rectangle{at.x, at.y, 581, portal.getInnerBrowserHeight()}));
    // The tracker's results page and buttons where the inner page was: the
    // window is shown some time before the screen has its page.
    const QRect over(placed.x - origin.x + 10, placed.y - origin.y + 10, 540, 300);
    const QImage balances = saved("portal-tracker", drawn(client, over, 4, weather));
    ASSERT_FALSE(balances.isNull()) << "the tracker's page never replaced the weather page on the screen";
    EXPECT_NE(balances.copy(over), map.copy(over));

    portal.exit();
    portal.cleanUp();
    EXPECT_EQ(endStatuses, (std::vector<int>{0}));
}

}  // namespace
}  // namespace rltest::portaltest
