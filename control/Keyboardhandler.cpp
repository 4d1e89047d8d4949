#include "control/Keyboardhandler.h"

#include "control/KeyboardHook.h"
#include "platform/toolkit/Display.h"

namespace tiraleaf {

namespace {

KeyboardHook* g_target = nullptr;
sys::HookHandle g_hook = 0;
sys::KeyboardRecord g_lastEvent;

constexpr uint32_t VK_S = 0x53;

}  // namespace

void Keyboardhandler::SetTarget(KeyboardHook* target) { g_target = target; }

KeyboardHook* Keyboardhandler::GetTarget() { return g_target; }

void Keyboardhandler::InstallHook() {
    tk::Display* display = tk::Display::getCurrent();
    if (display == nullptr || display->isDisposed()) return;
    sys::KeyboardSource source =
        display->backend().name() == "headless" ? sys::KeyboardSource::Injected : sys::KeyboardSource::WindowSystem;
    g_hook = sys::setWindowsHookEx(
        sys::WH_KEYBOARD_LL, &Keyboardhandler::KeyboardProc,
        [display](std::function<void()> task) { display->asyncExec(std::move(task)); }, source);
}

bool Keyboardhandler::IsHooked() { return g_hook != 0; }

void Keyboardhandler::RemoveHook() {
    if (!IsHooked()) return;
    sys::unhookWindowsHookEx(g_hook);
    g_hook = 0;
}

int64_t Keyboardhandler::KeyboardProc(int code, uint32_t message, const sys::KeyboardRecord& record) {
    if (code == sys::HC_ACTION && message == sys::WM_KEYDOWN) {
        g_lastEvent = record;
        if (TestKey(record.vkCode)) return 1;
    }
    return sys::callNextHookEx(g_hook, code, message, record);
}

bool Keyboardhandler::TestKey(uint32_t vkCode) {
    if (g_target == nullptr) return false;
    bool ctrl = (sys::getAsyncKeyState(sys::VK_CONTROL) & 0x8000) != 0;
    bool alt = (sys::getAsyncKeyState(sys::VK_MENU) & 0x8000) != 0;
    if (!ctrl || vkCode != VK_S || !alt) return false;
    return g_target->BlockControlAltS();
}

sys::KeyboardRecord Keyboardhandler::LastEvent() { return g_lastEvent; }

}  // namespace tiraleaf
