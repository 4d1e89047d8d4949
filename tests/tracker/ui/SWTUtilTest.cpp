// The tracker window's statics and the catalogue message boxes.

#include <gtest/gtest.h>

#include <thread>

#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
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

TEST(SWTUtilPlacement, CalculateCenterPlacesInTheMiddleAndRoundsTowardZero) {
    EXPECT_EQ(SWTUtil::calculateCenter({100, 50}, {0, 0, 1280, 1024}), (tk::Point{590, 487}));
    EXPECT_EQ(SWTUtil::calculateCenter({101, 51}, {10, 20, 200, 100}), (tk::Point{59, 44}));
    // Larger than the area: left of and above it, halves rounded toward zero.
    EXPECT_EQ(SWTUtil::calculateCenter({305, 203}, {0, 0, 200, 100}), (tk::Point{-52, -51}));
}
