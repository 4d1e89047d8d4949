// tiraleaf-host: Tiraleaf.so hosted as the portal hosts it, in a window of
// its own, until the portal exists to do it.
//
//   tiraleaf-host [--root DIR] [--module FILE] [--seconds N]
//                 [--screenshot FILE.png] [--menu | --preferences]
//
// Registers the module (in the registry store named by RL_REGISTRY_DIR, or
// the user's), makes "Tiraleaf.PopupMenu" by ProgID in a frame of the
// window, calls InitMenu with the install folder (DIR, else the working
// folder) and ReadPreferences, and lists every event the control raises.
// --menu opens the provider menu and --preferences the preferences form
// for the screenshot, which is taken of the window's part of the screen.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "platform/com/ComException.h"
#include "platform/com/OleAutomation.h"
#include "platform/com/OleControlSite.h"
#include "foundation/QuietEnd.h"
#include "foundation/Thread.h"
#include "platform/com/Registration.h"
#include "platform/system/NumberText.h"
#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/toolkit/qt/QtAccess.h"
#include "platform/toolkit/qt/QtBackend.h"

namespace {

struct Options {
    std::string root = std::filesystem::current_path().string();
    std::string module = TIRALEAF_MODULE;
    std::string screenshot;
    int seconds = 0;
    bool menu = false;
    bool preferences = false;
};

const char* kUsage =
    "usage: tiraleaf-host [--root DIR] [--module FILE] [--seconds N] [--screenshot FILE.png] "
    "[--menu | --preferences]\n";

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--root" && hasValue) {
            o.root = std::filesystem::absolute(argv[++i]).string();
        } else if (arg == "--module" && hasValue) {
            o.module = std::filesystem::absolute(argv[++i]).string();
        } else if (arg == "--screenshot" && hasValue) {
            o.screenshot = argv[++i];
        } else if (arg == "--seconds" && hasValue) {
            o.seconds = sys::parseNumber<int>(argv[++i]).value_or(0);
        } else if (arg == "--menu") {
            o.menu = true;
        } else if (arg == "--preferences") {
            o.preferences = true;
        } else {
            return false;
        }
    }
    return !(o.menu && o.preferences);
}

// The control whose tool tip is tip, inside parent.
tk::Control* byTip(tk::Composite* parent, const std::string& tip) {
    for (tk::Control* child : parent->getChildren()) {
        if (child->getToolTipText() == tip) return child;
        if (auto* inner = dynamic_cast<tk::Composite*>(child)) {
            if (tk::Control* found = byTip(inner, tip)) return found;
        }
    }
    return nullptr;
}

}  // namespace

static int runHost(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::cerr << kUsage;
        return 2;
    }
    const char* x = std::getenv("DISPLAY");
    if (x == nullptr || *x == '\0') {
        std::cerr << "no window system: DISPLAY is not set\n";
        return 1;
    }
    // An interrupt, termination or hang-up signal (Ctrl+C, a session's end)
    // closes the window as its close box does, also while a form or box is
    // open.
    foundation::QuietEnd::installSignalHandlers();
    tk::qt::registerBackend();
    // A window to look at: always the Qt backend, whatever RL_TOOLKIT says.
    tk::Display display("qt");
    auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    shell->setText("Tiraleaf host");
    shell->setBounds(40, 40, 900, 300);
    auto frame = tk::make<tk::OleFrame>(shell, tk::NONE);
    frame->setBounds(1, 10, 870, 25);
    auto log = tk::make<tk::List>(shell, tk::SINGLE | tk::BORDER | tk::V_SCROLL);
    log->setBounds(10, 50, 860, 200);
    shell->open();

    std::unique_ptr<com::OleControlSite> site;
    std::unique_ptr<com::OleAutomation> automation;
    try {
        com::registerModule(options.module);
        site = std::make_unique<com::OleControlSite>(frame.get(), tk::NONE, "Tiraleaf.PopupMenu");
        automation = std::make_unique<com::OleAutomation>(*site);
    } catch (const com::ComException& failure) {
        std::cerr << "Cannot create Tiraleaf.PopupMenu: " << failure.what() << "\n";
        return 1;
    }
    const char* names[] = {"",
                           "OnSearch",
                           "OnUpdateCurrent",
                           "OnUpdateAll",
                           "OnPreferencesUpdate",
                           "OnPreferencesUpdate2",
                           "OnPreferencesUpdate3",
                           "OnAltCtrlM",
                           "OnAltCtrlS",
                           "OnShare",
                           "OnPreferencesShown",
                           "OnNewUser"};
    for (com::DispId id = 1; id <= 11; ++id) {
        site->addEventListener(id, [&, id](com::OleEvent& e) {
            std::string line = std::to_string(id) + " " + names[id];
            for (auto& a : e.arguments) line += " [" + a.getString() + "]";
            std::cout << line << std::endl;
            log->add(line);
            if (id == 10) {
                // Where the portal puts the form: beside its window.
                tk::Point at = shell->getLocation();
                automation->invoke("SetPreferencesPopupLocation",
                                   {{"p_prefPopupX", com::Variant(std::to_string(15 * at.x + 4125))},
                                    {"p_prefPopupY", com::Variant(std::to_string(15 * at.y + 450))}});
            }
        });
    }
    site->doVerb(com::OLEIVERB_SHOW);

    tk::TestDriver driver(display);
    auto shoot = [&] {
        if (options.screenshot.empty()) return;
        tk::Rectangle b = shell->getBounds();
        if (QGuiApplication::primaryScreen() == nullptr) return;
        QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0, b.x, b.y, b.width, b.height + 420);
        bool saved = picture.save(QString::fromStdString(options.screenshot));
        std::cout << (saved ? "saved " : "could not save ") << options.screenshot << std::endl;
    };
    // Opens what was asked for, then takes the picture while it is shown.
    // Armed before the preferences are read: a first run's form is open
    // then, and is what the picture shows.
    auto show = tk::runnable([&] {
        auto* button = dynamic_cast<tk::Button*>(
            byTip(site->getControlWindow(), options.menu ? "Select Search Provider" : "Profile and Preferences"));
        display.timerExec(700, tk::runnable(shoot));
        if (button != nullptr) driver.click(*button);
    });
    display.timerExec(500, (options.menu || options.preferences) ? show : tk::runnable(shoot));
    if (options.seconds > 0) display.timerExec(options.seconds * 1000, tk::runnable([&] { shell->dispose(); }));
    std::shared_ptr<tk::Runnable> endWatch;
    endWatch = tk::runnable([&] {
        if (shell->isDisposed()) return;
        if (foundation::QuietEnd::isRequested()) {
            std::cout << "Ending on a signal" << std::endl;
            shell->dispose();
            return;
        }
        display.timerExec(foundation::QuietEnd::CHECK_MS, endWatch);
    });
    display.timerExec(foundation::QuietEnd::CHECK_MS, endWatch);

    int status = 0;
    try {
        automation->invoke("InitMenu", {{"p_rootDir", com::Variant(options.root)}});
        automation->invoke("ReadPreferences");
    } catch (const com::ComException& failure) {
        // Closing the host while the first run's form is open ends the
        // control under ReadPreferences; that is no failure of the control.
        if (!shell->isDisposed()) {
            std::cerr << "The control failed: " << failure.what() << "\n";
            status = 1;
        }
    }

    while (!shell->isDisposed()) {
        if (!display.readAndDispatch()) display.sleep();
    }
    // The menu or form still open closes with the control.
    try {
        if (automation) automation->invoke("DisposeOfMenu");
    } catch (const com::ComException&) {
    }
    automation.reset();
    site.reset();
    return status;
}

int main(int argc, char** argv) {
    // The control's web requests still on their way end before the process.
    return foundation::Thread::endProcess(runHost(argc, argv));
}
