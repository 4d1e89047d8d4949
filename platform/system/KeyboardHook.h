#pragma once
// A low-level keyboard hook over the whole desktop, with the key-state query
// a hook procedure asks. Two sources feed hooks:
//
//   WindowSystem  the X display named by DISPLAY, watched through its RECORD
//                 extension by a thread of the hook. Keys cannot be held
//                 back this way: a procedure's answer is not acted upon.
//   Injected      only what sendKeyboardInput() types (the headless toolkit
//                 and tests).
//
// The procedure never runs on the source's thread: every key event is handed
// to the hook's poster, which runs it on the thread that installed the hook
// (from its event loop), in the order the keys were typed. While the
// procedure runs, getAsyncKeyState answers the keys that were down when that
// event happened.

#include <cstdint>
#include <functional>

namespace sys {

constexpr int WH_KEYBOARD_LL = 13;
constexpr int HC_ACTION = 0;

constexpr uint32_t WM_KEYDOWN = 0x100;
constexpr uint32_t WM_KEYUP = 0x101;
constexpr uint32_t WM_SYSKEYDOWN = 0x104;
constexpr uint32_t WM_SYSKEYUP = 0x105;

// Virtual-key codes. Letters and digits are their upper-case ASCII codes.
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;  // Alt
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4;
constexpr int VK_RMENU = 0xA5;

// Flags of a keyboard record.
constexpr uint32_t LLKHF_INJECTED = 0x10;
constexpr uint32_t LLKHF_ALTDOWN = 0x20;
constexpr uint32_t LLKHF_UP = 0x80;

// One key event as a hook procedure sees it (20 bytes).
struct KeyboardRecord {
    uint32_t vkCode = 0;
    uint32_t scanCode = 0;
    uint32_t flags = 0;
    uint32_t time = 0;  // milliseconds
    uint32_t extraInfo = 0;
};
static_assert(sizeof(KeyboardRecord) == 20);

using HookHandle = uint64_t;  // 0: no hook
using HookProcedure = std::function<int64_t(int code, uint32_t message, const KeyboardRecord& record)>;
// Runs a task on the installing thread, from its event loop; callable from
// any thread.
using HookPoster = std::function<void(std::function<void()>)>;

enum class KeyboardSource { WindowSystem, Injected };

// Installs a hook; 0 when it cannot be (a type other than WH_KEYBOARD_LL,
// no display, a display without the RECORD extension). Nothing is reported
// beyond that.
HookHandle setWindowsHookEx(int hookType, HookProcedure procedure, HookPoster poster, KeyboardSource source);
// Removes the hook: its source thread has ended when this returns and no
// call of its procedure follows, not even for events already posted. False
// for a handle that is not installed.
bool unhookWindowsHookEx(HookHandle hook);
bool isHookInstalled(HookHandle hook);
// Passes the event on along the chain; no hook follows ours, so 0.
int64_t callNextHookEx(HookHandle hook, int code, uint32_t message, const KeyboardRecord& record);

// High bit (0x8000) set while the key is down. VK_CONTROL, VK_MENU and
// VK_SHIFT stand for either key of the pair.
int16_t getAsyncKeyState(int vk);

// Types one key for hooks of the Injected source.
void sendKeyboardInput(int vk, bool keyUp);

}  // namespace sys
