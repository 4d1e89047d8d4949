// Tiraleaf.so as a program uses it: registered into a registry store of the
// test's own, made by ProgID in a toolkit frame, called by dispatch name,
// its events received by id. Creation without a registration or without
// the module file fails with a clear error.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/com/ComException.h"
#include "platform/com/OleAutomation.h"
#include "platform/com/OleControlSite.h"
#include "platform/com/Registration.h"
#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "tests/control/FormFinder.h"
#include "tests/support/TempWorkDir.h"

namespace {

struct Seen {
    com::DispId id;
    std::vector<std::string> args;
};

class TiraleafHost : public ::testing::Test {
protected:
    TiraleafHost() : display("headless"), driver(display) {
        ::setenv("RL_REGISTRY_DIR", work.file("registry").c_str(), 1);
        root = work.file("install");
        std::filesystem::create_directories(root);
        shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
        shell->setBounds(0, 0, 900, 700);
        frame = tk::make<tk::OleFrame>(shell, tk::NONE);
        frame->setBounds(1, 632, 870, 25);
        shell->open();
    }
    ~TiraleafHost() override {
        shell->dispose();
        ::unsetenv("RL_REGISTRY_DIR");
    }

    void listen(com::OleControlSite& site) {
        for (com::DispId id : {1, 2, 3, 6, 8, 9, 10, 11}) {
            site.addEventListener(id, [this](com::OleEvent& e) {
                Seen seen{e.type, {}};
                for (auto& a : e.arguments) seen.args.push_back(a.getString());
                events.push_back(seen);
            });
        }
    }

    com::ComError creationError(const std::string& progId, std::string& message) {
        try {
            com::OleControlSite site(frame.get(), tk::NONE, progId);
        } catch (const com::ComException& e) {
            message = e.what();
            return e.getError();
        }
        ADD_FAILURE() << progId << " was created";
        return com::ComError::Exception;
    }

    rltest::TempWorkDir work;
    std::string root;
    tk::Display display;
    tk::TestDriver driver;
    std::shared_ptr<tk::Shell> shell;
    std::shared_ptr<tk::OleFrame> frame;
    std::vector<Seen> events;
};

TEST_F(TiraleafHost, ReadingThePreferencesRaisesEventSixWithTheSixteenValues) {
    com::registerModule(TIRALEAF_MODULE);
    com::OleControlSite site(frame.get(), tk::NONE, "Tiraleaf.PopupMenu");
    listen(site);
    ASSERT_TRUE(site.doVerb(com::OLEIVERB_SHOW));
    com::OleAutomation automation(site);
    automation.invoke("InitMenu", {{"p_rootDir", com::Variant(root)}});

    // The panel stands in the frame, showing the placeholder and Google.
    tk::Composite* panel = site.getControlWindow();
    auto texts = rltest::controlsOf<tk::Text>(panel);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->getText(), "<Enter search terms>");
    EXPECT_NE(rltest::controlWithTip(panel, "Select Search Provider"), nullptr);

    // A first run: the first-run form opens inside ReadPreferences.
    bool formSeen = false;
    rltest::whenShellOpens(display, "Lanternbay - New User Zip Code", [&](tk::Shell& shell) {
        tk::Shell* form = &shell;
        formSeen = true;
        auto fields = rltest::controlsOf<tk::Text>(form);
        ASSERT_EQ(fields.size(), 1u);
        driver.replaceText(*fields[0], "k1a0b1");
        driver.click(*rltest::buttonWithText(form, "OK"));
    });
    automation.invoke("ReadPreferences");
    EXPECT_TRUE(formSeen);

    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].id, 11);
    EXPECT_EQ(events[1].id, 6);
    const std::vector<std::string> values = events[1].args;
    ASSERT_EQ(values.size(), 16u);
    EXPECT_EQ(values[0].size(), 32u);
    EXPECT_EQ(values[0].find_first_not_of("0123456789ABCDEF"), std::string::npos) << values[0];
    EXPECT_EQ(std::vector<std::string>(values.begin() + 1, values.end()),
              (std::vector<std::string>{"K1A0B1", "20", "", "", "", "", "", "", "false", "false", "Default", "true",
                                        "false", "0", "0"}));
    EXPECT_EQ(automation.getProperty("m_guid").getString(), values[0]);
    EXPECT_EQ(automation.invoke("GetUpdateFrequency").getShort(), 20);
    EXPECT_TRUE(rltest::fileExists(root + "/content/js/core-pref.js"));
    EXPECT_EQ(rltest::readFile(root + "/content/js/core-pref.ini"), "-\r\n");

    // A second start of the control reads what the first wrote.
    events.clear();
    automation.invoke("DisposeOfMenu");
    site.dispose();
    com::OleControlSite again(frame.get(), tk::NONE, "Tiraleaf.PopupMenu");
    listen(again);
    again.doVerb(com::OLEIVERB_SHOW);
    com::OleAutomation second(again);
    second.invoke("InitMenu", {{"p_rootDir", com::Variant(root)}});
    second.invoke("ReadPreferences");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].id, 6);
    EXPECT_EQ(events[0].args, values);
}

TEST_F(TiraleafHost, HostCallsReachTheControlByName) {
    com::registerModule(TIRALEAF_MODULE);
    com::OleControlSite site(frame.get(), tk::NONE, "Tiraleaf.PopupMenu");
    listen(site);
    site.doVerb(com::OLEIVERB_SHOW);
    com::OleAutomation automation(site);
    automation.invoke("InitMenu", {{"p_rootDir", com::Variant(root)}});
    tk::Composite* panel = site.getControlWindow();
    automation.invoke("SetUpdateButtonsEnabled",
                      {{"p_currentEnabled", com::Variant(false)}, {"p_allEnabled", com::Variant(true)}});
    EXPECT_FALSE(rltest::controlWithTip(panel, "Update Current Page")->getEnabled());
    EXPECT_TRUE(rltest::controlWithTip(panel, "Update All Pages")->getEnabled());
    automation.invoke("SetPreferencesPopupLocation",
                      {{"p_prefPopupX", com::Variant("4140")}, {"p_prefPopupY", com::Variant("465")}});
    EXPECT_EQ(automation.getProperty("m_prefPopupX").getString(), "4140");
    automation.invoke("RaiseNewUserEvent");
    automation.invoke("SetFocusToSearchTextBox");
    EXPECT_EQ(rltest::controlsOf<tk::Text>(panel)[0]->getText(), "");
    automation.invoke("SetupIsConnectedProperty");
    EXPECT_EQ(automation.getProperty("m_isConnected").getType(), com::VarType::Bool);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].id, 11);
    // The ids are the interface's own.
    EXPECT_EQ(automation.getIDsOfNames({"m_prefPopupX"})[0], 0x40030001);
    EXPECT_EQ(automation.getIDsOfNames({"m_isConnected"})[0], 0x40030013);
    EXPECT_EQ(automation.getIDsOfNames({"SetFocusToSearchTextBox"})[0], 0x60030003);
    EXPECT_EQ(automation.getIDsOfNames({"DownloadURLWithPost", "p_data", "p_url"}),
              (std::vector<com::DispId>{0x6003000E, 1, 0}));
}

TEST_F(TiraleafHost, AnUnregisteredProgIdFailsClearly) {
    std::string message;
    EXPECT_EQ(creationError("Tiraleaf.PopupMenu", message), com::ComError::ClassNotRegistered);
    EXPECT_NE(message.find("Class not registered: Tiraleaf.PopupMenu"), std::string::npos) << message;
    EXPECT_TRUE(frame->getChildren().empty());
}

TEST_F(TiraleafHost, AMissingModuleFailsClearly) {
    // Registered from a copy that is gone when the control is asked for.
    std::string copy = work.file("moved/Tiraleaf.so");
    std::filesystem::create_directories(work.file("moved"));
    std::filesystem::copy_file(TIRALEAF_MODULE, copy);
    com::registerModule(copy);
    EXPECT_EQ(com::findClass("Tiraleaf.PopupMenu").modulePath, copy);
    std::filesystem::remove(copy);
    std::string message;
    EXPECT_EQ(creationError("Tiraleaf.PopupMenu", message), com::ComError::ModuleNotLoaded);
    EXPECT_NE(message.find("Cannot load module " + copy), std::string::npos) << message;
    EXPECT_TRUE(frame->getChildren().empty());
}

}  // namespace
