#pragma once
// Shared by the Qt backend's tests: the process runs with RL_TOOLKIT=qt, a
// home folder of its own (the web engine's profile, downloads and caches go
// there, not into the user's home) and the Qt backend registered. Without
// a window system the tests are skipped with a note.

#include "platform/toolkit/Toolkit.h"
#include "platform/toolkit/qt/QtAccess.h"
#include "platform/toolkit/qt/QtBackend.h"
#include "tests/support/BrowserSession.h"
#include "tests/support/Pictures.h"
#include "tests/support/Wait.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

namespace rltest::qt {

class QtEnvironment : public ::testing::Environment {
public:
    QtEnvironment() {
        char pattern[] = "/tmp/rl-qt-test-XXXXXX";
        if (::mkdtemp(pattern) != nullptr) m_home = pattern;
        for (const char* sub : {"data", "cache", "config", "runtime", "Downloads"}) {
            std::filesystem::create_directories(m_home + "/" + sub);
        }
        std::filesystem::permissions(m_home + "/runtime", std::filesystem::perms::owner_all);
        ::setenv("HOME", m_home.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (m_home + "/data").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (m_home + "/cache").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_home + "/config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (m_home + "/runtime").c_str(), 1);
        ::setenv("RL_TOOLKIT", "qt", 1);
        tk::qt::registerBackend();
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_home, ignored);
    }
    const std::string& home() const { return m_home; }

private:
    std::string m_home;
};

inline QtEnvironment& environment() {
    static QtEnvironment* env = static_cast<QtEnvironment*>(::testing::AddGlobalTestEnvironment(new QtEnvironment()));
    return *env;
}

// Made before main() so that the variables are set before anything starts.
inline const bool g_environmentReady = (environment(), true);

using rltest::haveDisplay;

#define RL_REQUIRE_DISPLAY()                                                       \
    do {                                                                           \
        if (!rltest::qt::haveDisplay()) GTEST_SKIP() << "no X display: run under xvfb-run"; \
    } while (false)

// Runs body from the native event loop once the next modal Qt dialog is up
// (it gets the dialog). It looks every 20 ms for as long as it takes: a
// dialog that opens late on a busy machine must still be closed, or the
// test would hang in it. A dialog that body left open after a failed
// assertion is closed.
inline void whenModalOpens(std::function<void(QWidget*)> body) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, body] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            QPointer<QWidget> open = modal;
            body(modal);
            // A body stopped by a failed assertion left the dialog open.
            if (::testing::Test::HasFatalFailure() && open && open->isVisible()) {
                if (auto* dialog = qobject_cast<QDialog*>(open.data())) {
                    dialog->reject();
                } else {
                    open->close();
                }
            }
        }
    });
    timer->start(20);
}

// Leaves a copy of the picture at path, named name + ".png", in the folder
// RL_DIALOG_SCREENSHOTS names, when it names one, for a person to look at.
// Answers the number of colours in the picture (every other pixel), a sign
// that something was drawn.
inline int keepPicture(const std::string& path, const std::string& name) {
    if (const char* keep = std::getenv("RL_DIALOG_SCREENSHOTS")) {
        std::filesystem::create_directories(keep);
        std::filesystem::copy_file(path, std::string(keep) + "/" + name + ".png",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    return rltest::coloursIn(path, 2);
}

}  // namespace rltest::qt
