// Every modal dialog of the Qt backend ended from outside while it is open,
// the way a program's end reaches it: a timer of the toolkit, running inside
// the dialog's own loop, disposes the dialog's shell or the whole display.
// The call returns the dialog's "closed" answer, the dialog is gone and
// nothing is freed twice (the AddressSanitizer build runs these too). The
// session manager's end of the session reaches the program as SIGTERM; a
// program that leaves by exit() ends without its exit-time clean-up.

#include "tests/platform/toolkit/qt/QtTestSupport.h"
#include "tests/support/TempWorkDir.h"

#include <QApplication>
#include <QPointer>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

enum class Ending { ParentShell, Display };

struct Kind {
    const char* name;
    bool needsBrowser;
    // Opens the dialog over shell and answers what the
    // call returned, as text.
    std::function<std::string(tk::Shell* shell, tk::Browser* browser)> open;
    // What the call answers for a dialog closed without a choice.
    std::string closed;
};

std::string text(const std::optional<std::string>& value) { return value ? "chosen " + *value : "none"; }

const std::vector<Kind>& kinds() {
    static const std::vector<Kind> all = {
        {"MessageBox", false,
         [](tk::Shell* shell, tk::Browser*) {
             tk::MessageBox box(shell, tk::ICON_WARNING | tk::YES | tk::NO);
             box.setText("Lanternbay");
             box.setMessage("Please enter a valid 5 digit US zip code");
             return std::to_string(box.open());
         },
         std::to_string(tk::NO)},
        {"OpenFileDialog", false,
         [](tk::Shell* shell, tk::Browser*) {
             tk::FileDialog dialog(shell, tk::OPEN);
             dialog.setFilterExtensions({"*.settings"});
             return text(dialog.open());
         },
         "none"},
        {"SaveFileDialog", false,
         [](tk::Shell* shell, tk::Browser*) {
             tk::FileDialog dialog(shell, tk::SAVE);
             dialog.setFileName("Roamledger-Backup.settings");
             return text(dialog.open());
         },
         "none"},
        {"DirectoryDialog", false,
         [](tk::Shell* shell, tk::Browser*) {
             tk::DirectoryDialog dialog(shell);
             dialog.setMessage("Pick a folder");
             return text(dialog.open());
         },
         "none"},
        {"ColorDialog", false,
         [](tk::Shell* shell, tk::Browser*) {
             tk::ColorDialog dialog(shell);
             auto chosen = dialog.open();
             return chosen ? std::string("chosen") : std::string("none");
         },
         "none"},
        {"BrowserSaveAs", true,
         [](tk::Shell*, tk::Browser* browser) {
             return std::to_string(browser->execCommand(tk::Browser::CMD_SAVE_AS, tk::Browser::OPT_PROMPT_USER));
         },
         "1"},
        {"BrowserPrint", true,
         [](tk::Shell*, tk::Browser* browser) {
             return std::to_string(browser->execCommand(tk::Browser::CMD_PRINT, tk::Browser::OPT_PROMPT_USER));
         },
         "1"},
        {"BrowserPrintPreview", true,
         [](tk::Shell*, tk::Browser* browser) {
             return std::to_string(
                 browser->execCommand(tk::Browser::CMD_PRINT_PREVIEW, tk::Browser::OPT_PROMPT_USER));
         },
         "1"},
        {"BrowserPageSetup", true,
         [](tk::Shell*, tk::Browser* browser) {
             return std::to_string(browser->execCommand(tk::Browser::CMD_PAGE_SETUP, tk::Browser::OPT_PROMPT_USER));
         },
         "1"},
    };
    return all;
}

class QtModalEnd : public ::testing::TestWithParam<std::tuple<size_t, Ending>> {
protected:
    void SetUp() override {
        RL_REQUIRE_DISPLAY();
        display = std::make_unique<tk::Display>("qt");
        shell = tk::make<tk::Shell>(display.get(), tk::SHELL_TRIM);
        shell->setBounds(40, 40, 640, 480);
        shell->open();
    }
    void TearDown() override {
        if (shell && !shell->isDisposed()) shell->dispose();
        display.reset();
    }

    // Runs end from a toolkit timer (inside the dialog's loop) once a modal
    // dialog is really shown; remembers the dialog.
    void endOnceOpen(std::function<void()> end) {
        watch = tk::runnable([this, end] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal->isVisible()) {
                seen = modal;
                opened = true;
                end();
                return;
            }
            display->timerExec(20, watch);
        });
        display->timerExec(20, watch);
    }

    std::unique_ptr<tk::Display> display;
    std::shared_ptr<tk::Shell> shell;
    std::shared_ptr<tk::Runnable> watch;
    QPointer<QWidget> seen;
    bool opened = false;
};

TEST_P(QtModalEnd, ClosesAndReturnsWhenItsShellOrTheDisplayGoes) {
    const Kind& kind = kinds()[std::get<0>(GetParam())];
    const Ending ending = std::get<1>(GetParam());
    std::shared_ptr<tk::Browser> browser;
    if (kind.needsBrowser) {
        browser = tk::make<tk::Browser>(shell, tk::NONE);
        browser->setBounds(0, 0, 600, 400);
        bool completed = false;
        browser->addCompletedListener([&completed](tk::Event&) { completed = true; });
        browser->setText("<html><body><h1>Balances</h1></body></html>");
        ASSERT_TRUE(tk::qt::runUntil(*display, [&] { return completed; }, 30000)) << "the page did not load";
    }
    tk::Display* current = display.get();
    endOnceOpen([this, ending, current] {
        if (ending == Ending::ParentShell) {
            shell->dispose();
        } else {
            current->dispose();
        }
    });
    const std::string answer = kind.open(shell.get(), browser.get());
    ASSERT_TRUE(opened) << kind.name << " was not shown";
    EXPECT_EQ(answer, kind.closed) << kind.name;
    EXPECT_TRUE(shell->isDisposed());
    // The dialog was freed, once, and no modal window is left.
    if (!display->isDisposed()) tk::qt::runUntil(*display, [this] { return seen.isNull(); }, 10000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(seen.isNull()) << kind.name << " still exists";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, QtModalEnd,
                         ::testing::Combine(::testing::Range<size_t>(0, 9),
                                            ::testing::Values(Ending::ParentShell, Ending::Display)),
                         [](const ::testing::TestParamInfo<std::tuple<size_t, Ending>>& info) {
                             return std::string(kinds()[std::get<0>(info.param)].name) +
                                    (std::get<1>(info.param) == Ending::ParentShell ? "ShellDisposed"
                                                                                     : "DisplayDisposed");
                         });

std::atomic<int> g_terminations{0};

// Qt hands the session manager's end of the session to the application as a
// Quit event. It comes to the program as SIGTERM, which the programs end on
// quietly, and Qt closes none of the windows as if the user had.
TEST(QtSessionEnd, TheSessionManagersEndComesAsATerminationSignal) {
    RL_REQUIRE_DISPLAY();
    tk::Display display("qt");
    auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    shell->setBounds(40, 40, 640, 480);
    shell->open();
    int closes = 0;
    shell->addListener(tk::Close, [&closes](tk::Event&) { ++closes; });
    g_terminations = 0;
    struct sigaction counting {}, previous {};
    counting.sa_handler = [](int) { ++g_terminations; };
    sigemptyset(&counting.sa_mask);
    ASSERT_EQ(sigaction(SIGTERM, &counting, &previous), 0);

    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
    while (display.readAndDispatch()) {
    }
    sigaction(SIGTERM, &previous, nullptr);
    EXPECT_EQ(g_terminations.load(), 1);
    EXPECT_EQ(closes, 0);
    EXPECT_FALSE(shell->isDisposed());
    shell->dispose();
}

// A program with a web view that leaves by exit(), as Qt's X11 plugin leaves
// when the X server goes at the end of a session: it ends with exit()'s
// status, and no exit-time clean-up of the program runs under the web
// engine's threads. The program is this test run again, in a process of its
// own.
TEST(QtExit, AProgramWithAWebViewThatLeavesByExitEndsWithItsStatusAndWithoutItsExitCleanUp) {
    RL_REQUIRE_DISPLAY();
    if (const char* fd = std::getenv("RL_QT_EXIT_FD")) {
        static const int out = std::atoi(fd);
        std::atexit([] { (void)::write(out, "x", 1); });
        tk::Display display("qt");
        auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
        shell->setBounds(40, 40, 640, 480);
        auto browser = tk::make<tk::Browser>(shell, tk::NONE);
        browser->setBounds(0, 0, 600, 400);
        bool completed = false;
        browser->addCompletedListener([&completed](tk::Event&) { completed = true; });
        browser->setText("<html><body><h1>Balances</h1></body></html>");
        shell->open();
        if (!tk::qt::runUntil(display, [&] { return completed; }, 30000)) ::_exit(2);
        std::exit(7);
    }
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::setenv("RL_QT_EXIT_FD", std::to_string(fds[1]).c_str(), 1);
        std::freopen("/dev/null", "w", stdout);
        ::execl("/proc/self/exe", "QtExit", "--gtest_filter=QtExit.*", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string written;
    char buffer[16];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) written.append(buffer, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(written, "") << "an exit handler ran under the web engine's threads";
}

}  // namespace
