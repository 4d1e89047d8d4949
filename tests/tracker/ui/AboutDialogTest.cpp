// The About box as the Help menu opens it: its rows where they belong, the
// release date of the edition, links that open outside, OK as the default
// button.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/toolkit/Toolkit.h"
#include "tests/tracker/ui/WindowFixture.h"
#include "tracker/ui/AboutDialog.h"

namespace {

using namespace rltest;
using tracker::ui::AboutDialog;
using tracker::ui::BaseRLApp;

class AboutDialogTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        prepareSettings({});
    }

    AboutDialog& openAbout() {
        return dialogOpenedBy<AboutDialog>(driver.pressAccelerator(*window->getMenuAndDialogShell(), tk::CTRL | 'O'),
                                           "About");
    }
};

TEST_F(AboutDialogTest, ShowsTheProductItsReleaseAndItsLinksInRows) {
    for (int type : {BaseRLApp::APP_TYPE_LANTERNBAY, BaseRLApp::APP_TYPE_FARHAVEN}) {
        SCOPED_TRACE("edition " + std::to_string(type));
        window.reset();
        if (host) host->dispose();
        open(type);
        AboutDialog& d = openAbout();
        tk::Shell& shell = *d.getShell();
        EXPECT_EQ(shell.getText(), "About Roamledger");
        EXPECT_EQ(shell.getSize(), (tk::Point{284, 197}));
        EXPECT_EQ(shell.getStyle() & (tk::DIALOG_TRIM | tk::APPLICATION_MODAL), tk::DIALOG_TRIM | tk::APPLICATION_MODAL);
        const tk::Rectangle parent = window->getMenuAndDialogShell()->getBounds();
        EXPECT_EQ(shell.getLocation(),
                  (tk::Point{parent.x + (parent.width - 284) / 2, parent.y + (parent.height - 197) / 2}));

        const std::string date = type == BaseRLApp::APP_TYPE_FARHAVEN ? "30 April 2006" : "April 30, 2006";
        const struct {
            tk::Label* label;
            std::string text;
            int y;
        } rows[] = {{d.getNameLabel(), "Roamledger 2.0 Build 20060430", 8},
                    {d.getReleasedLabel(), "Released " + date, 32},
                    {d.getWebsiteLabel(), "www.roamledger.example", 56},
                    {d.getCreditLabel(), "Developed by the Roamledger team", 80},
                    {d.getContactLabel(), "support@roamledger.example", 104}};
        for (const auto& row : rows) {
            EXPECT_EQ(row.label->getText(), row.text);
            EXPECT_EQ(row.label->getBounds(), (tk::Rectangle{8, row.y, 264, 20})) << row.text;
            EXPECT_EQ(row.label->getAlignment(), tk::CENTER) << row.text;
        }
        for (tk::Label* link : {d.getWebsiteLabel(), d.getContactLabel()}) {
            EXPECT_EQ(link->getForeground(), display.getSystemColor(tk::COLOR_BLUE));
            ASSERT_TRUE(link->getCursor().has_value());
            EXPECT_EQ(link->getCursor()->getShape(), tk::CURSOR_HAND);
        }
        EXPECT_EQ(d.getOKButton()->getBounds(), (tk::Rectangle{104, 132, 72, 24}));
        EXPECT_EQ(d.getOKButton()->getText(), "OK");
        EXPECT_EQ(shell.getDefaultButton(), d.getOKButton());

        ASSERT_TRUE(driver.click(*d.getOKButton()));
        EXPECT_TRUE(shell.isDisposed());
        settle();
        EXPECT_TRUE(window->getDialogs().empty());
    }
}

TEST_F(AboutDialogTest, TheLinksOpenTheWebSiteAndTheMailProgram) {
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    AboutDialog& d = openAbout();
    ASSERT_TRUE(driver.clickMouse(*d.getWebsiteLabel()));
    ASSERT_TRUE(driver.clickMouse(*d.getContactLabel()));
    // Each address opens on a thread of its own: the order they arrive in is
    // not the order of the clicks.
    std::vector<std::string> addresses = opened.waitFor(2);
    std::sort(addresses.begin(), addresses.end());
    EXPECT_EQ(addresses,
              (std::vector<std::string>{"https://www.roamledger.example/", "mailto:support@roamledger.example"}));
    // The close box closes it too.
    ASSERT_TRUE(driver.closeBox(*d.getShell()));
    settle();
    EXPECT_TRUE(window->getDialogs().empty());
}

}  // namespace
