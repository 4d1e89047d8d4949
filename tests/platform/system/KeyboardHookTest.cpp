// The desktop keyboard hook: events reach the procedure on the installing
// thread, in order, with the key states of their moment; removal is final.
// The window-system source is tried on a private X display with keys typed
// through the XTEST extension, and on displays where it cannot work.

#include "platform/system/KeyboardHook.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>

#include "tests/support/PrivateXServer.h"
#include "tests/support/Wait.h"
#include "tests/support/XKeyboard.h"

namespace {

// Stands in for an event loop: posted tasks wait here until pumped.
class TaskQueue {
public:
    sys::HookPoster poster() {
        return [this](std::function<void()> task) {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_tasks.push_back(std::move(task));
            m_posted.notify_all();
        };
    }
    // Runs tasks until done() holds or the (scaled) time is up.
    bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(rltest::scaled(timeoutMs));
        while (!done()) {
            std::function<void()> task;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                if (!m_posted.wait_until(lock, until, [this] { return !m_tasks.empty(); })) return done();
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            task();
        }
        return true;
    }
    size_t pending() {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_tasks.size();
    }
    void runAll() {
        while (pending() > 0) pumpUntil([] { return false; }, 0);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_tasks;
};

struct Seen {
    uint32_t vk;
    uint32_t message;
    bool ctrl;
    bool alt;
};

class KeyboardHook : public ::testing::Test {
protected:
    sys::HookProcedure recorder() {
        return [this](int code, uint32_t message, const sys::KeyboardRecord& record) -> int64_t {
            EXPECT_EQ(code, sys::HC_ACTION);
            seen.push_back({record.vkCode, message, (sys::getAsyncKeyState(sys::VK_CONTROL) & 0x8000) != 0,
                            (sys::getAsyncKeyState(sys::VK_MENU) & 0x8000) != 0});
            return 0;
        };
    }
    // Ctrl, Alt, S pressed and released in reverse: S comes down with both
    // modifiers down, and the last release finds none.
    void expectControlAltS() {
        ASSERT_EQ(seen.size(), 6u);
        EXPECT_EQ(seen[0].vk, static_cast<uint32_t>(sys::VK_LCONTROL));
        EXPECT_EQ(seen[1].vk, static_cast<uint32_t>(sys::VK_LMENU));
        EXPECT_EQ(seen[2].vk, 'S');
        EXPECT_EQ(seen[2].message, sys::WM_KEYDOWN);
        EXPECT_TRUE(seen[2].ctrl);
        EXPECT_TRUE(seen[2].alt);
        EXPECT_EQ(seen[3].message, sys::WM_KEYUP);
        EXPECT_FALSE(seen[5].ctrl);
        EXPECT_FALSE(seen[5].alt);
    }
    TaskQueue queue;
    std::vector<Seen> seen;
};

TEST_F(KeyboardHook, InjectedKeysReachTheProcedureWithTheStatesOfTheirMoment) {
    sys::HookHandle hook =
        sys::setWindowsHookEx(sys::WH_KEYBOARD_LL, recorder(), queue.poster(), sys::KeyboardSource::Injected);
    ASSERT_NE(hook, 0u);
    EXPECT_TRUE(sys::isHookInstalled(hook));
    sys::sendKeyboardInput(sys::VK_LCONTROL, false);
    sys::sendKeyboardInput(sys::VK_LMENU, false);
    sys::sendKeyboardInput('S', false);
    sys::sendKeyboardInput('S', true);
    sys::sendKeyboardInput(sys::VK_LMENU, true);
    sys::sendKeyboardInput(sys::VK_LCONTROL, true);
    // Nothing runs on the typing thread; the loop runs it, in order.
    EXPECT_TRUE(seen.empty());
    queue.runAll();
    expectControlAltS();
    // Outside a procedure the query answers the state now.
    EXPECT_EQ(sys::getAsyncKeyState(sys::VK_CONTROL), 0);

    // Alt alone makes system keys.
    seen.clear();
    sys::sendKeyboardInput(sys::VK_RMENU, false);
    sys::sendKeyboardInput('S', false);
    sys::sendKeyboardInput('S', true);
    sys::sendKeyboardInput(sys::VK_RMENU, true);
    queue.runAll();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[1].message, sys::WM_SYSKEYDOWN);
    EXPECT_FALSE(seen[1].ctrl);
    EXPECT_TRUE(seen[1].alt);

    EXPECT_TRUE(sys::unhookWindowsHookEx(hook));
    EXPECT_FALSE(sys::unhookWindowsHookEx(hook));
    EXPECT_FALSE(sys::isHookInstalled(hook));
}

TEST_F(KeyboardHook, EventsPostedBeforeRemovalAreNotDelivered) {
    sys::HookHandle hook =
        sys::setWindowsHookEx(sys::WH_KEYBOARD_LL, recorder(), queue.poster(), sys::KeyboardSource::Injected);
    sys::sendKeyboardInput('A', false);
    sys::sendKeyboardInput('A', true);
    EXPECT_EQ(queue.pending(), 2u);
    sys::unhookWindowsHookEx(hook);
    queue.runAll();
    EXPECT_TRUE(seen.empty());
    sys::sendKeyboardInput('A', false);
    sys::sendKeyboardInput('A', true);
    EXPECT_EQ(queue.pending(), 0u);
}

TEST_F(KeyboardHook, OnlyLowLevelKeyboardHooksWithAProcedureAreInstalled) {
    EXPECT_EQ(sys::setWindowsHookEx(2, recorder(), queue.poster(), sys::KeyboardSource::Injected), 0u);
    EXPECT_EQ(sys::setWindowsHookEx(sys::WH_KEYBOARD_LL, {}, queue.poster(), sys::KeyboardSource::Injected), 0u);
    EXPECT_EQ(sys::setWindowsHookEx(sys::WH_KEYBOARD_LL, recorder(), {}, sys::KeyboardSource::Injected), 0u);
    EXPECT_EQ(sys::callNextHookEx(0, sys::HC_ACTION, sys::WM_KEYDOWN, sys::KeyboardRecord{}), 0);
}

TEST_F(KeyboardHook, TheWindowSystemSourceSeesKeysTypedOnTheDisplay) {
    rltest::PrivateXServer server;
    ASSERT_TRUE(server.running()) << server.error();
    sys::HookHandle hook =
        sys::setWindowsHookEx(sys::WH_KEYBOARD_LL, recorder(), queue.poster(), sys::KeyboardSource::WindowSystem);
    ASSERT_NE(hook, 0u);
    ASSERT_TRUE(rltest::typeControlAlt("s"));
    ASSERT_TRUE(queue.pumpUntil([&] { return seen.size() >= 6; }, 10000)) << seen.size() << " events";
    expectControlAltS();

    // Once removed, the recording has ended: typing reaches nobody.
    EXPECT_TRUE(sys::unhookWindowsHookEx(hook));
    seen.clear();
    ASSERT_TRUE(rltest::typeOnDisplay({{"s", true}, {"s", false}}));
    queue.runAll();
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(queue.pending(), 0u);
}

TEST_F(KeyboardHook, WithoutTheRecordExtensionOrADisplayNoHookIsInstalled) {
    {
        rltest::PrivateXServer server({"-extension", "RECORD"});
        ASSERT_TRUE(server.running()) << server.error();
        EXPECT_EQ(
            sys::setWindowsHookEx(sys::WH_KEYBOARD_LL, recorder(), queue.poster(), sys::KeyboardSource::WindowSystem),
            0u);
    }
    const char* previous = std::getenv("DISPLAY");
    std::string saved = previous ? previous : "";
    ::unsetenv("DISPLAY");
    EXPECT_EQ(sys::setWindowsHookEx(sys::WH_KEYBOARD_LL, recorder(), queue.poster(), sys::KeyboardSource::WindowSystem),
              0u);
    if (previous) ::setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
