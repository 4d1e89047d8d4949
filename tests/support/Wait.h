#pragma once
// Polls a condition until it holds or the time is up.

#include <chrono>
#include <functional>
#include <thread>

namespace rltest {

inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace rltest
