#include "foundation/Messages.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include <set>
#include <thread>
#include <vector>

#include "foundation/RLConstants.h"
#include "tests/support/TempWorkDir.h"

using foundation::Messages;
using foundation::RLConstants;

namespace {

// Every key the programs may ask for, by class.
const std::vector<std::pair<std::string, std::vector<std::string>>> KEYS = {
    {"AboutDialog", {"About", "DevelopedBy", "OK", "Released"}},
    {"BaseRLApp", {
         "AboutAccel", "AboutMenu", "BackupAccel", "BackupDialog", "BackupMenu", "BugAccel", "BugButton", "BugMenu",
         "CancelCheck", "CheckAll", "DocumentationAccel", "DocumentationMenu", "ExitAccel", "ExitMenu", "FileMenu",
         "HelpMenu", "NoAutoBackup1", "NoAutoBackup2", "NoAutoBackup3", "NoAutoBackup4", "NoBackup1", "NoBackup2",
         "NoBackup3", "NoBackup4", "NoBackup5", "NoSingleCheck1", "NoSingleCheck2", "PageSetupAccel", "PageSetupMenu",
         "PrintAccel", "PrintMenu", "PrintPreviewAccel", "PrintPreviewMenu", "SaveAsHTMLAccel", "SaveAsHTMLMenu",
         "SettingsAccel", "SettingsButton", "SettingsMenu", "SetupAccel", "SetupMenu", "UsersAndAccountsButton",
         "UsersAndAccountsMenu", "WebsiteAccel", "WebsiteMenu"
     }},
    {"BugReportDialog", {
         "Additional", "BugTitle", "Cancel", "Description", "Email", "EmailAdditional", "EmailDescription",
         "EmailEmail", "EmailName", "EmailSubject", "Name", "NoDescription1", "NoDescription2", "NoEmail1", "NoEmail2",
         "Note", "NotSubmitted1", "NotSubmitted2", "NotSubmitted3", "Submit", "SubmittedEmail1", "SubmittedEmail2",
         "SubmittedNoEmail1", "SubmittedNoEmail2", "Version"
     }},
    {"RLConstants", {
         "ProductNameDisplay", "ProductNameInternal", "SupportEmail", "SupportWebsite", "WebsiteShort", "WebsiteLong"
     }},
    {"RLEngine", {
         "Account", "AutoNavigate", "AutoNavigateAbbrev", "Balance", "BalancesLastChecked", "Change", "Check",
         "Details", "DetailsAndChart", "FlyerTalk", "FlyerTalkAbbrev", "GeneratedOn", "History", "Interstitial",
         "ITYT", "Navigate", "NavigateAbbrev", "NoHistory", "NoTransactions", "NotAvailable", "NoUserOrAccounts",
         "Provider", "RecentTransactions", "SimpleDateFormat", "SingleCheck", "Summary", "Total", "View", "ViewChart",
         "ViewSummary"
     }},
    {"RLRoambay", {"NoSetupDuringCheck1", "NoSetupDuringCheck2", "NoSummaryDuringCheck1", "NoSummaryDuringCheck2"}},
    {"RLPreferences", {
         "Abbreviations", "BlockedLogin", "InteractionRequired", "InvalidLogin", "LoginLength", "Maintenance",
         "NeverChecked", "New", "NoBalancesMaintained", "NonFunctional", "NotAvailable", "Pending", "PrimaryUser",
         "ProviderProblem", "TimedOut", "Unknown"
     }},
    {"RLSource", {"DetailsNotTracked", "NoRecentTransactions", "TransactionsNotTracked"}},
    {"RLBRTW", {"NoSetupDuringCheck1", "NoSetupDuringCheck2", "NoSummaryDuringCheck1", "NoSummaryDuringCheck2"}},
    {"OptionsDialog", {
         "Advanced", "CalculateTotal", "Cancel", "CellPadding", "CellSpacing", "CloseNavigators", "ColorRowDark",
         "ColorRowHeader", "ColorRowLight", "ConfigureColorDarkRow", "ConfigureColorHeaderRow",
         "ConfigureColorLightRow", "Display", "FlyerTalkLinks", "General", "HideNavigator", "HorizontalLayout",
         "IEOptions", "ITYTLinks", "LoggingLevel", "MaskPasswords", "MaxThreadsHigh1", "MaxThreadsHigh2",
         "MaxThreadsLow1", "MaxThreadsLow2", "NiceLevel1", "NiceLevel2", "OK", "OverallTimeout1", "OverallTimeout2",
         "PageTimeout1", "PageTimeout2", "PersistDownloads", "RestartForMostChanges", "RestoreAllDefaults",
         "ReverseHistory", "SettingsTitle", "ShowUsernames", "ThreadPoll1", "ThreadPoll2", "UpdateOnLaunch"
     }},
    {"PropertiesPrefPersist", {
         "NoSettingsFound1", "NoSettingsFound2", "NoSettingsFound3", "NoSettingsFound4", "NoSettingsLoaded1",
         "NoSettingsLoaded2", "NoSettingsLoaded3", "NotSaveSettings1", "NotSaveSettings2", "NotSaveSettings3",
         "PreviousDirectory1", "PreviousDirectory2", "PreviousFilter", "PreviousUser1", "PreviousUser2"
     }},
    {"SetupDialog", {
         "Accounts", "AddUser", "AlreadyExists1", "AlreadyExists2", "AlreadyExists3", "BothFields1", "BothFields2",
         "BothFields3", "BothFields4", "Done", "InvalidNameCharacters1", "InvalidNameCharacters2", "LocalAccountInfo",
         "NoName1", "NoName2", "NoNameForRename1", "NoNameForRename2", "NoSpacesOrDashes", "NoUsers1", "NoUsers2",
         "NoUserSelected1", "NoUserSelected2", "RemoveAccount", "RemoveUser", "RemoveUserConfirmation1",
         "RemoveUserConfirmation2", "RemoveUserConfirmation3", "RenameUser", "SetupTitle", "TopTwoFields1",
         "TopTwoFields2", "TopTwoFields3", "TopTwoFields4", "Users"
     }},
    {"SetupDialogAddUser", {"Title", "Label", "Cancel", "OK"}},
    {"SetupDialogRenameUser", {"Title", "Label", "Cancel", "OK"}},
    {"Upgrader", {
         "DownloadComplete", "DownloadCount1", "DownloadCount2", "Title", "UpgradeAvailable1", "UpgradeAvailable2",
         "UpgradeError1", "UpgradeError2"
     }},
};

}  // namespace

// First in the file: the catalogue's first load happens on several threads at once.
TEST(MessagesTest, FirstLoadFromManyThreads) {
    std::vector<std::thread> threads;
    std::vector<std::string> seen(8);
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&seen, i] { seen[i] = Messages::get("RLEngine.Total"); });
    }
    for (auto& t : threads) t.join();
    for (const auto& text : seen) EXPECT_EQ(text, "Total");
}

TEST(MessagesTest, AnswersEveryKeyAndNoOthers) {
    std::set<std::string> expected;
    for (const auto& [prefix, names] : KEYS) {
        for (const auto& name : names) expected.insert(prefix + "." + name);
    }
    ASSERT_EQ(expected.size(), 242u);
    for (const auto& key : expected) {
        EXPECT_TRUE(Messages::contains(key)) << key;
        EXPECT_NE(Messages::get(key), "!" + key + "!") << key;
    }
    std::vector<std::string> keys = Messages::keys();
    EXPECT_EQ(keys.size(), 242u);
    EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()), expected);
}

TEST(MessagesTest, ExactTexts) {
    const std::pair<const char*, const char*> cases[] = {
        {"RLPreferences.Pending", "..."},
        {"PropertiesPrefPersist.NoSettingsFound2", ""},
        {"RLConstants.ProductNameDisplay", "Roamledger"},
        {"RLEngine.SimpleDateFormat", "EEEE, MM/dd/yy 'at' h:mm a"},
        {"RLEngine.SingleCheck", "&nbsp;&nbsp;&nbsp;Single Retrieval"},
        {"RLEngine.NoUserOrAccounts",
         "No users and/or accounts have been added.<br><br>Click the \"Users &amp; Accounts\" button below in "
         "order to add them."},
        {"RLPreferences.NonFunctional",
         "Unavailable until future upgrade.  Please login manually or use Navigate on the right."},
        {"PropertiesPrefPersist.NotSaveSettings2",
         ") is not open or read-only.\r\n\r\nGory details if necessary for support"},
        {"RLBRTW.NoSummaryDuringCheck2", "Retrieval In Progress"},
        {"BaseRLApp.BackupMenu", "&Backup Users, Accounts, && Options"},
        {"BaseRLApp.PrintPreviewAccel", "N"},
        {"BaseRLApp.CheckAll", "Retrieve All Accounts"},
        {"OptionsDialog.MaxThreadsLow2",
         "retrieval(s) [a higher value should improve performance, but it may temporarily slow down your computer "
         "and connection]"},
        {"OptionsDialog.HideNavigator",
         "Hide Auto Navigate Window until Destination Reached [Warning - if there are any problems such as\r\n"
         "incorrect logins or unavailable websites, the window will never appear and no error will be displayed]"},
        {"SetupDialog.AlreadyExists1", "A user already exists with the name '"},
        {"SetupDialogRenameUser.OK", "Rename"},
        {"BugReportDialog.NotSubmitted1",
         "Unable to send over the network. Please copy and paste the\r\n\r\ninformation you've entered and e-mail "
         "it to"},
        {"Upgrader.DownloadCount2", "new component(s)..."},
        {"Upgrader.UpgradeAvailable1",
         "There is an upgrade available for Lanternbay. Do you wish to have it automatically downloaded and "
         "installed?\r\n\r\nIf not, you will be asked again the next time that Lanternbay is launched."},
    };
    for (const auto& [key, text] : cases) EXPECT_EQ(Messages::get(key), text) << key;
}

TEST(MessagesTest, UnknownKeyIsMarkedNotFailed) {
    EXPECT_EQ(Messages::get("RLEngine.NoSuchKey"), "!RLEngine.NoSuchKey!");
    EXPECT_EQ(Messages::get(""), "!!");
    EXPECT_EQ(Messages::get("rlengine.total"), "!rlengine.total!");
    EXPECT_FALSE(Messages::contains("RLEngine.NoSuchKey"));
}

TEST(MessagesTest, ProductConstants) {
    EXPECT_EQ(RLConstants::ProductNameDisplay(), "Roamledger");
    EXPECT_EQ(RLConstants::ProductNameInternal(), "Roamledger");
    // The product server has no public host.
    for (const std::string* value : {&RLConstants::SupportEmail(), &RLConstants::SupportWebsite(),
                                     &RLConstants::WebsiteShort(), &RLConstants::WebsiteLong()}) {
        EXPECT_NE(value->find(".example"), std::string::npos) << *value;
    }
    EXPECT_NE(RLConstants::SupportEmail().find('@'), std::string::npos);
    EXPECT_EQ(RLConstants::WebsiteLong().rfind("https://", 0), 0u);
    EXPECT_EQ(RLConstants::SupportWebsite().rfind("https://", 0), 0u);
    EXPECT_EQ(&RLConstants::WebsiteShort(), &RLConstants::WebsiteShort());
}

TEST(MessagesTest, CompiledCatalogueIsTheResourceFile) {
    std::string file = rltest::readFile(rltest::sourceDir() + "/resources/Messages.properties");
    auto parsed = Messages::parseProperties(file);
    ASSERT_EQ(parsed.size(), 242u);
    for (const auto& [key, value] : parsed) EXPECT_EQ(Messages::get(key), value) << key;
    // Plain ASCII, one entry per line, no comments.
    size_t lines = 0;
    for (char c : file) {
        EXPECT_LT(static_cast<unsigned char>(c), 0x80u);
        if (c == '\n') ++lines;
    }
    EXPECT_EQ(lines, 242u);
    EXPECT_EQ(file.find('#'), std::string::npos);
}

TEST(MessagesTest, PropertiesEscapesAndSeparators) {
    auto p = Messages::parseProperties(
        "a=1\n"
        "b = two words \n"
        "c:3\n"
        "d 4\n"
        "e\t=\t5\n"
        "f==6\n"
        "g=\\r\\n\\t\\\\x\\=\\:\\q\n"
        "h=\\u00e9\\u20AC\\uD83D\\uDE00\\uD800x\n"
        "key\\ with\\=odd\\:chars=v\n"
        "  # a comment\n"
        "! another\n"
        "\n"
        "   \n"
        "j=first \\\n"
        "     second\\\n"
        "third\r\n"
        "k=ends in slash\\\\\n"
        "l=\xE9\r"
        "m\n"
        "n=\\ lead\n"
        "a=last wins");
    std::map<std::string, std::string, std::less<>> expected = {
        {"a", "last wins"},
        {"b", "two words "},
        {"c", "3"},
        {"d", "4"},
        {"e", "5"},
        {"f", "=6"},
        {"g", "\r\n\t\\x=:q"},
        {"h", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBDx"},
        {"key with=odd:chars", "v"},
        {"j", "first secondthird"},
        {"k", "ends in slash\\"},
        {"l", "\xC3\xA9"},
        {"m", ""},
        {"n", " lead"},
    };
    EXPECT_EQ(p, expected);
    // A broken escape makes the whole text unreadable rather than a guess.
    EXPECT_THROW(Messages::parseProperties("i=bad\\u12G4\n"), std::invalid_argument);
}
