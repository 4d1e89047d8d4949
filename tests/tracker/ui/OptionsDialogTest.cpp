// The Options dialog driven as a user drives it from the tracker window:
// every control where it belongs in each edition, OK storing every option
// and rebuilding the pages, Restore touching only the controls, Cancel and
// the close box storing nothing, values outside the controls' bounds
// clamped, the scale labels following the scales, and the Internet options
// button.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "foundation/HostTable.h"
#include "foundation/Messages.h"
#include "platform/toolkit/Toolkit.h"
#include "tests/support/Wait.h"
#include "tests/tracker/ui/WindowFixture.h"
#include "tracker/ui/OptionsDialog.h"
#include "tracker/ui/SWTUtil.h"
#include "tracker/ui/Spinner.h"

namespace {

using namespace rltest;
using tracker::BasePreferences;
using tracker::ui::BaseRLApp;
using tracker::ui::OptionsDialog;

// Every option the dialog stores, with its default.
const std::map<std::string, std::string> DEFAULTS = {
    {"OptMaxThreads", "8"},          {"OptMaxThreadsLow", "3"},        {"OptNiceLevel", "0"},
    {"OptPageTimeout", "60000"},     {"OptOverallTimeout", "240000"},  {"OptThreadPoll", "2500"},
    {"OptShowUsernames", "false"},   {"OptFlyerTalkLink", "false"},    {"OptITYTLink", "false"},
    {"OptCalculateTotal", "true"},   {"OptMaskPasswords", "true"},     {"OptReverseHistory", "true"},
    {"OptHorizontalLayout", "false"}, {"OptCellPadding", "2"},         {"OptCellSpacing", "3"},
    {"OptHideNavigator", "false"},   {"OptCloseNavigators", "false"},  {"OptColorHeaderRow", "000099"},
    {"OptColorLightRow", "FFFFFF"},  {"OptColorDarkRow", "DDEEFF"},    {"OptPersistDownloads", "false"},
    {"OptLoggingLevel", "3"},
};

// Settings of an earlier run that differ from the defaults in every option
// and sit inside every control's bounds.
const std::map<std::string, std::string> CHANGED = {
    {"OptMaxThreads", "12"},        {"OptMaxThreadsLow", "2"},       {"OptNiceLevel", "750"},
    {"OptPageTimeout", "90000"},    {"OptOverallTimeout", "300000"}, {"OptThreadPoll", "5000"},
    {"OptShowUsernames", "true"},   {"OptFlyerTalkLink", "true"},    {"OptITYTLink", "true"},
    {"OptCalculateTotal", "false"}, {"OptMaskPasswords", "false"},   {"OptReverseHistory", "false"},
    {"OptHorizontalLayout", "true"}, {"OptCellPadding", "4"},        {"OptCellSpacing", "1"},
    {"OptHideNavigator", "true"},   {"OptCloseNavigators", "true"},  {"OptColorHeaderRow", "123456"},
    {"OptColorLightRow", "ABCDEF"}, {"OptColorDarkRow", "0A0B0C"},   {"OptPersistDownloads", "true"},
    {"OptLoggingLevel", "2"},
};

std::string text(const char* key) { return foundation::Messages::get(key); }

class OptionsDialogTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        adapters.add("American", nullptr);
    }

    void prepare(const std::map<std::string, std::string>& options = {}) {
        prepareSettings({{"Alice", {{"American", "alice1", "pw", "", std::string("1500")}}}}, options);
    }

    // The dialog the window's Options menu item opened.
    OptionsDialog& openOptions() {
        return dialogOpenedBy<OptionsDialog>(driver.choose(*window->getOptionsMenuItem()), "Options");
    }

    // The options as the settings file holds them now.
    std::map<std::string, std::string> storedOptions() const {
        auto all = storedSettings();
        std::map<std::string, std::string> out;
        for (const auto& [key, value] : DEFAULTS) {
            if (all.count(key)) out[key] = all[key];
        }
        return out;
    }

    // The options as the dialog's controls show them.
    static std::map<std::string, std::string> shownOptions(const OptionsDialog& d) {
        auto flag = [](tk::Button* box) { return std::string(box->getSelection() ? "true" : "false"); };
        auto number = [](int value) { return std::to_string(value); };
        auto colour = [](const std::optional<tk::RGB>& rgb) {
            return rgb ? tracker::ui::SWTUtil::rgbToHexString(*rgb) : std::string("(unreadable)");
        };
        return {
            {"OptMaxThreads", number(d.getMaxThreadsHighScale()->getSelection())},
            {"OptMaxThreadsLow", number(d.getMaxThreadsLowScale()->getSelection())},
            {"OptNiceLevel", number(d.getNiceLevelScale()->getSelection())},
            {"OptPageTimeout", number(d.getPageTimeoutScale()->getSelection())},
            {"OptOverallTimeout", number(d.getOverallTimeoutScale()->getSelection())},
            {"OptThreadPoll", number(d.getThreadPollScale()->getSelection())},
            {"OptShowUsernames", flag(d.getShowUsernamesBox())},
            {"OptFlyerTalkLink", flag(d.getFlyerTalkLinksBox())},
            {"OptITYTLink", flag(d.getITYTLinksBox())},
            {"OptCalculateTotal", flag(d.getCalculateTotalBox())},
            {"OptMaskPasswords", flag(d.getMaskPasswordsBox())},
            {"OptReverseHistory", flag(d.getReverseHistoryBox())},
            {"OptHorizontalLayout", flag(d.getHorizontalLayoutBox())},
            {"OptCellPadding", number(d.getCellPaddingSpinner()->getSelection())},
            {"OptCellSpacing", number(d.getCellSpacingSpinner()->getSelection())},
            {"OptHideNavigator", flag(d.getHideNavigatorBox())},
            {"OptCloseNavigators", flag(d.getCloseNavigatorsBox())},
            {"OptColorHeaderRow", colour(d.getColorHeaderRow())},
            {"OptColorLightRow", colour(d.getColorLightRow())},
            {"OptColorDarkRow", colour(d.getColorDarkRow())},
            {"OptPersistDownloads", flag(d.getPersistDownloadsBox())},
            {"OptLoggingLevel", number(d.getLoggingLevelSpinner()->getSelection())},
        };
    }

    // The options as the preferences hold them in memory.
    static std::map<std::string, std::string> memoryOptions() {
        auto flag = [](bool value) { return std::string(value ? "true" : "false"); };
        auto number = [](int value) { return std::to_string(value); };
        return {
            {"OptMaxThreads", number(RLPreferences::getMaxThreadsHigh())},
            {"OptMaxThreadsLow", number(RLPreferences::getMaxThreadsLow())},
            {"OptNiceLevel", number(RLPreferences::getNiceLevel())},
            {"OptPageTimeout", number(RLPreferences::getPageTimeout())},
            {"OptOverallTimeout", number(RLPreferences::getOverallTimeout())},
            {"OptThreadPoll", number(RLPreferences::getThreadPoll())},
            {"OptShowUsernames", flag(RLPreferences::getShowUsernames())},
            {"OptFlyerTalkLink", flag(RLPreferences::getFlyerTalkLinks())},
            {"OptITYTLink", flag(RLPreferences::getITYTLinks())},
            {"OptCalculateTotal", flag(RLPreferences::getCalculateTotal())},
            {"OptMaskPasswords", flag(RLPreferences::getMaskPasswords())},
            {"OptReverseHistory", flag(RLPreferences::getReverseHistory())},
            {"OptHorizontalLayout", flag(RLPreferences::getHorizontalLayout())},
            {"OptCellPadding", number(RLPreferences::getCellPadding())},
            {"OptCellSpacing", number(RLPreferences::getCellSpacing())},
            {"OptHideNavigator", flag(RLPreferences::getHideNavigator())},
            {"OptCloseNavigators", flag(RLPreferences::getCloseNavigators())},
            {"OptColorHeaderRow", RLPreferences::getColorHeaderRow()},
            {"OptColorLightRow", RLPreferences::getColorLightRow()},
            {"OptColorDarkRow", RLPreferences::getColorDarkRow()},
            {"OptPersistDownloads", flag(RLPreferences::getPersistDownloads())},
            {"OptLoggingLevel", number(RLPreferences::getLoggingLevel())},
        };
    }

    std::string cssPath() const { return window->getEngine()->getCSSPath(); }
    void removeStyleSheet() const { std::filesystem::remove(cssPath()); }
    bool styleSheetWritten() const { return std::filesystem::exists(cssPath()); }

    static tk::Composite* tab(const OptionsDialog& d, int index) {
        return static_cast<tk::Composite*>(d.getTabFolder()->getItem(index)->getControl());
    }

    // The label of a row: the one at (64, y) on the tab.
    static tk::Label* labelAt(tk::Composite* parent, int x, int y) {
        for (tk::Control* child : parent->getChildren()) {
            auto* label = dynamic_cast<tk::Label*>(child);
            if (label && label->getLocation() == tk::Point{x, y}) return label;
        }
        return nullptr;
    }

    static int bottom(const tk::Control& control) { return control.getBounds().y + control.getBounds().height; }

    // Checks one row from y: the control at (12, y + 16), its label with
    // text at (64, y + 16); answers the label's bottom.
    static int expectRow(tk::Composite* parent, const tk::Control& control, const std::string& text, int y) {
        EXPECT_EQ(control.getLocation(), (tk::Point{12, y + 16})) << text;
        tk::Label* label = labelAt(parent, 64, y + 16);
        if (!label) {
            ADD_FAILURE() << "no label at (64, " << y + 16 << ") for " << text;
            return y;
        }
        EXPECT_EQ(label->getText(), text);
        EXPECT_EQ(label->getSize(), label->computeSize(tk::DEFAULT, tk::DEFAULT)) << text;
        EXPECT_NE(label->getStyle() & tk::WRAP, 0);
        return bottom(*label);
    }
};

TEST_F(OptionsDialogTest, EachEditionShowsItsControlsWhereTheyBelong) {
    prepare();
    for (int type : {BaseRLApp::APP_TYPE_LANTERNBAY, BaseRLApp::APP_TYPE_FARHAVEN, BaseRLApp::APP_TYPE_BRTW,
                     BaseRLApp::APP_TYPE_ROAMBAY}) {
        SCOPED_TRACE("edition " + std::to_string(type));
        window.reset();
        if (host) host->dispose();
        open(type);
        OptionsDialog& d = openOptions();
        tk::Shell& shell = *d.getShell();
        EXPECT_EQ(shell.getText(), "Roamledger - Options");
        EXPECT_EQ(shell.getSize(), (tk::Point{594, 584}));
        EXPECT_EQ(shell.getStyle() & (tk::DIALOG_TRIM | tk::APPLICATION_MODAL), tk::DIALOG_TRIM | tk::APPLICATION_MODAL);
        EXPECT_TRUE(shell.getVisible());
        EXPECT_EQ(shell.getParentShell(), window->getMenuAndDialogShell());
        // Centred over its parent; the portal's short window lines up the
        // two bottom edges instead. Either way inside the work area.
        const tk::Rectangle parent = window->getMenuAndDialogShell()->getBounds();
        const tk::Rectangle bounds = shell.getBounds();
        EXPECT_EQ(bounds.x, std::max(0, parent.x + (parent.width - 594) / 2));
        if (type == BaseRLApp::APP_TYPE_LANTERNBAY && parent.height < 584) {
            EXPECT_EQ(bounds.y, std::max(0, parent.y + parent.height - bounds.height));
        } else {
            EXPECT_EQ(bounds.y, std::max(0, parent.y + (parent.height - 584) / 2));
        }
        EXPECT_EQ(shell.getImage(), window->getIcon());

        EXPECT_EQ(d.getNoteLabel()->getBounds(), (tk::Rectangle{144, 476, 300, 32}));
        EXPECT_EQ(d.getNoteLabel()->getText(), "Some changes will not take effect until new balances are retrieved "
                                               "or the application is restarted.");
        EXPECT_EQ(d.getNoteLabel()->getForeground(), display.getSystemColor(tk::COLOR_RED));
        EXPECT_EQ(d.getNoteLabel()->getFont().getFontData().style & tk::BOLD, tk::BOLD);
        EXPECT_EQ(d.getCancelButton()->getBounds(), (tk::Rectangle{136, 516, 72, 24}));
        EXPECT_EQ(d.getRestoreButton()->getBounds(), (tk::Rectangle{216, 516, 156, 24}));
        EXPECT_EQ(d.getOKButton()->getBounds(), (tk::Rectangle{380, 516, 72, 24}));
        EXPECT_EQ(d.getCancelButton()->getText(), "Cancel");
        EXPECT_EQ(d.getRestoreButton()->getText(), "Restore All Defaults");
        EXPECT_EQ(d.getOKButton()->getText(), "OK");

        tk::TabFolder& folder = *d.getTabFolder();
        EXPECT_EQ(folder.getBounds(), (tk::Rectangle{4, 4, 580, 456}));
        EXPECT_EQ(folder.getFont().getFontData().style & tk::BOLD, tk::BOLD);
        ASSERT_EQ(folder.getItemCount(), 3);
        EXPECT_EQ(folder.getItem(0)->getText(), "Display");
        EXPECT_EQ(folder.getItem(1)->getText(), "Network / Performance");
        EXPECT_EQ(folder.getItem(2)->getText(), "Advanced");
        EXPECT_EQ(folder.getSelectionIndex(), 0);

        // Network / Performance: two columns of value labels and scales.
        const bool farhaven = type == BaseRLApp::APP_TYPE_FARHAVEN;
        EXPECT_EQ(d.getMaxThreadsHighLabel()->getBounds(), (tk::Rectangle{12, 12, 264, 68}));
        EXPECT_EQ(d.getMaxThreadsHighScale()->getBounds(), (tk::Rectangle{4, 96, 280, 32}));
        EXPECT_EQ(d.getMaxThreadsLowLabel()->getBounds(), (tk::Rectangle{296, 12, 264, 68}));
        EXPECT_EQ(d.getMaxThreadsLowScale()->getBounds(), (tk::Rectangle{288, 96, 280, 32}));
        EXPECT_FALSE(d.getMaxThreadsLowScale()->getEnabled());
        EXPECT_EQ(d.getPageTimeoutLabel()->getBounds(), (tk::Rectangle{12, 144, 264, 52}));
        EXPECT_EQ(d.getPageTimeoutScale()->getBounds(), (tk::Rectangle{4, 212, 280, 32}));
        EXPECT_EQ(d.getOverallTimeoutLabel()->getBounds(), (tk::Rectangle{296, 144, 264, 52}));
        EXPECT_EQ(d.getOverallTimeoutScale()->getBounds(), (tk::Rectangle{288, 212, 280, 32}));
        EXPECT_EQ(d.getThreadPollScale()->getVisible(), farhaven);
        EXPECT_EQ(d.getThreadPollLabel()->getVisible(), farhaven);
        EXPECT_EQ(d.getNiceLevelScale()->getVisible(), farhaven);
        EXPECT_EQ(d.getNiceLevelLabel()->getVisible(), farhaven);
        if (farhaven) {
            EXPECT_EQ(d.getThreadPollLabel()->getBounds(), (tk::Rectangle{12, 260, 264, 52}));
            EXPECT_EQ(d.getThreadPollScale()->getBounds(), (tk::Rectangle{4, 328, 280, 32}));
            EXPECT_EQ(d.getNiceLevelLabel()->getBounds(), (tk::Rectangle{296, 260, 264, 52}));
            EXPECT_EQ(d.getNiceLevelScale()->getBounds(), (tk::Rectangle{288, 328, 280, 32}));
            EXPECT_EQ(d.getIEOptionsButton()->getBounds(), (tk::Rectangle{12, 376, 252, 24}));
        } else {
            EXPECT_EQ(d.getIEOptionsButton()->getBounds(), (tk::Rectangle{154, 276, 252, 24}));
        }
        EXPECT_EQ(d.getIEOptionsButton()->getText(), "Display/Edit Internet Explorer Options");
        // Every scale's range and page step.
        const std::vector<std::pair<tk::Scale*, std::array<int, 3>>> scales = {
            {d.getMaxThreadsHighScale(), {1, 15, 1}},     {d.getMaxThreadsLowScale(), {1, 4, 1}},
            {d.getNiceLevelScale(), {0, 10000, 250}},     {d.getPageTimeoutScale(), {5000, 180000, 5000}},
            {d.getOverallTimeoutScale(), {20000, 720000, 10000}}, {d.getThreadPollScale(), {500, 10000, 250}},
        };
        for (size_t i = 0; i < scales.size(); ++i) {
            const auto& [scale, range] = scales[i];
            EXPECT_EQ(scale->getMinimum(), range[0]) << "scale " << i;
            EXPECT_EQ(scale->getMaximum(), range[1]) << "scale " << i;
            EXPECT_EQ(scale->getPageIncrement(), range[2]) << "scale " << i;
        }

        // Display: rows of a control and its label, then the colour buttons.
        tk::Composite* display = tab(d, 0);
        const bool forums = type != BaseRLApp::APP_TYPE_FARHAVEN && type != BaseRLApp::APP_TYPE_ROAMBAY;
        int y = expectRow(display, *d.getShowUsernamesBox(), "Display Account Numbers / Usernames Column", -4);
        EXPECT_EQ(d.getFlyerTalkLinksBox()->getVisible(), forums);
        EXPECT_EQ(d.getITYTLinksBox()->getVisible(), forums);
        if (forums) {
            y = expectRow(display, *d.getFlyerTalkLinksBox(), text("OptionsDialog.FlyerTalkLinks"), y);
            y = expectRow(display, *d.getITYTLinksBox(), text("OptionsDialog.ITYTLinks"), y);
        }
        y = expectRow(display, *d.getCalculateTotalBox(), "Calculate Total Balances", y);
        y = expectRow(display, *d.getMaskPasswordsBox(), "Hide/Mask Passwords in Users && Accounts Setup", y);
        y = expectRow(display, *d.getReverseHistoryBox(), "Show History in Reverse Chronological Order", y);
        y = expectRow(display, *d.getHorizontalLayoutBox(),
                      "Use Horizontal Layout for Multiple Users [most practical for high resolution displays]", y);
        y = expectRow(display, *d.getCellPaddingSpinner(),
                      "Cell Padding [the number of pixels between the data in a cell and the border of the cell]", y);
        y = expectRow(display, *d.getCellSpacingSpinner(), "Cell Spacing [the number of pixels between cells]", y + 8);
        y = expectRow(display, *d.getHideNavigatorBox(),
                      "Hide Auto Navigate Window until Destination Reached [Warning - if there are any problems such "
                      "as\r\nincorrect logins or unavailable websites, the window will never appear and no error "
                      "will be displayed]",
                      y + 8);
        y = expectRow(display, *d.getCloseNavigatorsBox(),
                      "Close Auto Navigate Windows when Application is Quit [Warning - this will close all of the "
                      "browser\r\nwindows that were launched by this application and you may lose any web browsing "
                      "that you've done\r\nsince they were opened]",
                      y);
        if (forums) {
            EXPECT_EQ(d.getColorHeaderRowButton()->getBounds(), (tk::Rectangle{64, y + 16, 152, 24}));
            EXPECT_EQ(d.getColorLightRowButton()->getBounds(), (tk::Rectangle{232, y + 16, 152, 24}));
            EXPECT_EQ(d.getColorDarkRowButton()->getBounds(), (tk::Rectangle{400, y + 16, 152, 24}));
        } else {
            EXPECT_EQ(d.getColorHeaderRowButton()->getBounds(), (tk::Rectangle{64, y + 16, 192, 24}));
            EXPECT_EQ(d.getColorLightRowButton()->getBounds(), (tk::Rectangle{64, y + 52, 192, 24}));
            EXPECT_EQ(d.getColorDarkRowButton()->getBounds(), (tk::Rectangle{64, y + 88, 192, 24}));
        }
        EXPECT_EQ(d.getColorHeaderRowButton()->getText(), "Configure 'Header' Row Color");
        EXPECT_EQ(d.getColorLightRowButton()->getText(), "Configure 'Light' Row Color");
        EXPECT_EQ(d.getColorDarkRowButton()->getText(), "Configure 'Dark' Row Color");
        for (auto* spinner : {d.getCellPaddingSpinner(), d.getCellSpacingSpinner()}) {
            EXPECT_EQ(spinner->getMinimum(), 0);
            EXPECT_EQ(spinner->getMaximum(), 5);
        }

        // Advanced: two rows.
        tk::Composite* advanced = tab(d, 2);
        y = expectRow(advanced, *d.getPersistDownloadsBox(),
                      "Persist Downloads to Disk [will write all downloaded pages to disk]", -4);
        expectRow(advanced, *d.getLoggingLevelSpinner(),
                  "Logging Level [1 is recommended - a higher value will generate more detailed logs]", y);
        EXPECT_EQ(d.getLoggingLevelSpinner()->getMinimum(), 0);
        EXPECT_EQ(d.getLoggingLevelSpinner()->getMaximum(), 4);

        // The window cannot be used while the dialog is open.
        EXPECT_FALSE(driver.choose(*window->getOptionsMenuItem()));
        ASSERT_TRUE(driver.click(*d.getCancelButton()));
        settle();
        EXPECT_TRUE(window->getDialogs().empty());
    }
}

TEST_F(OptionsDialogTest, OkWithoutChangesStoresEveryOptionAndRebuildsWithoutTheStyleSheet) {
    prepare(CHANGED);
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    settle();
    OptionsDialog& d = openOptions();
    EXPECT_EQ(shownOptions(d), CHANGED);
    // Every other setting stays as it was; the run's length and launch count
    // are saved with it.
    auto before = storedSettings();
    for (const char* key : {"DurationLastLaunch", "StatLaunchCount"}) before.erase(key);
    removeStyleSheet();
    const auto engine = window->getEngine();
    const size_t navigations = browserRecord().log.size();

    tk::Shell* shell = d.getShell();
    ASSERT_TRUE(driver.click(*d.getOKButton()));
    EXPECT_TRUE(shell->isDisposed());
    EXPECT_EQ(storedOptions(), CHANGED);
    EXPECT_EQ(memoryOptions(), CHANGED);
    auto after = storedSettings();
    EXPECT_TRUE(after.count("DurationLastLaunch"));
    for (const char* key : {"DurationLastLaunch", "StatLaunchCount"}) after.erase(key);
    EXPECT_EQ(after, before);
    // Rebuilt at once with a new engine, no retrieval; the style sheet only
    // when a colour was chosen.
    EXPECT_NE(window->getEngine(), engine);
    EXPECT_FALSE(BaseRLApp::isCheckInProgress());
    EXPECT_FALSE(styleSheetWritten());
    ASSERT_GT(browserRecord().log.size(), navigations);
    EXPECT_EQ(browserRecord().log[navigations], "navigate " + fileUrl("Roamledger.html"));
    EXPECT_NE(page("Roamledger.html").find("cellpadding=4 cellspacing=1"), std::string::npos);
    settle();
    EXPECT_TRUE(window->getDialogs().empty());
    EXPECT_TRUE(driver.choose(*window->getOptionsMenuItem()));
}

TEST_F(OptionsDialogTest, OkStoresWhatTheUserSetInEveryControl) {
    prepare();
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    settle();
    OptionsDialog& d = openOptions();
    ASSERT_TRUE(driver.select(*d.getTabFolder(), 1));
    EXPECT_TRUE(driver.slide(*d.getMaxThreadsHighScale(), 12));
    EXPECT_FALSE(driver.slide(*d.getMaxThreadsLowScale(), 2));  // disabled
    EXPECT_TRUE(driver.slide(*d.getNiceLevelScale(), 750));
    EXPECT_TRUE(driver.slide(*d.getPageTimeoutScale(), 90000));
    EXPECT_TRUE(driver.slide(*d.getOverallTimeoutScale(), 300000));
    EXPECT_TRUE(driver.slide(*d.getThreadPollScale(), 5000));
    ASSERT_TRUE(driver.select(*d.getTabFolder(), 0));
    for (tk::Button* box : {d.getShowUsernamesBox(), d.getCalculateTotalBox(), d.getMaskPasswordsBox(),
                            d.getReverseHistoryBox(), d.getHorizontalLayoutBox(), d.getHideNavigatorBox(),
                            d.getCloseNavigatorsBox()}) {
        EXPECT_TRUE(driver.click(*box));
    }
    // Not in this edition: the two forum boxes keep their stored values.
    EXPECT_FALSE(driver.click(*d.getFlyerTalkLinksBox()));
    EXPECT_TRUE(driver.spin(d.getCellPaddingSpinner()->getSpinControl(), 4));
    EXPECT_TRUE(driver.spin(d.getCellSpacingSpinner()->getSpinControl(), 1));
    driver.answer(tk::DialogAnswer::color(tk::RGB{0x12, 0x34, 0x56}));
    EXPECT_TRUE(driver.click(*d.getColorHeaderRowButton()));
    driver.answer(tk::DialogAnswer::color(tk::RGB{0xAB, 0xCD, 0xEF}));
    EXPECT_TRUE(driver.click(*d.getColorLightRowButton()));
    driver.answer(tk::DialogAnswer::color(tk::RGB{10, 11, 12}));
    EXPECT_TRUE(driver.click(*d.getColorDarkRowButton()));
    ASSERT_TRUE(driver.select(*d.getTabFolder(), 2));
    EXPECT_TRUE(driver.click(*d.getPersistDownloadsBox()));
    EXPECT_TRUE(driver.spin(d.getLoggingLevelSpinner()->getSpinControl(), 2));
    // The choosers were titled for their rows and preset to the colours.
    const auto& shown = driver.shownDialogs();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].title, "'Header' Row Color");
    EXPECT_EQ(shown[0].rgb, (tk::RGB{0, 0, 0x99}));
    EXPECT_EQ(shown[0].parentTitle, "Roamledger - Options");
    EXPECT_EQ(shown[1].title, "'Light' Row Color");
    EXPECT_EQ(shown[2].title, "'Dark' Row Color");
    EXPECT_EQ(shown[2].rgb, (tk::RGB{0xDD, 0xEE, 0xFF}));
    removeStyleSheet();

    ASSERT_TRUE(driver.click(*d.getOKButton()));
    auto expected = CHANGED;
    expected["OptMaxThreadsLow"] = "3";
    expected["OptFlyerTalkLink"] = "false";
    expected["OptITYTLink"] = "false";
    EXPECT_EQ(storedOptions(), expected);
    EXPECT_EQ(memoryOptions(), expected);
    ASSERT_TRUE(styleSheetWritten());
    const std::string css = readFile(cssPath());
    EXPECT_NE(css.find("#123456"), std::string::npos);
    EXPECT_NE(css.find("ABCDEF"), std::string::npos);
    EXPECT_NE(css.find("0A0B0C"), std::string::npos);
}

TEST_F(OptionsDialogTest, RestorePutsTheDefaultsIntoTheControlsOnly) {
    prepare(CHANGED);
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    settle();
    OptionsDialog& d = openOptions();
    const std::string file = page("Roamledger.settings");
    removeStyleSheet();

    ASSERT_TRUE(driver.click(*d.getRestoreButton()));
    EXPECT_EQ(shownOptions(d), DEFAULTS);
    EXPECT_TRUE(d.getNewColorWasSelected());
    EXPECT_EQ(d.getPageTimeoutLabel()->getText(),
              "Page Timeout: 60000 ms [a balance retrieval will 'timeout' if any single page takes longer than this "
              "number of milliseconds to download]");
    EXPECT_EQ(page("Roamledger.settings"), file);
    EXPECT_EQ(memoryOptions(), CHANGED);

    // Cancel after Restore leaves everything as it was.
    ASSERT_TRUE(driver.click(*d.getCancelButton()));
    EXPECT_EQ(page("Roamledger.settings"), file);
    EXPECT_EQ(memoryOptions(), CHANGED);
    EXPECT_FALSE(styleSheetWritten());

    // Restore then OK stores the defaults and rewrites the style sheet,
    // although the colours were chosen by nobody.
    settle();
    OptionsDialog& again = openOptions();
    ASSERT_TRUE(driver.click(*again.getRestoreButton()));
    ASSERT_TRUE(driver.click(*again.getOKButton()));
    EXPECT_EQ(storedOptions(), DEFAULTS);
    EXPECT_EQ(memoryOptions(), DEFAULTS);
    EXPECT_TRUE(styleSheetWritten());
}

TEST_F(OptionsDialogTest, CancelAndTheCloseBoxStoreNothing) {
    prepare(CHANGED);
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    settle();
    const std::string file = page("Roamledger.settings");
    const std::string results = page("Roamledger.html");
    removeStyleSheet();
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        const auto engine = window->getEngine();
        OptionsDialog& d = openOptions();
        ASSERT_TRUE(driver.select(*d.getTabFolder(), 1));
        EXPECT_TRUE(driver.slide(*d.getMaxThreadsHighScale(), 3));
        ASSERT_TRUE(driver.select(*d.getTabFolder(), 0));
        EXPECT_TRUE(driver.click(*d.getShowUsernamesBox()));
        EXPECT_TRUE(driver.spin(d.getCellPaddingSpinner()->getSpinControl(), 0));
        driver.answer(tk::DialogAnswer::color(tk::RGB{1, 2, 3}));
        EXPECT_TRUE(driver.click(*d.getColorDarkRowButton()));
        EXPECT_TRUE(d.getNewColorWasSelected());
        tk::Shell* shell = d.getShell();
        if (closeBox) {
            ASSERT_TRUE(driver.closeBox(*shell));
        } else {
            ASSERT_TRUE(driver.click(*d.getCancelButton()));
        }
        EXPECT_TRUE(shell->isDisposed());
        EXPECT_EQ(page("Roamledger.settings"), file);
        EXPECT_EQ(memoryOptions(), CHANGED);
        EXPECT_EQ(window->getEngine(), engine);
        EXPECT_EQ(page("Roamledger.html"), results);
        EXPECT_FALSE(styleSheetWritten());
        settle();
        EXPECT_TRUE(window->getDialogs().empty());
    }
}

TEST_F(OptionsDialogTest, StoredValuesOutsideTheBoundsAreClampedAndStoredSo) {
    prepare({{"OptMaxThreads", "40"},
             {"OptMaxThreadsLow", "9"},
             {"OptNiceLevel", "25000"},
             {"OptPageTimeout", "999999"},
             {"OptOverallTimeout", "1000"},
             {"OptThreadPoll", "100"},
             {"OptCellPadding", "9"},
             {"OptCellSpacing", "-3"},
             {"OptLoggingLevel", "7"}});
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    settle();
    OptionsDialog& d = openOptions();
    EXPECT_EQ(d.getMaxThreadsHighScale()->getSelection(), 15);
    EXPECT_EQ(d.getMaxThreadsLowScale()->getSelection(), 4);
    EXPECT_EQ(d.getNiceLevelScale()->getSelection(), 10000);
    EXPECT_EQ(d.getPageTimeoutScale()->getSelection(), 180000);
    EXPECT_EQ(d.getOverallTimeoutScale()->getSelection(), 20000);
    EXPECT_EQ(d.getThreadPollScale()->getSelection(), 500);
    EXPECT_EQ(d.getCellPaddingSpinner()->getSelection(), 5);
    EXPECT_EQ(d.getCellSpacingSpinner()->getSelection(), 0);
    EXPECT_EQ(d.getLoggingLevelSpinner()->getSelection(), 4);
    EXPECT_EQ(d.getPageTimeoutLabel()->getText().substr(0, 21), "Page Timeout: 180000 ");
    // A user cannot go past the bounds either.
    ASSERT_TRUE(driver.select(*d.getTabFolder(), 2));
    EXPECT_TRUE(driver.spin(d.getLoggingLevelSpinner()->getSpinControl(), 12));
    EXPECT_EQ(d.getLoggingLevelSpinner()->getSelection(), 4);

    ASSERT_TRUE(driver.click(*d.getOKButton()));
    auto stored = storedOptions();
    EXPECT_EQ(stored["OptMaxThreads"], "15");
    EXPECT_EQ(stored["OptMaxThreadsLow"], "4");
    EXPECT_EQ(stored["OptNiceLevel"], "10000");
    EXPECT_EQ(stored["OptPageTimeout"], "180000");
    EXPECT_EQ(stored["OptOverallTimeout"], "20000");
    EXPECT_EQ(stored["OptThreadPoll"], "500");
    EXPECT_EQ(stored["OptCellPadding"], "5");
    EXPECT_EQ(stored["OptCellSpacing"], "0");
    EXPECT_EQ(stored["OptLoggingLevel"], "4");
}

TEST_F(OptionsDialogTest, ScaleLabelsFollowTheScalesWhileTheyAreDragged) {
    prepare(CHANGED);
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    OptionsDialog& d = openOptions();
    const std::string threads =
        " retrieval(s) [a higher value should improve performance, but it may temporarily slow down your computer "
        "and connection]";
    EXPECT_EQ(d.getMaxThreadsHighLabel()->getText(), "Maximum Simultaneous Retrievals (High Bandwidth): 12" + threads);
    EXPECT_EQ(d.getMaxThreadsLowLabel()->getText(),
              "[Not used yet - will be in near future] Maximum Simultaneous Retrievals (Low Bandwidth): 2" + threads);
    EXPECT_EQ(d.getNiceLevelLabel()->getText(),
              "Account Access Delay: 750 ms [the number of milliseconds to wait between each access for each balance "
              "retrieval]");
    EXPECT_EQ(d.getPageTimeoutLabel()->getText(),
              "Page Timeout: 90000 ms [a balance retrieval will 'timeout' if any single page takes longer than this "
              "number of milliseconds to download]");
    EXPECT_EQ(d.getOverallTimeoutLabel()->getText(),
              "Overall Timeout: 300000 ms [a balance retrieval will 'timeout' if overall it takes longer than this "
              "number of milliseconds to complete]");
    EXPECT_EQ(d.getThreadPollLabel()->getText(),
              "Minimum Screen Update: 5000 ms [the minimum number of milliseconds between each screen update while "
              "balances are being retrieved - if there is too much screen flicker, increase this value]");

    ASSERT_TRUE(driver.select(*d.getTabFolder(), 1));
    for (int value : {1, 7, 15}) {
        ASSERT_TRUE(driver.slide(*d.getMaxThreadsHighScale(), value));
        EXPECT_EQ(d.getMaxThreadsHighLabel()->getText(),
                  "Maximum Simultaneous Retrievals (High Bandwidth): " + std::to_string(value) + threads);
    }
    ASSERT_TRUE(driver.slide(*d.getThreadPollScale(), 750));
    EXPECT_EQ(d.getThreadPollLabel()->getText().substr(0, 29), "Minimum Screen Update: 750 ms");
    // The disabled scale's value goes back to the store as it was.
    ASSERT_TRUE(driver.click(*d.getOKButton()));
    EXPECT_EQ(storedOptions()["OptMaxThreadsLow"], "2");
}

TEST_F(OptionsDialogTest, HiddenControlsAreWrittenBackAsTheyWere) {
    prepare(CHANGED);
    open(BaseRLApp::APP_TYPE_ROAMBAY);
    OptionsDialog& d = openOptions();
    EXPECT_FALSE(d.getThreadPollScale()->getVisible());
    EXPECT_FALSE(d.getFlyerTalkLinksBox()->getVisible());
    ASSERT_TRUE(driver.click(*d.getOKButton()));
    EXPECT_EQ(storedOptions(), CHANGED);
}

TEST_F(OptionsDialogTest, AnUnreadableColourIsKeptUntilAnotherIsChosen) {
    prepare({{"OptColorLightRow", "light blue"}, {"OptColorDarkRow", "12345G"}});
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    OptionsDialog& d = openOptions();
    EXPECT_EQ(d.getColorLightRow(), std::nullopt);
    EXPECT_EQ(d.getColorDarkRow(), std::nullopt);
    EXPECT_EQ(d.getColorHeaderRow(), (tk::RGB{0, 0, 0x99}));
    // The chooser starts from the default; a cancelled choice changes nothing.
    driver.answer(tk::DialogAnswer::color(std::nullopt));
    ASSERT_TRUE(driver.click(*d.getColorDarkRowButton()));
    EXPECT_EQ(driver.shownDialogs().back().rgb, (tk::RGB{0xDD, 0xEE, 0xFF}));
    EXPECT_FALSE(d.getNewColorWasSelected());
    driver.answer(tk::DialogAnswer::color(tk::RGB{0, 255, 0}));
    ASSERT_TRUE(driver.click(*d.getColorDarkRowButton()));
    ASSERT_TRUE(driver.click(*d.getOKButton()));
    auto stored = storedOptions();
    EXPECT_EQ(stored["OptColorLightRow"], "light blue");
    EXPECT_EQ(stored["OptColorDarkRow"], "00FF00");
    EXPECT_TRUE(logged("Unreadable colour in OptColorLightRow: \"light blue\""));
}

TEST_F(OptionsDialogTest, TheInternetOptionsButtonRunsTheConfiguredProgramOrSaysThereIsNone) {
    prepare();
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    OptionsDialog& d = openOptions();
    ASSERT_TRUE(driver.select(*d.getTabFolder(), 1));
    ASSERT_TRUE(driver.click(*d.getIEOptionsButton()));
    EXPECT_TRUE(logged("Could not launch the Internet options"));
    EXPECT_TRUE(driver.shownDialogs().empty());

    const std::string marker = dir.file("internet-options-shown");
    writeFile(dir.file("hosts.properties"), "InternetOptions.command=touch " + marker + "\n");
    foundation::HostTable::reload();
    ASSERT_TRUE(driver.click(*d.getIEOptionsButton()));
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(marker); }, 10000));
    std::remove(dir.file("hosts.properties").c_str());
    foundation::HostTable::reload();
    // The dialog stays open and stores nothing by it.
    EXPECT_FALSE(d.getShell()->isDisposed());
}

}  // namespace
