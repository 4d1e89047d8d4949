// The preference file: written byte for byte as the content pages expect it
// (golden files), read back by position with the fallbacks of a missing,
// empty, short or damaged file, and hostile values kept from breaking the
// page that includes the file. Also the start-up override marker and the
// installation identifier.

#include <sys/stat.h>

#include "control/frmNewUser.h"
#include "control/frmPreferences.h"
#include "platform/system/Guid.h"
#include "tests/control/ControlFixture.h"
#include "tests/support/LogCapture.h"

namespace {

using rltest::readFile;
using tiraleaf::modPref;

const sys::Guid kGuid{0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};

std::string golden(const std::string& name) { return readFile(rltest::sourceDir() + "/tests/control/golden/" + name); }

// The first-run file with the default postal code in place of the typed one.
std::string defaultsFile() {
    std::string text = golden("core-pref-first-run.js");
    return text.replace(text.find("90210"), 5, "46236");
}

const char* kElevenLines =
    "var GUID='00112233445566778899AABBCCDDEEFF'\r\n"
    "var ZipCode='10001'\r\n"
    "var UpdateFrequency='45'\r\n"
    "var TVGuideEmail='tv@example.com'\r\n"
    "var OrbitzDefaultDeparture='JFK'\r\n"
    "var MapquestDefaultStreet='5 Elm St'\r\n"
    "var MapquestDefaultCity='New York'\r\n"
    "var MapquestDefaultState='NY'\r\n"
    "var MapquestDefaultZipCode='10001'\r\n"
    "var UpdateOnLaunch='true'\r\n"
    "var UnloadOnHide='true'\r\n";

class PrefFile : public rltest::ControlFixture {
protected:
    PrefFile() {
        sys::setGuidSource([] { return std::optional<sys::Guid>(kGuid); });
    }
    ~PrefFile() override { sys::setGuidSource({}); }

    std::vector<std::string> values() {
        std::vector<std::string> out;
        for (std::string* v : control->preferenceValues()) out.push_back(*v);
        return out;
    }
    // The values event 6 carried last.
    std::vector<std::string> lastEvent6() {
        for (auto it = site->events.rbegin(); it != site->events.rend(); ++it) {
            if (it->id == 6) return it->args;
        }
        return {};
    }
    void answerFirstRun(const std::string& zip) {
        whenModal([this, zip] {
            tiraleaf::frmNewUser* form = tiraleaf::frmNewUser::Current();
            ASSERT_NE(form, nullptr);
            driver.replaceText(*form->txtZipCode(), zip);
            driver.click(*form->btnOK());
        });
    }
};

TEST_F(PrefFile, AFirstRunWritesTheDefaultsWithTheNewIdentifier) {
    control->InitMenu(root);
    answerFirstRun("90210");
    control->ReadPreferences();
    EXPECT_EQ(readFile(prefFile()), golden("core-pref-first-run.js"));
    EXPECT_EQ(readFile(firstRunMarker()), "-\r\n");
    EXPECT_FALSE(rltest::fileExists(overrideMarker()));
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{11, 6}));
    EXPECT_EQ(lastEvent6(), (std::vector<std::string>{"0123456789ABCDEF0123456789ABCDEF", "90210", "20", "", "", "", "",
                                                      "", "", "false", "false", "Default", "true", "false", "0", "0"}));
    // The next start is a later run: nothing is asked and nothing rewritten.
    struct stat before {};
    ::stat(prefFile().c_str(), &before);
    control->ReadPreferences();
    EXPECT_EQ(readFile(prefFile()), golden("core-pref-first-run.js"));
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{11, 6, 6}));
}

TEST_F(PrefFile, EditedPreferencesAreWrittenByteForByte) {
    control->InitMenu(root);
    answerFirstRun("90210");
    control->ReadPreferences();
    control->SetPreferencesPopupLocation("4500", "3000");
    whenModal([this] {
        tiraleaf::frmPreferences* form = tiraleaf::frmPreferences::Current();
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->shell()->getLocation(), (tk::Point{300, 200}));
        driver.replaceText(*form->txtZipCode(), "k1a0b1");
        driver.replaceText(*form->txtUpdateFrequency(), "1.5");
        driver.replaceText(*form->txtTVGuideEmail(), "o'brien@example.com");
        driver.replaceText(*form->txtOrbitzDefaultDeparture(), "Montr\u00e9al (YUL)");
        driver.replaceText(*form->txtMapquestDefaultStreet(), "12 Main St. \\ Apt 3, ul. \u0141\u00f3dzka \u2603");
        driver.replaceText(*form->txtMapquestDefaultCity(), "</script>Springfield");
        driver.select(*form->cmbMapquestDefaultState(), form->cmbMapquestDefaultState()->indexOf("IN"));
        driver.replaceText(*form->txtMapquestDefaultZipCode(), "46236");
        driver.click(*form->chkUpdateOnLaunch());
        driver.select(*form->cmbTraySize(), 2);
        driver.click(*form->chkLaunchOnStartup());
        driver.click(*form->btnOK());
    });
    driver.click(*control->btnPreferences());
    EXPECT_EQ(readFile(prefFile()), golden("core-pref-edited.js"));
    EXPECT_EQ(readFile(overrideMarker()), "Existance of this file prevents Lanternbay from launching on startup\r\n");
    // Read back, every value is what was typed.
    std::vector<std::string> typed = values();
    control->ReadPreferences();
    EXPECT_EQ(values(), typed);
    EXPECT_EQ(control->m_mapquestDefaultCity, "</script>Springfield");
    EXPECT_EQ(control->m_mapquestDefaultStreet, "12 Main St. \\ Apt 3, ul. \u0141\u00f3dzka \u2603");
    EXPECT_EQ(control->m_tvGuideEmail, "o'brien@example.com");
    EXPECT_EQ(lastEvent6()[1], "K1A0B1");
}

TEST_F(PrefFile, MissingEmptyAndShortFilesTakeTheDefaultsOfTheirMissingLines) {
    control->InitMenu(root);
    laterRun(nullptr);
    control->ReadPreferences();
    EXPECT_EQ(readFile(prefFile()), defaultsFile());
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{6}));  // no first-run form

    rltest::writeFile(prefFile(), "");
    control->m_guid = "stale";
    control->ReadPreferences();
    EXPECT_EQ(control->m_guid, "0123456789ABCDEF0123456789ABCDEF");
    EXPECT_EQ(readFile(prefFile()), defaultsFile());

    rltest::writeFile(prefFile(), kElevenLines);
    control->ReadPreferences();
    EXPECT_EQ(values(), (std::vector<std::string>{"00112233445566778899AABBCCDDEEFF", "10001", "45", "tv@example.com",
                                                  "JFK", "5 Elm St", "New York", "NY", "10001", "true", "true",
                                                  "Default", "true", "false", "0", "0"}));
    EXPECT_EQ(readFile(prefFile()),
              std::string(kElevenLines) +
                  "var TraySize='Default'\r\nvar LaunchOnStartup='true'\r\nvar Floating='false'\r\n"
                  "var WindowLeft='0'\r\nvar WindowTop='0'\r\n");

    // Three lines, the identifier empty, LF line ends, a line that says nothing.
    rltest::writeFile(prefFile(), "var GUID=''\nvar ZipCode='30301'\nx\n");
    control->ReadPreferences();
    EXPECT_EQ(control->m_guid, "0123456789ABCDEF0123456789ABCDEF");
    EXPECT_EQ(control->m_zipCode, "30301");
    EXPECT_EQ(control->m_updateFrequency, "20");
    const std::string start =
        "var GUID='0123456789ABCDEF0123456789ABCDEF'\r\nvar ZipCode='30301'\r\nvar UpdateFrequency='20'\r\n";
    EXPECT_EQ(readFile(prefFile()).substr(0, start.size()), start);
}

TEST_F(PrefFile, LinesCountByPositionAndBlanksAroundThemDoNotMatter) {
    control->InitMenu(root);
    std::string text = kElevenLines;
    text.replace(text.find("var ZipCode='10001'"), 19, "   var ZipCode=''  \t");
    // TraySize and Floating change places: each value lands in the other's property.
    text += "var Floating='true'\r\n";
    text += "var LaunchOnStartup='false'\r\n";
    text += "var TraySize='Small'\r\n";
    text += "var WindowLeft='-20'\r\nvar WindowTop='40000'\r\nextra lines are ignored\r\n";
    laterRun(text.c_str());
    control->ReadPreferences();
    EXPECT_EQ(control->m_zipCode, "");
    EXPECT_EQ(control->m_traySize, "true");
    EXPECT_EQ(control->m_launchOnStartup, "false");
    EXPECT_EQ(control->m_floating, "Small");
    EXPECT_EQ(control->m_windowLeft, "-20");
    EXPECT_EQ(control->m_windowTop, "40000");
    // Nothing was missing, so nothing was rewritten.
    EXPECT_EQ(readFile(prefFile()), text);
}

// Files edited by hand: lines ended by a lone CR or by LF, and a UTF-8 file
// with its byte-order mark (a city with an accent, as an editor saves it).
TEST_F(PrefFile, EveryLineEndAndAByteOrderMarkReadTheSameValues) {
    control->InitMenu(root);
    std::string crlf = std::string(kElevenLines) +
                       "var TraySize='Small'\r\nvar LaunchOnStartup='false'\r\nvar Floating='true'\r\n"
                       "var WindowLeft='12'\r\nvar WindowTop='34'\r\n";
    const std::vector<std::string> expected{"00112233445566778899AABBCCDDEEFF", "10001", "45", "tv@example.com",
                                            "JFK", "5 Elm St", "New York", "NY", "10001", "true", "true",
                                            "Small", "false", "true", "12", "34"};
    auto with = [&](const std::string& ending) {
        std::string text = crlf;
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + ending.size()))
            text.replace(at, 2, ending);
        return text;
    };
    for (const std::string& ending : {std::string("\r"), std::string("\n")}) {
        const std::string text = with(ending);
        laterRun(text.c_str());
        control->ReadPreferences();
        EXPECT_EQ(values(), expected) << (ending == "\r" ? "CR" : "LF");
        EXPECT_EQ(readFile(prefFile()), text);  // complete, so not rewritten
    }
    // Mixed ends, and no end after the last line.
    laterRun((with("\r").substr(0, 200) + with("\n").substr(200, std::string::npos)).c_str());
    std::string mixed = readFile(prefFile());
    mixed.pop_back();
    rltest::writeFile(prefFile(), mixed);
    control->ReadPreferences();
    EXPECT_EQ(values(), expected);

    std::string bom = "\xEF\xBB\xBF" + crlf;
    bom.replace(bom.find("New York"), 8, "Montr\u00e9al");
    rltest::writeFile(prefFile(), bom);
    control->ReadPreferences();
    EXPECT_EQ(control->m_guid, "00112233445566778899AABBCCDDEEFF");
    EXPECT_EQ(control->m_mapquestDefaultCity, "Montr\u00e9al");
    EXPECT_EQ(control->m_windowTop, "34");
    // Written back in the program's own code page, without the mark.
    modPref::WritePreferences(root);
    EXPECT_EQ(readFile(prefFile()).substr(0, 10), "var GUID='");
    EXPECT_NE(readFile(prefFile()).find("var MapquestDefaultCity='Montr\xE9" "al'\r\n"), std::string::npos);

    // A mark before code-page text: the mark goes, the text is read as the
    // program writes it.
    bom = "\xEF\xBB\xBF" + crlf;
    bom.replace(bom.find("New York"), 8, "Montr\xE9" "al");
    rltest::writeFile(prefFile(), bom);
    control->ReadPreferences();
    EXPECT_EQ(control->m_guid, "00112233445566778899AABBCCDDEEFF");
    EXPECT_EQ(control->m_mapquestDefaultCity, "Montr\u00e9al");
}

TEST_F(PrefFile, HostileValuesAreReadAsWrittenAndWrittenSafely) {
    control->InitMenu(root);
    std::string text =
        "var GUID='ABC'\r\n"
        "var ZipCode='it's'\r\n"
        "var UpdateFrequency='C:\\new\\path'\r\n"
        "var TVGuideEmail='</script><script>alert(1)</script>'\r\n"
        "var OrbitzDefaultDeparture='a\\'b\\\\c'\r\n";
    for (int i = 5; i < 16; ++i)
        text += std::string("var ") + modPref::PrefName(i) + "='v" + std::to_string(i) + "'\r\n";
    laterRun(text.c_str());
    control->ReadPreferences();
    EXPECT_EQ(control->m_guid, "ABC");
    EXPECT_EQ(control->m_zipCode, "it's");
    EXPECT_EQ(control->m_updateFrequency, "C:\\new\\path");
    EXPECT_EQ(control->m_tvGuideEmail, "</script><script>alert(1)</script>");
    EXPECT_EQ(control->m_orbitzDefaultDeparture, "a'b\\c");
    EXPECT_EQ(readFile(prefFile()), text);  // complete, so not rewritten

    modPref::WritePreferences(root);
    std::string written = readFile(prefFile());
    EXPECT_NE(written.find("var ZipCode='it\\'s'\r\n"), std::string::npos);
    EXPECT_NE(written.find("var UpdateFrequency='C:\\\\new\\\\path'\r\n"), std::string::npos);
    EXPECT_NE(written.find("var TVGuideEmail='<\\/script><script>alert(1)<\\/script>'\r\n"), std::string::npos);
    EXPECT_EQ(written.find("</"), std::string::npos);
    std::vector<std::string> before = values();
    control->ReadPreferences();
    EXPECT_EQ(values(), before);
}

TEST_F(PrefFile, ValuesEscapeAndUnescapeExactly) {
    EXPECT_EQ(modPref::FormatPrefLine("UpdateFrequency", "20"), "var UpdateFrequency='20'");
    EXPECT_EQ(modPref::EscapeValue("a\\b'c</d\r\ne\tf\x01"), "a\\\\b\\'c<\\/de\tf\\u0001");
    EXPECT_EQ(modPref::EscapeValue("\U0001F600"), "\\uD83D\\uDE00");
    EXPECT_EQ(modPref::UnescapeValue("\\uD83D\\uDE00 \\u00e9 \\uZZZZ \\n \\"), "\U0001F600 \u00e9 \\uZZZZ \\n \\");
    EXPECT_EQ(modPref::ParsePrefLine("var ZipCode='46236'", "ZipCode"), "46236");
    EXPECT_EQ(modPref::ParsePrefLine("  var ZipCode=''  ", "ZipCode"), "");
    EXPECT_EQ(modPref::ParsePrefLine("var ZipCode=", "ZipCode"), std::nullopt);
    EXPECT_EQ(modPref::ParsePrefLine("", "ZipCode"), std::nullopt);
    // The value starts after as many characters as "var NAME='" has, whatever
    // the line's own name is made of.
    EXPECT_EQ(modPref::ParsePrefLine("var GU\u00cfD='X1'", "GUID"), "X1");
    EXPECT_EQ(modPref::ParsePrefLine("var ZipCode='K\u00f6ln'", "ZipCode"), "K\u00f6ln");
    EXPECT_EQ(modPref::ParsePrefLine("var ZipCode='\u00e9", "ZipCode"), "");
}

TEST_F(PrefFile, TheIdentifierIsThirtyTwoHexDigitsOfANewGuid) {
    EXPECT_EQ(modPref::CreateGUIDString(), "0123456789ABCDEF0123456789ABCDEF");
    sys::setGuidSource({});
    std::string id = modPref::CreateGUIDString();
    EXPECT_EQ(id.size(), 32u);
    EXPECT_EQ(id.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_NE(id, modPref::CreateGUIDString());
    sys::setGuidSource([] { return std::optional<sys::Guid>(); });
    EXPECT_EQ(modPref::CreateGUIDString(), "");
}

TEST_F(PrefFile, TheStartupOverrideMarkerFollowsLaunchOnStartup) {
    control->InitMenu(root);
    for (const char* notTrue : {"false", "TRUE", ""}) {
        control->m_launchOnStartup = notTrue;
        control->RaisePreferencesUpdatedEvent();
        EXPECT_EQ(readFile(overrideMarker()),
                  "Existance of this file prevents Lanternbay from launching on startup\r\n")
            << notTrue;
    }
    control->m_launchOnStartup = "true";
    control->RaisePreferencesUpdatedEvent();
    EXPECT_FALSE(rltest::fileExists(overrideMarker()));
    control->RaisePreferencesUpdatedEvent();
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{6, 6, 6, 6, 6}));
}

TEST_F(PrefFile, TheEventIsRaisedEvenWhenTheMarkerCannotBeWritten) {
    rltest::LogCapture log;
    control->InitMenu(root);
    // A folder where the marker should go: no process can write it.
    ASSERT_EQ(::mkdir(overrideMarker().c_str(), 0755), 0);
    control->m_launchOnStartup = "false";
    control->RaisePreferencesUpdatedEvent();
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{6}));
    EXPECT_TRUE(log.contains("Unable to create the startup override file " + overrideMarker()));
}

TEST_F(PrefFile, WithoutAnInstallRootNoMarkerIsWrittenButTheEventComes) {
    rltest::LogCapture log;
    control->m_launchOnStartup = "false";
    control->RaisePreferencesUpdatedEvent();
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{6}));
    EXPECT_TRUE(log.contains("Unable to keep the startup override file: the menu was not initialised"));
}

TEST_F(PrefFile, ReadingBeforeTheMenuIsInitialisedFailsClearly) {
    try {
        control->ReadPreferences();
        FAIL() << "no failure";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("InitMenu was not called"), std::string::npos) << e.what();
    }
}

TEST_F(PrefFile, TheUpdateFrequencyConvertsToASixteenBitWholeNumber) {
    control->m_updateFrequency = "20";
    EXPECT_EQ(control->GetUpdateFrequency(), 20);
    control->m_updateFrequency = " 2.5 ";
    EXPECT_EQ(control->GetUpdateFrequency(), 2);
    for (const char* bad : {"abc", "", "40000", "-40000", "0x10"}) {
        control->m_updateFrequency = bad;
        EXPECT_THROW(control->GetUpdateFrequency(), com::ComException) << bad;
    }
}

}  // namespace
