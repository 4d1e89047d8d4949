#pragma once
// The sleep of politeness delays and polling loops.

#include <cstdint>

namespace foundation {

class ThreadUtil {
public:
    // Sleeps ms milliseconds (a negative duration as 0). On a worker with a
    // stop token bound, the sleep waits on the token and throws
    // ThreadStopped when a stop is requested before or during it.
    static void sleepWithoutAlarm(int64_t ms);
};

}  // namespace foundation
