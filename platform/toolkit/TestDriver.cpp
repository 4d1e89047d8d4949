#include "platform/toolkit/TestDriver.h"

#include "platform/system/Ascii.h"
#include "platform/toolkit/Browser.h"
#include "platform/toolkit/Button.h"
#include "platform/toolkit/Combo.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/List.h"
#include "platform/toolkit/Menu.h"
#include "platform/toolkit/MenuItem.h"
#include "platform/toolkit/Scale.h"
#include "platform/toolkit/Shell.h"
#include "platform/toolkit/Spinner.h"
#include "platform/toolkit/TabFolder.h"
#include "platform/toolkit/TabItem.h"
#include "platform/toolkit/Text.h"
#include "platform/toolkit/TrayItem.h"
#include "platform/toolkit/Utf8.h"


namespace tk {

TestDriver::TestDriver(Display& display) : m_display(display) {}

void TestDriver::useManualClock() { m_display.useManualClock(); }

void TestDriver::advanceClock(int64_t milliseconds) { m_display.advanceClock(milliseconds); }

int64_t TestDriver::now() const { return m_display.now(); }

int TestDriver::runPending(int limit) {
    int count = 0;
    while (count < limit && !m_display.isDisposed() && m_display.readAndDispatch()) ++count;
    return count;
}

void TestDriver::scriptDialogs(bool on) {
    m_display.checkDevice();
    m_display.dialogScript().setActive(on || m_display.backend().scriptsDialogs());
}

void TestDriver::answer(DialogAnswer answer) { m_display.dialogScript().push(std::move(answer)); }

const std::vector<ShownDialog>& TestDriver::shownDialogs() const { return m_display.m_dialogScript->shown(); }

void TestDriver::clearShownDialogs() { m_display.dialogScript().clearShown(); }

size_t TestDriver::pendingAnswers() const { return m_display.m_dialogScript->pending(); }

const std::vector<std::string>& TestDriver::scriptErrors() const { return m_display.m_dialogScript->errors(); }

bool TestDriver::reachableControl(const Control& control) const {
    if (control.isDisposed() || control.isBeingDisposed()) return false;
    if (!control.isVisible() || !control.isEnabled()) return false;
    Shell* shell = control.getShell();
    if (shell == nullptr || shell->getMinimized()) return false;
    return !m_display.isBlocked(shell);
}

bool TestDriver::reachable(const Widget& widget) const {
    if (widget.isDisposed() || widget.isBeingDisposed()) return false;
    if (auto* control = dynamic_cast<const Control*>(&widget)) return reachableControl(*control);
    if (auto* item = dynamic_cast<const MenuItem*>(&widget)) {
        if (!item->isEnabled()) return false;
        const Menu* root = item->getParent();
        while (root->getParentItem() != nullptr) root = root->getParentItem()->getParent();
        if ((root->getStyle() & POP_UP) != 0) return root->getVisible() && !m_display.isDialogOpen();
        return root->isVisible() && reachableControl(*root->getShell());
    }
    if (auto* tab = dynamic_cast<const TabItem*>(&widget)) return reachableControl(*tab->getParent());
    if (auto* tray = dynamic_cast<const TrayItem*>(&widget)) return tray->getVisible();
    return false;
}

bool TestDriver::focus(Control& control) {
    if (!reachable(control) || !control.canTakeFocus()) return false;
    control.userFocusIn();
    return !control.isDisposed() && control.isFocusControl();
}

bool TestDriver::click(Button& button) {
    if (!reachable(button)) return false;
    button.userFocusIn();
    if (button.isDisposed()) return true;
    button.userMouse(MouseDown, 1, 1, 1, 0);
    if (button.isDisposed()) return true;
    button.userMouse(MouseUp, 1, 1, 1, 0);
    if (button.isDisposed()) return true;
    int style = button.getStyle();
    bool selection = false;
    if ((style & (CHECK | TOGGLE)) != 0) selection = !button.getSelection();
    if ((style & RADIO) != 0) selection = true;
    button.userSelect(selection);
    return true;
}

bool TestDriver::type(Text& text, const std::string& typed) {
    if (!reachable(text) || !text.getEditable()) return false;
    if (!text.isFocusControl()) text.userFocusIn();
    bool single = (text.getStyle() & MULTI) == 0;
    size_t byte = 0;
    while (byte < typed.size()) {
        if (text.isDisposed()) return false;
        std::string ch = utf8::characterAt(typed, byte);
        if (single && (ch == "\n" || ch == "\r")) {
            pressEnter(text);
            continue;
        }
        char32_t code = static_cast<unsigned char>(ch[0]);
        if (!text.userKey(KeyDown, static_cast<int>(code), code, 0)) continue;  // a listener swallowed it
        if (text.isDisposed()) return false;
        std::string current = text.getText();
        Point selection = text.getSelection();
        int length = utf8::length(current);
        if (length - (selection.y - selection.x) >= text.getTextLimit()) return false;
        std::string next = utf8::prefix(current, selection.x) + ch + utf8::slice(current, selection.y, length);
        text.m_selStart = text.m_selEnd = selection.x + 1;
        text.userText(next);
        if (text.isDisposed()) return false;
        text.apply([&text] { text.getTextPeer()->setSelection(text.m_selStart, text.m_selEnd); });
        text.userKey(KeyUp, static_cast<int>(code), code, 0);
    }
    return true;
}

bool TestDriver::replaceText(Text& text, const std::string& newText) {
    if (!reachable(text) || !text.getEditable()) return false;
    if (!text.isFocusControl()) text.userFocusIn();
    if (text.isDisposed()) return false;
    text.selectAll();
    if (newText.empty()) {
        text.m_selStart = text.m_selEnd = 0;
        text.userText("");
        return true;
    }
    return type(text, newText);
}

bool TestDriver::pressEnter(Text& text) {
    if (!reachable(text)) return false;
    if ((text.getStyle() & MULTI) != 0) return type(text, "\n");
    text.userDefaultSelection();
    if (text.isDisposed()) return true;
    // Enter also presses the shell's default button.
    Shell* shell = text.getShell();
    if (Button* button = shell->getDefaultButton()) {
        if (reachable(*button)) button->userSelect(button->getSelection());
    }
    return true;
}

bool TestDriver::select(List& list, int index) {
    if (!reachable(list) || index < 0 || index >= list.getItemCount()) return false;
    list.userFocusIn();
    if (list.isDisposed()) return true;
    list.userSelect(index);
    return true;
}

bool TestDriver::doubleClick(List& list, int index) {
    if (!select(list, index)) return false;
    if (!list.isDisposed()) list.userDefaultSelect(index);
    return true;
}

bool TestDriver::select(Combo& combo, int index) {
    if (!reachable(combo) || index < 0 || index >= combo.getItemCount()) return false;
    combo.userSelect(index);
    return true;
}

bool TestDriver::type(Combo& combo, const std::string& newText) {
    if (!reachable(combo) || (combo.getStyle() & READ_ONLY) != 0) return false;
    combo.userText(newText);
    return true;
}

bool TestDriver::select(TabFolder& folder, int index) {
    if (!reachable(folder) || index < 0 || index >= folder.getItemCount()) return false;
    folder.userSelect(index);
    return true;
}

bool TestDriver::slide(Scale& scale, int value) {
    if (!reachable(scale)) return false;
    scale.userSelect(value);
    return true;
}

bool TestDriver::spin(Spinner& spinner, int value) {
    if (!reachable(spinner)) return false;
    spinner.userSelect(value);
    return true;
}

bool TestDriver::choose(MenuItem& item) {
    if (!reachable(item)) return false;
    item.userSelect();
    return true;
}

bool TestDriver::dismiss(Menu& menu) {
    if (menu.isDisposed() || !menu.getVisible()) return false;
    menu.userHidden();
    return true;
}

bool TestDriver::pressAccelerator(Shell& shell, int accelerator) {
    if (!reachable(shell)) return false;
    return shell.userAccelerator(accelerator);
}

namespace {
bool findMnemonic(Composite& composite, char letter, TestDriver& driver) {
    for (Control* child : composite.getChildren()) {
        if (auto* button = dynamic_cast<Button*>(child)) {
            if (mnemonicOf(button->getText()) == letter && driver.reachable(*button)) return driver.click(*button);
        }
        if (auto* folder = dynamic_cast<TabFolder*>(child)) {
            auto items = folder->getItems();
            for (size_t i = 0; i < items.size(); ++i) {
                if (mnemonicOf(items[i]->getText()) == letter && driver.reachable(*folder)) {
                    return driver.select(*folder, static_cast<int>(i));
                }
            }
        }
        auto* inner = dynamic_cast<Composite*>(child);
        if (inner != nullptr && inner->getVisible() && findMnemonic(*inner, letter, driver)) return true;
    }
    return false;
}
}  // namespace

bool TestDriver::pressMnemonic(Shell& shell, char letter) {
    if (!reachable(shell)) return false;
    return findMnemonic(shell, sys::toAsciiLower(letter), *this);
}

bool TestDriver::pressKey(Control& control, int keyCode, char32_t character, int stateMask) {
    if (!reachable(control)) return false;
    bool doit = control.userKey(KeyDown, keyCode, character, stateMask);
    if (!control.isDisposed()) control.userKey(KeyUp, keyCode, character, stateMask);
    return doit;
}

bool TestDriver::mouseDown(Control& control, int button, int x, int y) {
    if (!reachable(control)) return false;
    control.userMouse(MouseDown, button, x, y, 0);
    return true;
}

bool TestDriver::mouseUp(Control& control, int button, int x, int y) {
    if (!reachable(control)) return false;
    control.userMouse(MouseUp, button, x, y, 0);
    return true;
}

bool TestDriver::clickMouse(Control& control, int button, int x, int y) {
    if (!mouseDown(control, button, x, y)) return false;
    if (!control.isDisposed()) control.userMouse(MouseUp, button, x, y, 0);
    return true;
}

bool TestDriver::closeBox(Shell& shell) {
    if (shell.isDisposed() || !shell.getVisible() || m_display.isBlocked(&shell)) return false;
    shell.userClose();
    return true;
}

bool TestDriver::moveByUser(Shell& shell, int x, int y) {
    if (!reachable(shell)) return false;
    Rectangle bounds = shell.getBounds();
    shell.userBounds({x, y, bounds.width, bounds.height});
    return true;
}

bool TestDriver::resizeByUser(Shell& shell, int width, int height) {
    if (!reachable(shell) || (shell.getStyle() & RESIZE) == 0) return false;
    Rectangle bounds = shell.getBounds();
    Point minimum = shell.getMinimumSize();
    shell.userBounds({bounds.x, bounds.y, std::max(width, minimum.x), std::max(height, minimum.y)});
    return true;
}

bool TestDriver::minimizeByUser(Shell& shell, bool minimized) {
    if (shell.isDisposed() || !shell.getVisible() || m_display.isBlocked(&shell)) return false;
    shell.userIconify(minimized);
    return true;
}

bool TestDriver::reframe(Shell& shell) {
    if (shell.isDisposed()) return false;
    shell.userFrame();
    return true;
}

bool TestDriver::activate(Shell& shell) {
    if (!reachable(shell)) return false;
    shell.userActivate(true);
    return true;
}

bool TestDriver::clickTray(TrayItem& item) {
    if (!reachable(item)) return false;
    item.userSelect();
    return true;
}

bool TestDriver::doubleClickTray(TrayItem& item) {
    if (!reachable(item)) return false;
    item.userSelect();
    if (!item.isDisposed()) item.userDefaultSelect();
    return true;
}

bool TestDriver::menuDetectTray(TrayItem& item) {
    if (!reachable(item)) return false;
    item.userMenuDetect();
    return true;
}

bool TestDriver::followLink(Browser& browser, const std::string& url, bool top) {
    if (browser.isDisposed()) return false;
    if (top && !reachable(browser)) return false;
    if (!browser.userChanging(url, top) || browser.isDisposed()) return false;
    if (top) {
        browser.apply([&] { browser.getBrowserPeer()->navigate(url); });
    } else {
        browser.userChanged(url, false);
    }
    return true;
}

Browser* TestDriver::openPopup(Browser& browser, const std::string& url) {
    if (browser.isDisposed()) return nullptr;
    std::shared_ptr<Browser> popup = browser.openWindow();
    if (!popup || popup->isDisposed()) return nullptr;
    popup->userVisibility(true);
    if (!popup->isDisposed() && popup->userChanging(url, true) && !popup->isDisposed()) {
        popup->apply([&] { popup->getBrowserPeer()->navigate(url); });
    }
    return popup->isDisposed() ? nullptr : popup.get();
}

bool TestDriver::closeWindow(Browser& browser) {
    if (browser.isDisposed()) return false;
    browser.userCloseWindow();
    return true;
}

}  // namespace tk
