// Ctrl+Alt+S through the control's keyboard hook, typed by injection as the
// headless toolkit has it: event 8 once per press, nothing for other keys,
// one hook however often the menu is initialised, and none once the control
// ends or the host disposes of the menu.

#include "control/Keyboardhandler.h"
#include "platform/system/KeyboardHook.h"
#include "tests/control/ControlFixture.h"

namespace {

using tiraleaf::Keyboardhandler;

class KeyHook : public rltest::ControlFixture {
protected:
    void press(std::initializer_list<int> keys) {
        for (int vk : keys) sys::sendKeyboardInput(vk, false);
        for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) sys::sendKeyboardInput(*it, true);
        driver.runPending();
    }
    int count(const rltest::RecordingSite& on, com::DispId id) {
        int n = 0;
        for (auto& e : on.events) n += e.id == id ? 1 : 0;
        return n;
    }
};

TEST_F(KeyHook, ControlAltSRaisesEventEightOncePerPress) {
    EXPECT_FALSE(Keyboardhandler::IsHooked());
    control->InitMenu(root);
    ASSERT_TRUE(Keyboardhandler::IsHooked());
    press({sys::VK_LCONTROL, sys::VK_LMENU, 'S'});
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{8}));
    EXPECT_EQ(Keyboardhandler::LastEvent().vkCode, static_cast<uint32_t>('S'));

    // Held down, the key repeats, and each repeat counts.
    sys::sendKeyboardInput(sys::VK_RCONTROL, false);
    sys::sendKeyboardInput(sys::VK_RMENU, false);
    sys::sendKeyboardInput('S', false);
    sys::sendKeyboardInput('S', false);
    sys::sendKeyboardInput('S', true);
    sys::sendKeyboardInput(sys::VK_RMENU, true);
    sys::sendKeyboardInput(sys::VK_RCONTROL, true);
    driver.runPending();
    EXPECT_EQ(count(*site, 8), 3);
}

TEST_F(KeyHook, OtherKeysRaiseNothing) {
    control->InitMenu(root);
    press({sys::VK_LCONTROL, 'S'});
    press({sys::VK_LMENU, 'S'});
    press({sys::VK_LCONTROL, sys::VK_LMENU, 'M'});
    press({sys::VK_LSHIFT, 'S'});
    press({'S'});
    EXPECT_TRUE(site->events.empty());
    EXPECT_EQ(Keyboardhandler::LastEvent().vkCode, static_cast<uint32_t>('S'));
}

TEST_F(KeyHook, ASecondInitMenuInstallsNoSecondHook) {
    control->InitMenu(root);
    control->InitMenu(root);
    press({sys::VK_LCONTROL, sys::VK_LMENU, 'S'});
    EXPECT_EQ(count(*site, 8), 1);
}

TEST_F(KeyHook, DisposingOfTheMenuRemovesTheHook) {
    control->InitMenu(root);
    control->DisposeOfMenu();
    EXPECT_FALSE(Keyboardhandler::IsHooked());
    control->DisposeOfMenu();
    press({sys::VK_LCONTROL, sys::VK_LMENU, 'S'});
    EXPECT_TRUE(site->events.empty());
}

TEST_F(KeyHook, TheHookGoesWithTheControlEvenForKeysAlreadyTyped) {
    control->InitMenu(root);
    sys::sendKeyboardInput(sys::VK_LCONTROL, false);
    sys::sendKeyboardInput(sys::VK_LMENU, false);
    sys::sendKeyboardInput('S', false);
    control->close();
    EXPECT_FALSE(Keyboardhandler::IsHooked());
    EXPECT_EQ(Keyboardhandler::GetTarget(), nullptr);
    sys::sendKeyboardInput('S', true);
    sys::sendKeyboardInput(sys::VK_LMENU, true);
    sys::sendKeyboardInput(sys::VK_LCONTROL, true);
    driver.runPending();
    EXPECT_TRUE(site->events.empty());
}

TEST_F(KeyHook, TheLastControlInitialisedTakesTheKeyAndEndsTheHook) {
    control->InitMenu(root);
    auto otherWindow = tk::make<tk::Composite>(shell, tk::NONE);
    rltest::RecordingSite otherSite(otherWindow.get());
    auto other = std::make_shared<tiraleaf::PopupMenu>();
    other->setClientSite(&otherSite);
    other->doVerb(com::OLEIVERB_SHOW);
    other->InitMenu(root);
    press({sys::VK_LCONTROL, sys::VK_LMENU, 'S'});
    EXPECT_TRUE(site->events.empty());
    EXPECT_EQ(count(otherSite, 8), 1);
    // The first control is no longer the target: its end leaves the hook.
    control->close();
    EXPECT_TRUE(Keyboardhandler::IsHooked());
    other->close();
    EXPECT_FALSE(Keyboardhandler::IsHooked());
}

}  // namespace
