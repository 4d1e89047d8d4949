#include "platform/system/KeyboardHook.h"

#include <bitset>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/system/XRecordListener.h"

namespace sys {

namespace {

using KeyStates = std::bitset<256>;

struct Hook {
    HookHandle handle = 0;
    HookProcedure procedure;
    HookPoster poster;
    KeyboardSource source = KeyboardSource::Injected;
    std::unique_ptr<detail::XRecordListener> listener;
};

std::mutex g_mutex;  // the hooks and the live key states
std::map<HookHandle, std::shared_ptr<Hook>> g_hooks;
HookHandle g_nextHandle = 1;
KeyStates g_live;
// The key states of the event whose procedure runs on this thread.
thread_local const KeyStates* t_snapshot = nullptr;

bool down(const KeyStates& states, int vk) {
    if (vk < 0 || vk >= 256) return false;
    switch (vk) {
        case VK_CONTROL:
            return states[VK_CONTROL] || states[VK_LCONTROL] || states[VK_RCONTROL];
        case VK_MENU:
            return states[VK_MENU] || states[VK_LMENU] || states[VK_RMENU];
        case VK_SHIFT:
            return states[VK_SHIFT] || states[VK_LSHIFT] || states[VK_RSHIFT];
        default:
            return states[static_cast<size_t>(vk)];
    }
}

void runProcedure(HookHandle handle, uint32_t message, const KeyboardRecord& record, const KeyStates& states) {
    std::shared_ptr<Hook> hook;
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        auto found = g_hooks.find(handle);
        if (found == g_hooks.end()) return;
        hook = found->second;
    }
    struct Snapshot {
        const KeyStates* previous;
        explicit Snapshot(const KeyStates& states) : previous(t_snapshot) { t_snapshot = &states; }
        ~Snapshot() { t_snapshot = previous; }
    } snapshot(states);
    hook->procedure(HC_ACTION, message, record);
}

// One key event of a source, in typing order: the live states change, and
// every hook it is meant for gets the event posted with the states as they
// are now. target 0 means every hook of the source.
void deliver(HookHandle target, KeyboardSource source, int vk, bool keyUp, uint32_t scanCode, uint32_t time,
             uint32_t extraFlags) {
    if (vk <= 0 || vk >= 256) return;
    KeyStates states;
    std::vector<std::pair<HookHandle, HookPoster>> receivers;
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        g_live.set(static_cast<size_t>(vk), !keyUp);
        states = g_live;
        for (auto& [handle, hook] : g_hooks) {
            bool meant = target != 0 ? handle == target : hook->source == source;
            if (meant) receivers.emplace_back(handle, hook->poster);
        }
    }
    bool ctrl = down(states, VK_CONTROL);
    bool alt = down(states, VK_MENU);
    KeyboardRecord record;
    record.vkCode = static_cast<uint32_t>(vk);
    record.scanCode = scanCode;
    record.flags = extraFlags | (keyUp ? LLKHF_UP : 0) | (alt ? LLKHF_ALTDOWN : 0);
    record.time = time;
    // Keys typed with Alt (and without Ctrl) are system keys.
    bool system = alt && !ctrl;
    uint32_t message = keyUp ? (system ? WM_SYSKEYUP : WM_KEYUP) : (system ? WM_SYSKEYDOWN : WM_KEYDOWN);
    for (auto& [handle, poster] : receivers) {
        poster([handle = handle, message, record, states] { runProcedure(handle, message, record, states); });
    }
}

uint32_t tickCount() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace

HookHandle setWindowsHookEx(int hookType, HookProcedure procedure, HookPoster poster, KeyboardSource source) {
    if (hookType != WH_KEYBOARD_LL || !procedure || !poster) return 0;
    auto hook = std::make_shared<Hook>();
    hook->procedure = std::move(procedure);
    hook->poster = std::move(poster);
    hook->source = source;
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        hook->handle = g_nextHandle++;
        g_hooks[hook->handle] = hook;
    }
    if (source == KeyboardSource::WindowSystem) {
        auto listener = std::make_unique<detail::XRecordListener>();
        HookHandle handle = hook->handle;
        bool started = listener->start([handle](int vk, bool keyUp, uint32_t scanCode, uint32_t time) {
            deliver(handle, KeyboardSource::WindowSystem, vk, keyUp, scanCode, time, 0);
        });
        std::lock_guard<std::mutex> guard(g_mutex);
        if (!started) {
            g_hooks.erase(handle);
            return 0;
        }
        hook->listener = std::move(listener);
    }
    return hook->handle;
}

bool unhookWindowsHookEx(HookHandle handle) {
    std::shared_ptr<Hook> hook;
    std::unique_ptr<detail::XRecordListener> listener;
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        auto found = g_hooks.find(handle);
        if (found == g_hooks.end()) return false;
        hook = found->second;
        listener = std::move(hook->listener);
        g_hooks.erase(found);
    }
    // Joined outside the lock: the listener's thread takes it to deliver.
    if (listener) listener->stop();
    return true;
}

bool isHookInstalled(HookHandle handle) {
    std::lock_guard<std::mutex> guard(g_mutex);
    return g_hooks.count(handle) != 0;
}

int64_t callNextHookEx(HookHandle, int, uint32_t, const KeyboardRecord&) { return 0; }

int16_t getAsyncKeyState(int vk) {
    bool isDown;
    if (t_snapshot != nullptr) {
        isDown = down(*t_snapshot, vk);
    } else {
        std::lock_guard<std::mutex> guard(g_mutex);
        isDown = down(g_live, vk);
    }
    return isDown ? static_cast<int16_t>(0x8000) : int16_t{0};
}

void sendKeyboardInput(int vk, bool keyUp) {
    deliver(0, KeyboardSource::Injected, vk, keyUp, 0, tickCount(), LLKHF_INJECTED);
}

}  // namespace sys
