#pragma once
// Watches the key presses and releases of the whole X display named by
// DISPLAY through its RECORD extension. A thread of the listener owns both X
// connections it needs (one to control the recording, one that receives
// it), so no X call crosses threads. Internal to the keyboard hook.

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <thread>

namespace sys::detail {

class XRecordListener {
public:
    // Virtual-key code, key up, scan code, server time in milliseconds.
    using Sink = std::function<void(int vk, bool keyUp, uint32_t scanCode, uint32_t time)>;

    XRecordListener() = default;
    ~XRecordListener();
    XRecordListener(const XRecordListener&) = delete;
    XRecordListener& operator=(const XRecordListener&) = delete;

    // True once the server records for us; false (and no thread left) when
    // there is no display, no RECORD extension, or recording did not begin
    // within a few seconds. The sink is called on the listener's thread.
    bool start(Sink sink);
    // Ends the recording and joins the thread.
    void stop();

    // The virtual-key code of an X key symbol; 0 for keys without one here.
    static int virtualKeyOf(unsigned long keysym);

    // For the recording callback.
    void deliver(int vk, bool keyUp, uint32_t scanCode, uint32_t time) { m_sink(vk, keyUp, scanCode, time); }

    // What the listener's thread shares with the recording callback.
    struct Session;

private:
    // The thread's body: answers through ready once recording began or
    // failed, then records until woken.
    void run(std::promise<bool>& ready);

    Sink m_sink;
    std::thread m_thread;
    int m_wake[2] = {-1, -1};
};

}  // namespace sys::detail
