// The tracker window's statics and the user-interface helpers: catalogue
// message boxes, colours, placement and the outside-link rules.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "foundation/HostTable.h"
#include "platform/toolkit/headless/Headless.h"
#include "tests/support/LogCapture.h"
#include "tests/support/OpenedUrls.h"
#include "tests/support/TempWorkDir.h"

#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "tracker/core/BaseEngine.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/SWTUtil.h"

using tracker::ui::BaseRLApp;
using tracker::ui::SWTUtil;

TEST(BaseRLAppStatics, EditionTestsFollowTheApplicationType) {
    struct Case {
        int type;
        bool lanternbay, farhaven, brtw, roambay, branded;
    };
    const Case cases[] = {{0, true, false, false, false, false},
                          {1, false, true, false, false, false},
                          {2, false, false, true, false, true},
                          {3, false, false, false, true, true},
                          {7, false, false, false, false, false}};
    for (const Case& c : cases) {
        BaseRLApp::setAppType(c.type);
        EXPECT_EQ(BaseRLApp::getAppType(), c.type);
        EXPECT_EQ(BaseRLApp::isAppTypeLanternbay(), c.lanternbay) << c.type;
        EXPECT_EQ(BaseRLApp::isAppTypeFarhaven(), c.farhaven) << c.type;
        EXPECT_EQ(BaseRLApp::isAppTypeBRTW(), c.brtw) << c.type;
        EXPECT_EQ(BaseRLApp::isAppTypeRoambay(), c.roambay) << c.type;
        EXPECT_EQ(BaseRLApp::isAppTypeBranded(), c.branded) << c.type;
    }
    BaseRLApp::setAppType(BaseRLApp::APP_TYPE_LANTERNBAY);
}

TEST(SWTUtilBoxes, TitleIsTheApplicationNameThenTheCatalogueText) {
    tk::Display display("headless");
    auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    tk::TestDriver driver(display);

    driver.answerButton(tk::NO);
    EXPECT_EQ(SWTUtil::showMessageBoxAllKeys(shell.get(), "PropertiesPrefPersist.PreviousUser1", "Roamledger",
                                             "PropertiesPrefPersist.PreviousUser2",
                                             tk::ICON_QUESTION | tk::YES | tk::NO),
              tk::NO);
    driver.answerButton(tk::OK);
    EXPECT_EQ(SWTUtil::showMessageBoxTitleKey(shell.get(), "Some text\r\n\r\nmore", "Roamledger",
                                              "PropertiesPrefPersist.NotSaveSettings3", tk::ICON_ERROR | tk::OK),
              tk::OK);

    const auto& shown = driver.shownDialogs();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].title, "Roamledger - Previous User Check");
    EXPECT_EQ(shown[0].message, "Have you previously setup Roamledger users and accounts on this computer?");
    EXPECT_EQ(shown[0].style, tk::ICON_QUESTION | tk::YES | tk::NO);
    EXPECT_EQ(shown[1].title, "Roamledger - Unable to Save Settings");
    EXPECT_EQ(shown[1].message, "Some text\r\n\r\nmore");
    EXPECT_TRUE(driver.scriptErrors().empty());
}

TEST(SWTUtilBoxes, WithoutAShellTheAnswerIsThatOfAClosedBox) {
    EXPECT_EQ(SWTUtil::showMessageBox(nullptr, "t", "x", tk::ICON_QUESTION | tk::YES | tk::NO), tk::NO);
    EXPECT_EQ(SWTUtil::showMessageBox(nullptr, "t", "x", tk::ICON_ERROR | tk::OK), tk::OK);
    EXPECT_EQ(SWTUtil::showMessageBox(nullptr, "t", "x", tk::OK | tk::CANCEL), tk::CANCEL);
}

TEST(SWTUtilBoxes, ABoxAskedForOffTheWindowThreadIsNotShown) {
    tk::Display display("headless");
    auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    tk::TestDriver driver(display);
    driver.answerButton(tk::YES);
    int answer = -1;
    std::thread worker([&] {
        answer = SWTUtil::showMessageBox(shell.get(), "t", "x", tk::ICON_QUESTION | tk::YES | tk::NO);
    });
    worker.join();
    EXPECT_EQ(answer, tk::NO);
    EXPECT_TRUE(driver.shownDialogs().empty());
}

TEST(SWTUtilColours, HexTextsAndComponentsGoBothWays) {
    EXPECT_EQ(SWTUtil::rgbToHexString(tk::RGB{5, 0, 255}), "0500FF");
    EXPECT_EQ(SWTUtil::hexToRGB("0500FF"), (tk::RGB{5, 0, 255}));
    EXPECT_EQ(SWTUtil::hexToRGB("ddeeff"), (tk::RGB{221, 238, 255}));
    EXPECT_EQ(SWTUtil::convertIntToHex(0), "00");
    EXPECT_EQ(SWTUtil::convertIntToHex(10), "0A");
    EXPECT_EQ(SWTUtil::convertIntToHex(255), "FF");
    for (const char* bad : {"", "12345", "1234567", "GG0000", "#00000"}) {
        EXPECT_THROW(SWTUtil::hexToRGB(bad), std::invalid_argument) << bad;
    }
    EXPECT_EQ(SWTUtil::getColor(1, 2, 3), tk::Color(1, 2, 3));
    tk::Display display("headless");
    EXPECT_EQ(SWTUtil::getColor(tk::COLOR_RED), tk::Color(255, 0, 0));
}

TEST(SWTUtilPlacement, CentresAndBoldsLikeTheWindowNeeds) {
    EXPECT_EQ(SWTUtil::calculateCenter({200, 100}, {10, 20, 1000, 800}), (tk::Point{410, 370}));
    // Larger than the area: left of and above it.
    EXPECT_EQ(SWTUtil::calculateCenter({1200, 900}, {0, 0, 1000, 800}), (tk::Point{-100, -50}));
    EXPECT_EQ(SWTUtil::calculateCenter({3, 3}, {0, 0, 10, 10}), (tk::Point{3, 3}));

    tk::Display display("headless");
    auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    shell->setSize(300, 200);
    SWTUtil::centerComposite(*shell, {0, 0, 1280, 1024});
    EXPECT_EQ(shell->getLocation(), (tk::Point{490, 412}));
    SWTUtil::removeSizeMenuItemsFromShell(*shell);
    EXPECT_FALSE(shell->hasSizeCommands());

    auto button = tk::make<tk::Button>(shell, tk::PUSH);
    button->setFont(tk::Font("Sans", 9, tk::ITALIC));
    SWTUtil::boldFontOnControl(*button);
    EXPECT_EQ(button->getFont(), tk::Font("Sans", 9, tk::ITALIC | tk::BOLD));
}

TEST(SWTUtilOutside, BlankPagesAndTheTrackingImageNeverOpen) {
    rltest::TempWorkDir dir;
    rltest::LogCapture log;
    rltest::OpenedUrls opened;
    EXPECT_TRUE(SWTUtil::isURLForAboutBlank("about:blank"));
    EXPECT_TRUE(SWTUtil::isURLForAboutBlank("about:blank#top"));
    EXPECT_FALSE(SWTUtil::isURLForAboutBlank("about:blan"));
    SWTUtil::navigateExternally("about:blank");
    SWTUtil::navigateExternally("about:blank?x=1");
    SWTUtil::navigateExternally(foundation::HostTable::get("AdTracking.image"));
    SWTUtil::navigateExternally("javascript:alert(1)");
    SWTUtil::navigateExternally("http://www.example.com/a?b=c&d=e");
    EXPECT_EQ(opened.waitFor(1), (std::vector<std::string>{"http://www.example.com/a?b=c&d=e"}));
    EXPECT_EQ(log.count("Not navigating externally to blank page"), 2u);
    EXPECT_TRUE(log.contains("navigateExternally: http://www.example.com/a?b=c&d=e"));
    EXPECT_TRUE(log.contains("Not navigating externally to javascript:alert(1)"));
}

TEST(SWTUtilOutside, PopupBrowsersKeepOnlyTheirOwnPagesAndAds) {
    rltest::OpenedUrls opened;
    tk::Display display("headless");
    tk::TestDriver driver(display);
    auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    auto browser = tk::make<tk::Browser>(shell, tk::NONE);
    shell->open();
    SWTUtil::launchBrowserLinksExternally(*browser, "Roamledger-");
    EXPECT_TRUE(driver.followLink(*browser, "file:///x/Roamledger-Popup.html"));
    EXPECT_TRUE(driver.followLink(*browser, "file:///x/brtw/ad-300x250-details.html", false));
    EXPECT_TRUE(driver.followLink(*browser, foundation::HostTable::get("AdServer2.site") + "banner?id=4"));
    // An advertising server's address anywhere in the address keeps it in.
    EXPECT_TRUE(driver.followLink(*browser, "https://click.example.net/r?to=" +
                                                foundation::HostTable::get("AdServer3.site") + "offer"));
    EXPECT_FALSE(driver.followLink(*browser, "https://www.example.com/ads1.roamledger.example/banner"));
    EXPECT_FALSE(driver.followLink(*browser, "https://www.example.com/deal"));
    auto outside = opened.waitFor(2);
    std::sort(outside.begin(), outside.end());
    EXPECT_EQ(outside, (std::vector<std::string>{"https://www.example.com/ads1.roamledger.example/banner",
                                                 "https://www.example.com/deal"}));

    // The browser commands reach the browser with their option.
    EXPECT_TRUE(SWTUtil::oleExecNoArgs(*browser, 6, 1));
    EXPECT_EQ(tk::headless::browserRecord(*browser).log.back(), "command 6 1");
}

TEST(SWTUtilOutside, OnlyFilesOfTheWorkingFolderOpenWithTheDesktop) {
    namespace fs = std::filesystem;
    rltest::TempWorkDir dir;
    rltest::LogCapture log;
    rltest::OpenedUrls opened;
    const std::string folder = fs::canonical(dir.path()).string();
    rltest::writeFile(dir.file("Roamledger-Summary.html"), "<html>summary</html>");
    rltest::writeFile(dir.file("a b&c.html"), "x");
    fs::create_directory(dir.file("sub"));
    const std::string elsewhere = rltest::makeTempDirectory("rl-elsewhere-");
    rltest::writeFile(elsewhere + "/secret.html", "secret");
    ASSERT_EQ(::symlink((elsewhere + "/secret.html").c_str(), dir.file("escape.html").c_str()), 0);
    ASSERT_EQ(::symlink(elsewhere.c_str(), dir.file("out").c_str()), 0);
    const std::string elsewhereName = fs::path(elsewhere).filename().string();

    const std::vector<std::string> refused = {
        "file://" + elsewhere + "/secret.html",
        "file://" + folder + "/escape.html",                           // a link out of the folder
        "file://" + folder + "/out/secret.html",                       // through a linked folder
        "file://" + folder + "/sub/../../" + elsewhereName + "/secret.html",  // ".." out of it
        "file://" + folder + "/%2E%2E/" + elsewhereName + "/secret.html",
        "file:///etc/passwd",
        "file://" + folder + "/Missing.html",
        "file://" + folder + "/sub",                                   // no regular file
        "file://otherhost" + folder + "/Roamledger-Summary.html",      // another machine's file
        "FILE:relative.html",
    };
    for (const std::string& url : refused) SWTUtil::navigateExternally(url);
    EXPECT_EQ(log.count("not a file of the working folder"), refused.size());

    SWTUtil::navigateExternally(tracker::BaseEngine::toFileURL(dir.file("Roamledger-Summary.html")));
    SWTUtil::navigateExternally("file://localhost" + folder + "/sub/../a%20b%26c.html?x=1#top");
    auto urls = opened.waitFor(2);
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string>{"file://" + folder + "/Roamledger-Summary.html",
                                              "file://" + folder + "/a%20b%26c.html"}));
    fs::remove_all(elsewhere);
}
