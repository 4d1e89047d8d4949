// From a fresh install folder to balances on the results page, as a person
// does it: the tracker window opens with its default user, the users and
// their logins are set up in the Users & Accounts dialog, Retrieve is
// pressed, and the real adapters fetch each balance from its imitation site
// through the real web client.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/BlowfishEasy.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/Wait.h"
#include "tests/tracker/adapters/Scenario.h"
#include "tests/tracker/ui/WindowFixture.h"
#include "tracker/ui/SetupDialog.h"
#include "tracker/ui/SetupDialogAddUser.h"
#include "tracker/ui/SetupDialogRenameUser.h"

namespace {

using namespace rltest;
using tracker::ui::BaseRLApp;
using tracker::ui::SetupDialog;
using tracker::ui::UserNameDialog;

// The scenario of a program that a whole retrieval replays.
const Scenario& retrieveScenario(const std::string& key) {
    static const std::vector<Scenario> all = loadScenarios(RL_SCENARIO_DIR);
    for (const Scenario& s : all) {
        if (s.key == key && s.hasTag("retrieve")) return s;
    }
    throw std::invalid_argument("no retrieve scenario for " + key);
}

// "87654" as the results page writes it: "87,654".
std::string grouped(const std::string& digits) {
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

class SetupRetrievalTest : public WindowFixture {
protected:
    void TearDown() override {
        SetupDialog::cleanUp();
        WindowFixture::TearDown();
    }

    void nameUser(UserNameDialog& small, const std::string& name) {
        ASSERT_TRUE(driver.replaceText(*small.getNameField(), name));
        ASSERT_TRUE(driver.click(*small.getOKButton()));
        ASSERT_TRUE(small.getShell()->isDisposed());
    }

    void enterLogin(SetupDialog& d, const Scenario& s) {
        ASSERT_TRUE(driver.select(*d.getAccountList(), programRow(s.key))) << s.key;
        ASSERT_TRUE(driver.replaceText(*d.getUsernameField(), s.user));
        ASSERT_TRUE(driver.replaceText(*d.getPasswordField(), s.password));
    }
};

TEST_F(SetupRetrievalTest, AccountsSetUpInTheDialogAreRetrievedFromTheirSites) {
    const Scenario& american = retrieveScenario("American");
    const Scenario& aeroflot = retrieveScenario("Aeroflot");
    const Scenario& alaska = retrieveScenario("Alaska");
    ImitationWeb web;
    serveAll(web, {&american, &aeroflot, &alaska});

    // A first start: no settings, the default user.
    ASSERT_FALSE(fileExists(dir.file("Roamledger.settings")));
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    settle();
    ASSERT_EQ(RLPreferences::getUserCount(), 1);

    ASSERT_TRUE(driver.click(*window->getSetupButton()));
    SetupDialog& d = *window->getSetupDialog();
    // The default user becomes Alice, with two programs; Bob gets one.
    ASSERT_TRUE(driver.click(*d.getRenameUserButton()));
    nameUser(*dynamic_cast<UserNameDialog*>(d.getNameDialog()), "Alice");
    ASSERT_TRUE(driver.select(*d.getMainFolder(), SetupDialog::MAIN_ACCOUNTS_TAB));
    enterLogin(d, american);
    enterLogin(d, aeroflot);
    ASSERT_TRUE(driver.select(*d.getMainFolder(), SetupDialog::MAIN_USERS_TAB));
    ASSERT_TRUE(driver.click(*d.getAddUserButton()));
    nameUser(*dynamic_cast<UserNameDialog*>(d.getNameDialog()), "Bob");
    ASSERT_TRUE(driver.select(*d.getMainFolder(), SetupDialog::MAIN_ACCOUNTS_TAB));
    ASSERT_EQ(d.getAccountsFolder()->getSelectionIndex(), 1);
    enterLogin(d, alaska);
    ASSERT_TRUE(driver.click(*d.getDoneButton()));
    ASSERT_TRUE(driver.shownDialogs().empty()) << driver.shownDialogs().front().message;

    auto settings = storedSettings();
    EXPECT_EQ(settings["User0"], "Alice");
    EXPECT_EQ(settings["User1"], "Bob");
    EXPECT_EQ(settings["User0AmericanUsername"], american.user);
    EXPECT_EQ(settings["User1AlaskaUsername"], alaska.user);
    foundation::BlowfishEasy cipher(RLPreferences::BLOWFISH_PASS_PHRASE);
    EXPECT_NE(settings["User0AeroflotPassword"], aeroflot.password);
    EXPECT_EQ(cipher.decryptString(settings["User0AeroflotPassword"]), aeroflot.password);

    // Retrieve, and wait for the window to be told the retrieval ended.
    ASSERT_TRUE(driver.click(*window->getUpdateButton()));
    ASSERT_TRUE(BaseRLApp::isCheckInProgress());
    ASSERT_TRUE(waitFor(
        [&] {
            settle();
            return !BaseRLApp::isCheckInProgress();
        },
        60000));
    EXPECT_EQ(window->getUpdateButton()->getText(), "Retrieve All Accounts");

    const std::string results = page("Roamledger.html");
    for (const Scenario* s : {&american, &aeroflot, &alaska}) {
        EXPECT_NE(results.find(grouped(*s->balance)), std::string::npos) << s->key << " balance on the results page";
    }
    EXPECT_NE(results.find("Alice"), std::string::npos);
    EXPECT_NE(results.find("Bob"), std::string::npos);
    settings = storedSettings();
    EXPECT_EQ(settings["User0AmericanBalance"], *american.balance);
    EXPECT_EQ(settings["User0AeroflotBalance"], *aeroflot.balance);
    EXPECT_EQ(settings["User1AlaskaBalance"], *alaska.balance);

    // The sites were asked with the logins typed; no password was logged.
    EXPECT_FALSE(web.requests().empty());
    const std::string logText = log();
    for (const Scenario* s : {&american, &aeroflot, &alaska}) {
        EXPECT_EQ(logText.find(s->password), std::string::npos) << s->key;
    }
}

}  // namespace
