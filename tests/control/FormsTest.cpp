// The preferences and first-run forms: the postal-code and frequency rules,
// their boxes titled "Lanternbay", what OK copies and writes, Cancel, and a
// preference file that cannot be written.

#include <filesystem>

#include "control/Hourglass.h"
#include "control/frmNewUser.h"
#include "control/frmPreferences.h"
#include "control/modMisc.h"
#include "tests/control/ControlFixture.h"
#include "tests/control/FormFinder.h"
#include "tests/support/OpenedUrls.h"

namespace {

using tiraleaf::frmNewUser;
using tiraleaf::frmPreferences;
using tiraleaf::modMisc;

// The texts of every label, a group's title included, in creation order.
std::vector<std::string> labelTexts(tk::Composite* form) {
    std::vector<std::string> out;
    for (tk::Control* c : rltest::controlsOf<tk::Control>(form)) {
        if (auto* l = dynamic_cast<tk::Label*>(c); l && !l->getText().empty()) out.push_back(l->getText());
        if (auto* g = dynamic_cast<tk::Group*>(c)) out.push_back(g->getText());
    }
    return out;
}

const std::string kFiveDigits = "A 5 digit US zip code must contain all numbers such as 90210.";
const std::string kSixCharacters = "A 6 character Canadian postal code must be in the format of A1B2C3.";
const std::string kOtherLength =
    "Please enter a valid 5 digit US zip code, 6 character Canadian postal code, or '00000' if you are located "
    "outside of the US and Canada.";

TEST(PostalCodes, ValidationGoesByLength) {
    for (const char* good : {"46236", "00000", "000000", "K1A0B1", "k1a0b1", "a1b2c3"}) {
        EXPECT_EQ(modMisc::ValidatePostalCode(good), "") << good;
    }
    EXPECT_EQ(modMisc::ValidatePostalCode("4623A"), kFiveDigits);
    EXPECT_EQ(modMisc::ValidatePostalCode("4623 "), kFiveDigits);
    EXPECT_EQ(modMisc::ValidatePostalCode("K1A0BB"), kSixCharacters);
    EXPECT_EQ(modMisc::ValidatePostalCode("1A0B1C"), kSixCharacters);
    EXPECT_EQ(modMisc::ValidatePostalCode("K1\u00c90B1"), kSixCharacters);  // six characters, one of them \u00c9
    for (const char* bad : {"", "4623", "4623612", "K1A 0B1"}) {
        EXPECT_EQ(modMisc::ValidatePostalCode(bad), kOtherLength) << bad;
    }
    // Six digits are measured against the Canadian pattern.
    EXPECT_EQ(modMisc::ValidatePostalCode("462361"), kSixCharacters);
}

TEST(PostalCodes, NormalisingUpperCasesAndShortensTheSixZeros) {
    EXPECT_EQ(modMisc::NormalizePostalCode("k1a0b1"), "K1A0B1");
    EXPECT_EQ(modMisc::NormalizePostalCode("000000"), "00000");
    EXPECT_EQ(modMisc::NormalizePostalCode("00000"), "00000");
    EXPECT_EQ(modMisc::NormalizePostalCode("46236"), "46236");
}

TEST(Numbers, NumericTextsAndRounding) {
    EXPECT_EQ(modMisc::NumericValue(" 20 "), 20.0);
    EXPECT_EQ(modMisc::NumericValue("1.5"), 1.5);
    EXPECT_EQ(modMisc::NumericValue("-3e2"), -300.0);
    for (const char* no : {"", " ", "abc", "0x10", "1,5", "inf", "nan", "1e999", "--1"}) {
        EXPECT_FALSE(modMisc::NumericValue(no)) << no;
    }
    EXPECT_EQ(modMisc::RoundHalfEven(1.5), 2);
    EXPECT_EQ(modMisc::RoundHalfEven(2.5), 2);
    EXPECT_EQ(modMisc::RoundHalfEven(-0.5), 0);
    EXPECT_EQ(modMisc::RoundHalfEven(32767.4), 32767);
}

class Forms : public rltest::ControlFixture {
protected:
    Forms() {
        control->InitMenu(root);
        laterRun(nullptr);
        control->ReadPreferences();  // the defaults, written
        site->events.clear();
    }

    // Opens the preferences form; body fills it in from its loop.
    void preferences(std::function<void(frmPreferences&)> body) {
        whenModal([this, body] {
            frmPreferences* form = frmPreferences::Current();
            ASSERT_NE(form, nullptr);
            body(*form);
        });
        driver.click(*control->btnPreferences());
        EXPECT_EQ(frmPreferences::Current(), nullptr);
    }

    std::vector<std::string> boxes() {
        std::vector<std::string> out;
        for (const tk::ShownDialog& d : driver.shownDialogs()) {
            EXPECT_EQ(d.title, "Lanternbay");
            EXPECT_EQ(tk::MessageBox::buttonsOf(d.style), tk::OK);
            out.push_back(d.message);
        }
        return out;
    }
};

TEST_F(Forms, ThePreferencesFormSaysWhatEachFieldIs) {
    preferences([this](frmPreferences& form) {
        EXPECT_EQ(form.shell()->getText(), "Profile & Preferences");
        EXPECT_EQ(labelTexts(form.shell()),
                  (std::vector<std::string>{
                      "Zip Code:", "[5 digits for US, 6 characters for Canada, or 00000 for elsewhere]",
                      "Content Update Frequency (minutes):", "TV Guide Registered Email",
                      "Default Departure City/Airport for Orbitz:", "Default Address for MapQuest && WhitePages:",
                      "Street", "City", "State", "Zip Code", "Update Content at System Startup:",
                      "Unload From Memory on Hide:", "System Tray Icon Size:", "Small:", "Default:", "Large:", "or",
                      "[System Tray Icon Size changes will take effect the next time that Lanternbay is launched]",
                      "Launch at System Startup:",
                      "[The above setting assumes that the Lanternbay startup shortcut that was originally installed "
                      "into the Start Menu still exists]",
                      "This information is automatically inserted into various websites to retrieve your requested "
                      "data. It is retained securely in the Lanternbay profile."}));
        EXPECT_EQ(form.btnOK()->getText(), "OK");
        EXPECT_EQ(form.btnCancel()->getText(), "Cancel");
        EXPECT_NE(rltest::buttonWithText(form.shell(), "Not Registered?  Click Here..."), nullptr);
        driver.click(*form.btnCancel());
    });
}

TEST_F(Forms, ThePreferencesFormLoadsTheControlsValues) {
    control->m_mapquestDefaultState = "TX";
    control->m_unloadOnHide = "true";
    control->m_launchOnStartup = "True";  // not exactly "true"
    control->m_traySize = "Huge";
    preferences([this](frmPreferences& form) {
        EXPECT_EQ(form.txtZipCode()->getText(), "46236");
        EXPECT_EQ(form.txtUpdateFrequency()->getText(), "20");
        EXPECT_EQ(form.cmbMapquestDefaultState()->getText(), "TX");
        EXPECT_TRUE(form.chkUnloadOnHide()->getSelection());
        EXPECT_FALSE(form.chkUpdateOnLaunch()->getSelection());
        EXPECT_FALSE(form.chkLaunchOnStartup()->getSelection());
        EXPECT_EQ(form.cmbTraySize()->getText(), "Default");
        EXPECT_EQ(form.cmbTraySize()->getItems(), (std::vector<std::string>{"Small", "Default", "Large"}));
        driver.click(*form.btnCancel());
    });
    control->m_mapquestDefaultState = "Texas";
    preferences([this](frmPreferences& form) {
        EXPECT_EQ(form.cmbMapquestDefaultState()->getSelectionIndex(), -1);
        driver.click(*form.btnOK());
    });
    // Nothing chosen in the state list is stored as no state.
    EXPECT_EQ(control->m_mapquestDefaultState, "");
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{10, 10, 6}));
}

TEST_F(Forms, TheTvListingsButtonOpensTheSetUpPageOutside) {
    rltest::OpenedUrls opened;
    preferences([this](frmPreferences& form) {
        EXPECT_EQ(form.btnTVGuideEmail()->getText(), "Not Registered?  Click Here...");
        driver.click(*form.btnTVGuideEmail());
        EXPECT_TRUE(form.IsOpen());
        driver.click(*form.btnCancel());
    });
    EXPECT_EQ(opened.waitFor(1), std::vector<std::string>{"http://www.tvguide.com/listings/setup/"});
}

TEST_F(Forms, TheStateListHoldsTheFiftyStatesAndTheCapital) {
    const auto& codes = frmPreferences::StateCodes();
    ASSERT_EQ(codes.size(), 51u);
    EXPECT_EQ(codes.front(), "AK");
    EXPECT_EQ(codes.back(), "WY");
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
    EXPECT_NE(std::find(codes.begin(), codes.end(), "DC"), codes.end());
}

TEST_F(Forms, InvalidInputIsReportedAndTheFormStaysOpen) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"4623A", "20"}, {"K1A0BB", "20"}, {"4623", "20"},     {"46236", ""},    {"46236", "abc"},
        {"46236", "0"},  {"46236", "-5"},  {"46236", "32768"}, {"46236", "0.4"},
    };
    for (size_t i = 0; i < cases.size(); ++i) driver.answerButton(tk::OK);
    preferences([&](frmPreferences& form) {
        for (auto& [zip, frequency] : cases) {
            driver.replaceText(*form.txtZipCode(), zip);
            driver.replaceText(*form.txtUpdateFrequency(), frequency);
            driver.click(*form.btnOK());
            EXPECT_TRUE(form.IsOpen());
        }
        driver.click(*form.btnCancel());
    });
    const std::string invalid = "Content Update Frequency is invalid.";
    EXPECT_EQ(boxes(), (std::vector<std::string>{kFiveDigits, kSixCharacters, kOtherLength, invalid, invalid, invalid,
                                                 invalid, invalid, invalid}));
    EXPECT_EQ(control->m_zipCode, "46236");
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{10}));
}

TEST_F(Forms, OkStoresTheNormalisedValuesWritesThemAndRaisesTheEvent) {
    std::string before = rltest::readFile(prefFile());
    preferences([this](frmPreferences& form) {
        driver.replaceText(*form.txtZipCode(), "000000");
        driver.replaceText(*form.txtUpdateFrequency(), "32767");
        driver.click(*form.chkLaunchOnStartup());
        driver.click(*form.btnOK());
    });
    EXPECT_EQ(control->m_zipCode, "00000");
    EXPECT_EQ(control->m_updateFrequency, "32767");
    EXPECT_EQ(control->m_launchOnStartup, "false");
    EXPECT_NE(rltest::readFile(prefFile()), before);
    EXPECT_NE(rltest::readFile(prefFile()).find("var ZipCode='00000'\r\n"), std::string::npos);
    EXPECT_TRUE(rltest::fileExists(overrideMarker()));
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{10, 6}));
    EXPECT_EQ(site->events.back().args[1], "00000");
    // Values no form edits are written back as they were.
    EXPECT_EQ(control->m_windowLeft, "0");
    EXPECT_FALSE(tiraleaf::Hourglass::GetScreenPointer());

    preferences([this](frmPreferences& form) {
        driver.click(*form.chkLaunchOnStartup());
        driver.replaceText(*form.txtUpdateFrequency(), "20");
        driver.click(*form.btnOK());
    });
    EXPECT_FALSE(rltest::fileExists(overrideMarker()));
}

TEST_F(Forms, APreferenceFileThatCannotBeWrittenKeepsTheFormOpen) {
    // A folder in the file's place: no process can replace it.
    std::filesystem::remove(prefFile());
    std::filesystem::create_directories(prefFile());
    driver.answerButton(tk::OK);
    preferences([this](frmPreferences& form) {
        driver.replaceText(*form.txtZipCode(), "90210");
        driver.click(*form.btnOK());
        EXPECT_TRUE(form.IsOpen());
        driver.click(*form.btnCancel());
    });
    std::vector<std::string> shown = boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("Unable to save your preferences: ", 0), 0u) << shown[0];
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{10}));
    EXPECT_FALSE(tiraleaf::Hourglass::GetScreenPointer());
}

class FirstRun : public rltest::ControlFixture {
protected:
    FirstRun() { control->InitMenu(root); }
};

TEST_F(FirstRun, TheFormAsksForThePostalCodeWithItsTexts) {
    driver.answerButton(tk::OK);
    whenModal([this] {
        frmNewUser* form = frmNewUser::Current();
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->shell()->getText(), "Lanternbay - New User Zip Code");
        EXPECT_EQ(form->shell()->getParentShell(), shell.get());
        EXPECT_EQ(labelTexts(form->shell()),
                  (std::vector<std::string>{
                      "Thank you for installing Lanternbay.",
                      "PLEASE NOTE: You must have an active Internet connection for Lanternbay to retrieve data and "
                      "receive updates.",
                      "If you are based in the US, please enter your 5 digit zip code. If you are based in Canada, "
                      "please enter your 6 character postal code (with no spaces). If you are based elsewhere, please "
                      "enter 00000. This will allow Lanternbay to download your personalized news, weather report, "
                      "etc.",
                      "Zip/Postal Code:",
                      "After closing this dialog, there will be a slight delay while Lanternbay downloads your latest "
                      "personalized content."}));
        EXPECT_EQ(form->btnOK()->getText(), "OK");
        driver.replaceText(*form->txtZipCode(), "1234");
        driver.click(*form->btnOK());
        EXPECT_TRUE(form->IsOpen());
        driver.replaceText(*form->txtZipCode(), "000000");
        driver.click(*form->btnOK());
    });
    control->ReadPreferences();
    EXPECT_EQ(driver.shownDialogs().size(), 1u);
    EXPECT_EQ(driver.shownDialogs()[0].message, kOtherLength);
    EXPECT_EQ(control->m_zipCode, "00000");
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{11, 6}));
    EXPECT_FALSE(tiraleaf::Hourglass::GetScreenPointer());
}

TEST_F(FirstRun, AMarkerThatCannotBeWrittenKeepsTheFormOpen) {
    // A file where the marker's folder should be.
    rltest::writeFile(root + "/content", "not a folder");
    driver.answerButton(tk::OK);
    whenModal([this] {
        frmNewUser* form = frmNewUser::Current();
        driver.replaceText(*form->txtZipCode(), "46236");
        driver.click(*form->btnOK());
        EXPECT_TRUE(form->IsOpen());
        driver.closeBox(*form->shell());
    });
    EXPECT_THROW(control->ReadPreferences(), std::exception);  // nor can the preference file be written
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    EXPECT_EQ(driver.shownDialogs()[0].title, "Lanternbay");
    EXPECT_EQ(driver.shownDialogs()[0].message, "Unable to save your zip code to " + firstRunMarker() + ".");
    EXPECT_TRUE(site->events.empty());
    EXPECT_FALSE(tiraleaf::Hourglass::GetScreenPointer());
}

TEST_F(FirstRun, ClosingTheFormWithoutOkLeavesTheNextStartAFirstRun) {
    whenModal([this] { driver.closeBox(*frmNewUser::Current()->shell()); });
    control->ReadPreferences();
    EXPECT_FALSE(rltest::fileExists(firstRunMarker()));
    EXPECT_TRUE(rltest::fileExists(prefFile()));
    EXPECT_EQ(control->m_zipCode, "46236");
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{6}));
    bool asked = false;
    whenModal([&] {
        asked = frmNewUser::Current() != nullptr;
        driver.closeBox(*frmNewUser::Current()->shell());
    });
    control->ReadPreferences();
    EXPECT_TRUE(asked);
}

}  // namespace
