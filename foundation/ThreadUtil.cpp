#include "foundation/ThreadUtil.h"

#include <chrono>
#include <thread>

#include "foundation/ThreadStop.h"

namespace foundation {

void ThreadUtil::sleepWithoutAlarm(int64_t ms) {
    if (ms < 0) ms = 0;
    StopToken* token = ThreadStop::current();
    if (!token) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    if (token->stopRequested() || !token->waitFor(ms)) throw ThreadStopped{};
}

}  // namespace foundation
