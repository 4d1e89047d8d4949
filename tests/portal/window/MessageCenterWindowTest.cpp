// The message centre window: its size from the address, its place at the
// portal's bottom-right corner, and its links.

#include "portal/MessageCenter.h"
#include "tests/portal/window/PortalFixture.h"

namespace rltest::portaltest {
namespace {

using portal::MessageCenter;

class MessageCenterWindow : public PortalTest {
protected:
    MessageCenterWindow() {
        goOnline(false);
        start(true);
        app->getShell()->setLocation(100, 50);
    }

    // Opens the window on url and runs body once it is open; answers
    // whether the window had closed when the constructor returned.
    bool open(const std::string& address, std::function<void(tk::Shell&, tk::Browser&)> body) {
        whenShellOpens(display, "Lanternbay Message Center", [this, body](tk::Shell& shell) {
            auto browsers = controlsOf<tk::Browser>(&shell);
            if (browsers.size() != 1u) {
                ADD_FAILURE() << browsers.size() << " browsers in the message centre";
                shell.dispose();
                return;
            }
            body(shell, *browsers[0]);
        });
        MessageCenter(&display, app->getShell(), address);
        return findShell(display, "Lanternbay Message Center") == nullptr;
    }

    const std::string base = "http://www.roamledger.example/lanternbay/message.php?guid=G&";
};

TEST_F(MessageCenterWindow, TheAddressChoosesTheSizeAndTheWindowSitsAtThePortalsCorner) {
    EXPECT_TRUE(open(base + "w=300&h=200&", [this](tk::Shell& shell, tk::Browser& browser) {
        EXPECT_EQ(shell.getText(), "Lanternbay Message Center");
        EXPECT_EQ(shell.getParentShell(), app->getShell());
        EXPECT_EQ(shell.getModality(), tk::APPLICATION_MODAL);
        EXPECT_EQ(browser.getBounds(), (tk::Rectangle{0, 0, 318, 222}));
        EXPECT_EQ(shell.getBounds(), (tk::Rectangle{100 + 876 - 308, 50 + 686 - 223, 308, 223}));
        EXPECT_EQ(navigations(&browser), (std::vector<std::string>{base + "w=300&h=200&"}));
        EXPECT_TRUE(display.isBlocked(app->getShell()));
        driver.closeBox(shell);
    }));
    EXPECT_FALSE(logged("Unable to parse size"));
}

TEST_F(MessageCenterWindow, AHeightWithoutItsClosingAmpersandKeepsTheDefaultHeight) {
    const std::string address = base + "w=300&h=200";
    EXPECT_EQ(MessageCenter::contentSize(address), (tk::Point{300, 688}));
    EXPECT_TRUE(open(address, [this](tk::Shell& shell, tk::Browser&) {
        EXPECT_EQ(shell.getSize(), (tk::Point{308, 711}));
        driver.closeBox(shell);
    }));
    EXPECT_TRUE(logged(" - Unable to parse size from message center URL: " + address + "\n"));
}

TEST_F(MessageCenterWindow, ABadWidthKeepsBothDefaults) {
    EXPECT_EQ(MessageCenter::contentSize(base + "w=wide&h=200&"), (tk::Point{876, 688}));
    EXPECT_EQ(MessageCenter::contentSize(base + "h=200&"), (tk::Point{876, 688}));
    EXPECT_EQ(MessageCenter::contentSize(base + "w=12x&h=200&"), (tk::Point{876, 688}));
    EXPECT_EQ(loggedCount("Unable to parse size from message center URL: "), 3u);
}

TEST_F(MessageCenterWindow, ALinkToCloseWindowClosesItAndOtherLinksGoOutside) {
    EXPECT_TRUE(open(base + "w=300&h=200&", [this](tk::Shell& shell, tk::Browser& browser) {
        EXPECT_FALSE(driver.followLink(browser, "http://www.example.com/offer"));
        driver.runPending();
        EXPECT_FALSE(shell.isDisposed());
        EXPECT_EQ(opened.waitFor(1), (std::vector<std::string>{"http://www.example.com/offer"}));
        // Its own frames load in place.
        EXPECT_TRUE(driver.followLink(browser, "http://ads.example.com/frame.html", false));
        EXPECT_FALSE(driver.followLink(browser, "http://www.roamledger.example/lanternbay/CloseWindow.php"));
    }));
    EXPECT_TRUE(logged(" - Message center URL clicked: http://www.example.com/offer\n"));
    EXPECT_EQ(opened.urls().size(), 1u);
}

}  // namespace
}  // namespace rltest::portaltest
