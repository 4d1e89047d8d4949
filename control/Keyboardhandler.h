#pragma once
// The module's one keyboard hook: Ctrl+Alt+S pressed in any application of
// the desktop is reported to the hook target. The hook procedure runs on the
// thread that installed the hook, from its display's event loop. Under the
// headless toolkit the hook sees only keys typed by injection; elsewhere it
// watches the X display (without a display or its RECORD extension there is
// no hook, and the key has no effect).

#include <cstdint>

#include "platform/system/KeyboardHook.h"

namespace tiraleaf {

class KeyboardHook;

class Keyboardhandler {
public:
    static void SetTarget(KeyboardHook* target);
    static KeyboardHook* GetTarget();

    // Installs the hook for the calling thread's display; nothing happens
    // when there is none or the hook cannot be installed.
    static void InstallHook();
    static bool IsHooked();
    static void RemoveHook();

    static int64_t KeyboardProc(int code, uint32_t message, const sys::KeyboardRecord& record);
    static bool TestKey(uint32_t vkCode);
    // The record of the last key pressed while hooked.
    static sys::KeyboardRecord LastEvent();
};

}  // namespace tiraleaf
