// The display's own rules: backend choice, one display per thread, work
// posted after disposal, timers that nest loops, waits that cannot hang.

#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/toolkit/headless/Headless.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

TEST(Display, UnknownOrUnlinkedBackendIsAClearError) {
    for (const char* name : {"qt-not-linked-here", "nonsense"}) {
        try {
            tk::Display display(name);
            ADD_FAILURE() << name << " gave a display";
        } catch (const tk::ToolkitException& e) {
            EXPECT_EQ(e.code(), tk::ERROR_NO_BACKEND);
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos);
        }
    }
    EXPECT_EQ(tk::Display::getCurrent(), nullptr);
}

TEST(Display, EnvironmentChoosesTheBackend) {
    const char* saved = std::getenv("RL_TOOLKIT");
    std::string keep = saved ? saved : "";
    setenv("RL_TOOLKIT", "headless", 1);
    EXPECT_EQ(tk::selectedBackendName(), "headless");
    {
        tk::Display display;
        EXPECT_TRUE(tk::headless::isHeadless(display));
    }
    unsetenv("RL_TOOLKIT");
    EXPECT_EQ(tk::selectedBackendName(), "qt");  // programs default to the real windows
    setenv("RL_TOOLKIT", "", 1);
    EXPECT_EQ(tk::selectedBackendName(), "qt");
    if (saved) setenv("RL_TOOLKIT", keep.c_str(), 1); else unsetenv("RL_TOOLKIT");
}

TEST(Display, RegisteredBackendIsUsedByName) {
    tk::registerBackend("alias-of-headless", [] { return std::unique_ptr<tk::Backend>(); });
    EXPECT_TRUE(tk::isBackendRegistered("alias-of-headless"));
    // A factory that makes nothing is no backend.
    EXPECT_THROW(tk::Display("alias-of-headless"), tk::ToolkitException);
}

TEST(Display, OneDisplayPerThreadAndCurrentFollowsIt) {
    tk::Display display("headless");
    EXPECT_EQ(tk::Display::getCurrent(), &display);
    EXPECT_THROW(tk::Display("headless"), tk::ToolkitException);
    tk::Display* seenByWorker = &display;
    std::thread worker([&] { seenByWorker = tk::Display::getCurrent(); });
    worker.join();
    EXPECT_EQ(seenByWorker, nullptr);
    display.dispose();
    EXPECT_EQ(tk::Display::getCurrent(), nullptr);
    EXPECT_THROW(display.readAndDispatch(), tk::ToolkitException);
}

TEST(Display, WorkPostedAfterDisposalIsDroppedQuietly) {
    tk::Display display("headless");
    bool ran = false;
    display.asyncExec([&] { ran = true; });  // queued, then dropped by dispose
    display.dispose();
    std::atomic<bool> posted{false};
    std::thread worker([&] {
        display.asyncExec([&] { ran = true; });
        display.wake();
        posted = true;
    });
    worker.join();
    EXPECT_TRUE(posted);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(display.isDisposed());
}

TEST(Display, DisposeReleasesShellsTrayAndImagesWithEvents) {
    auto display = std::make_unique<tk::Display>("headless");
    auto shell = tk::make<tk::Shell>(display.get(), tk::SHELL_TRIM);
    auto item = tk::make<tk::TrayItem>(display->getSystemTray(), tk::NONE);
    int disposed = 0;
    shell->addDisposeListener([&](tk::Event&) { ++disposed; });
    item->addDisposeListener([&](tk::Event&) { ++disposed; });
    display->dispose();
    EXPECT_EQ(disposed, 2);
    EXPECT_TRUE(shell->isDisposed());
    EXPECT_TRUE(item->isDisposed());
    display.reset();
    EXPECT_THROW(shell->getText(), tk::ToolkitException);  // still safe after the display is gone
}

TEST(Display, TimerCallsNeedTheUserInterfaceThreadAndATask) {
    tk::Display display("headless");
    EXPECT_THROW(display.timerExec(10, nullptr), tk::ToolkitException);
    int code = 0;
    std::thread worker([&] {
        try {
            display.timerExec(10, tk::runnable([] {}));
        } catch (const tk::ToolkitException& e) {
            code = e.code();
        }
    });
    worker.join();
    EXPECT_EQ(code, tk::ERROR_THREAD_INVALID_ACCESS);
}

TEST(Display, TimersOfTheSameDueTimeRunInArmingOrderAndMayNestLoops) {
    tk::Display display("headless");
    tk::TestDriver driver(display);
    driver.useManualClock();
    std::vector<std::string> order;
    auto inner = tk::runnable([&] { order.push_back("inner"); });
    auto outer = tk::runnable([&] {
        order.push_back("outer");
        display.timerExec(0, inner);
        // A nested loop inside a timer sees the next timers.
        while (order.back() != "inner") {
            if (!display.readAndDispatch()) break;
        }
        order.push_back("outer done");
    });
    auto second = tk::runnable([&] { order.push_back("second"); });
    display.timerExec(100, outer);
    display.timerExec(100, second);
    driver.advanceClock(100);
    EXPECT_EQ(order, (std::vector<std::string>{"outer", "second", "inner", "outer done"}));
}

TEST(Display, SleepWithADrivenClockReturnsInsteadOfHanging) {
    tk::Display display("headless");
    tk::TestDriver driver(display);
    driver.useManualClock();
    display.timerExec(60000, tk::runnable([] {}));
    auto started = std::chrono::steady_clock::now();
    display.sleep();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST(Display, SleepWaitsForARealTimer) {
    tk::Display display("headless");
    bool fired = false;
    display.timerExec(30, tk::runnable([&] { fired = true; }));
    auto started = std::chrono::steady_clock::now();
    while (!fired) {
        if (!display.readAndDispatch()) display.sleep();
        ASSERT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    }
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(29));
}

TEST(Display, ScreenFactsComeFromTheBackend) {
    tk::Display display("headless");
    tk::headless::Screen screen;
    screen.bounds = {0, 0, 1024, 600};
    screen.clientArea = {0, 0, 1024, 570};
    screen.titleBarHeight = 20;
    screen.tray = false;
    tk::headless::setScreen(display, screen);
    EXPECT_EQ(display.getBounds(), (tk::Rectangle{0, 0, 1024, 600}));
    EXPECT_EQ(display.getClientArea().height, 570);
    EXPECT_EQ(display.getTitleBarHeight(), 20);
    EXPECT_EQ(display.getSystemTray(), nullptr);
    EXPECT_EQ(display.getSystemColor(tk::COLOR_WHITE), tk::Color(255, 255, 255));
    EXPECT_EQ(display.getSystemColor(tk::COLOR_DARK_BLUE), tk::Color(0, 0, 128));
    EXPECT_EQ(display.getSystemCursor(tk::CURSOR_WAIT).getShape(), tk::CURSOR_WAIT);
    // A shell's title bar follows the screen's.
    auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    EXPECT_EQ(shell->toDisplay(0, 0).y - shell->getLocation().y, 4 + 20);
}

TEST(Display, FocusAndActivationFollowTheUser) {
    tk::Display display("headless");
    tk::TestDriver driver(display);
    auto first = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    auto second = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    auto text1 = tk::make<tk::Text>(first, tk::BORDER);
    auto text2 = tk::make<tk::Text>(second, tk::BORDER);
    std::vector<std::string> order;
    first->addListener(tk::Deactivate, [&](tk::Event&) { order.push_back("first:Deactivate"); });
    second->addListener(tk::Activate, [&](tk::Event&) { order.push_back("second:Activate"); });
    text1->addListener(tk::FocusOut, [&](tk::Event&) { order.push_back("text1:FocusOut"); });
    text2->addListener(tk::FocusIn, [&](tk::Event&) { order.push_back("text2:FocusIn"); });
    first->open();
    EXPECT_EQ(display.getFocusControl(), text1.get());  // open() focuses the first field
    second->open();
    EXPECT_EQ(order, (std::vector<std::string>{"first:Deactivate", "second:Activate", "text1:FocusOut",
                                               "text2:FocusIn"}));
    EXPECT_EQ(display.getActiveShell(), second.get());
    text2->dispose();
    EXPECT_EQ(display.getFocusControl(), nullptr);
    EXPECT_TRUE(driver.focus(*text1));
    EXPECT_EQ(display.getActiveShell(), first.get());
}

TEST(Display, ModalShellsBlockOnlyWhatTheyShould) {
    tk::Display display("headless");
    tk::TestDriver driver(display);
    auto main = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    auto other = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    main->open();
    other->open();
    auto primary = tk::make<tk::Shell>(main, tk::DIALOG_TRIM | tk::PRIMARY_MODAL);
    primary->open();
    EXPECT_TRUE(display.isBlocked(main.get()));
    EXPECT_FALSE(display.isBlocked(other.get()));
    EXPECT_FALSE(display.isBlocked(primary.get()));
    auto application = tk::make<tk::Shell>(primary, tk::DIALOG_TRIM | tk::APPLICATION_MODAL);
    application->open();
    EXPECT_TRUE(display.isBlocked(other.get()));
    EXPECT_TRUE(display.isBlocked(primary.get()));
    EXPECT_FALSE(display.isBlocked(application.get()));
    application->setVisible(false);  // a hidden modal shell blocks nothing
    EXPECT_FALSE(display.isBlocked(other.get()));
    primary->dispose();
    EXPECT_TRUE(application->isDisposed());
    EXPECT_FALSE(display.isBlocked(main.get()));
}

}  // namespace
