#include "foundation/MathUtil.h"

#include <chrono>
#include <cmath>
#include <mutex>
#include <random>

namespace foundation {

namespace {

struct Source {
    std::mutex lock;
    std::mt19937_64 engine{static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
                           std::random_device{}()};
};

Source& source() {
    static Source s;
    return s;
}

}  // namespace

double MathUtil::nextDouble() {
    Source& s = source();
    std::lock_guard<std::mutex> guard(s.lock);
    // 53 random bits: exactly uniform, never 1.0.
    return static_cast<double>(s.engine() >> 11) * 0x1p-53;
}

int MathUtil::rand(int lo, int hi) {
    double v = std::floor(nextDouble() * (static_cast<double>(hi) - lo) + lo + 0.5);
    return static_cast<int>(v);
}

}  // namespace foundation
