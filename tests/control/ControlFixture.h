#pragma once
// A control made directly (without its module) in a headless window, with
// a site that records its events, in a fresh install folder.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control/PopupMenu.h"
#include "platform/com/ComException.h"
#include "control/modPref.h"
#include "platform/com/OleControl.h"
#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "tests/control/FormFinder.h"
#include "tests/support/TempWorkDir.h"

namespace rltest {

struct SeenEvent {
    com::DispId id;
    std::vector<std::string> args;
};

class RecordingSite : public com::ClientSite {
public:
    explicit RecordingSite(tk::Composite* window) : m_window(window) {}
    tk::Composite* getControlWindow() override { return m_window; }
    void onEvent(com::DispId id, std::vector<com::Variant>& args) override {
        SeenEvent seen{id, {}};
        for (auto& a : args) seen.args.push_back(a.getString());
        events.push_back(seen);
        if (listener) listener(id, args);
    }
    std::vector<com::DispId> ids() const {
        std::vector<com::DispId> out;
        for (auto& e : events) out.push_back(e.id);
        return out;
    }
    std::vector<SeenEvent> events;
    std::function<void(com::DispId, std::vector<com::Variant>&)> listener;

private:
    tk::Composite* m_window;
};

class ControlFixture : public ::testing::Test {
protected:
    ControlFixture() : display("headless"), driver(display) {
        shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
        shell->setBounds(50, 60, 900, 120);
        window = tk::make<tk::Composite>(shell, tk::NONE);
        window->setBounds(1, 40, 870, 25);
        shell->open();
        site = std::make_unique<RecordingSite>(window.get());
        control = std::make_shared<tiraleaf::PopupMenu>();
        control->setClientSite(site.get());
        control->doVerb(com::OLEIVERB_SHOW);
        root = work.path();
    }
    ~ControlFixture() override {
        control->close();
        control.reset();
        shell->dispose();
    }

    std::string file(const std::string& relative) const { return root + relative; }
    std::string prefFile() const { return file(tiraleaf::modPref::PREF_FILE); }
    std::string firstRunMarker() const { return file(tiraleaf::modPref::FIRST_RUN_MARKER); }
    std::string overrideMarker() const { return file(tiraleaf::modPref::STARTUP_OVERRIDE); }

    // A later run: the first-run marker and, unless nullptr, the file.
    void laterRun(const char* prefText) {
        std::string dir = root + "/content/js";
        std::string command = "mkdir -p '" + dir + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        writeFile(firstRunMarker(), "-\r\n");
        if (prefText != nullptr) writeFile(prefFile(), prefText);
    }

    // Runs body from the event loop once a modal loop waits (the control's
    // forms and menu run their own loops). A body stopped by a failed
    // assertion closes the modal windows, or the test would hang in them.
    void whenModal(std::function<void()> body) {
        display.asyncExec([this, body = std::move(body)] {
            body();
            if (::testing::Test::HasFatalFailure()) rltest::closeModalShells(display);
        });
    }

    TempWorkDir work;
    tk::Display display;
    tk::TestDriver driver;
    std::shared_ptr<tk::Shell> shell;
    std::shared_ptr<tk::Composite> window;
    std::unique_ptr<RecordingSite> site;
    std::shared_ptr<tiraleaf::PopupMenu> control;
    std::string root;
};

}  // namespace rltest
