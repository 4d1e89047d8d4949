#pragma once
// The one way a test waits: it polls the condition it is about to assert
// until it holds or a generous limit passes, and names what it waited for
// when it gives up. Limits are stretched in sanitizer builds and by
// RL_TEST_SLOWNESS (a whole factor, for a machine known to be busy), so a
// slow run is never mistaken for a fault. A fixed pause is only right where
// a test checks that something does NOT happen.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define RL_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define RL_TEST_SANITIZED 1
#endif
#endif

namespace rltest {

// The limit a wait gets unless the test has a reason for another.
constexpr int WAIT_MS = 30000;

// How many times slower than a plain build this run may be.
inline int slowness() {
    static const int factor = [] {
        if (const char* set = std::getenv("RL_TEST_SLOWNESS")) {
            const int value = std::atoi(set);
            if (value >= 1) return value;
        }
#ifdef RL_TEST_SANITIZED
        return 4;
#else
        return 1;
#endif
    }();
    return factor;
}

// A limit in milliseconds as this run should apply it.
inline int scaled(int ms) { return ms * slowness(); }

// One round of waiting: runs pump (an event loop's turn, say) or, without
// one, pauses briefly.
inline void pause(const std::function<void()>& pump) {
    if (pump) {
        pump();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Calls pump (or pauses) until condition holds; false once timeoutMs,
// scaled, has passed without it.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = WAIT_MS,
                    const std::function<void()>& pump = {}) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(scaled(timeoutMs));
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) return condition();
        pause(pump);
    }
    return true;
}

// As waitFor, for an assertion: the failure names what was awaited and for
// how long.
//   ASSERT_TRUE(rltest::waitUntil("the dialog to close", [&] { return dialogs.empty(); }));
inline ::testing::AssertionResult waitUntil(const std::string& what, const std::function<bool()>& condition,
                                            int timeoutMs = WAIT_MS, const std::function<void()>& pump = {}) {
    if (waitFor(condition, timeoutMs, pump)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "waited " << scaled(timeoutMs) << " ms for " << what
                                         << ", in vain";
}

// A pump for any display with readAndDispatch (the toolkit's): one event,
// or a short pause when there is none.
template <class Display>
std::function<void()> pumping(Display& display) {
    return [&display] {
        if (!display.readAndDispatch()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
}

}  // namespace rltest
