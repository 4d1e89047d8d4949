#pragma once
// Drives a display the way a user would, for tests: clicks, typing,
// choices, closing windows, following links, answering dialogs from a
// script, and a display clock that the test moves by hand.
//
// Every user action answers whether it reached the widget: false when the
// widget is disposed, hidden, disabled, or its shell is blocked by an open
// modal shell or dialog (a user could not have done it). Actions go through
// the same entry points a backend uses, so listeners see what they would
// see with real input, in the same order.

#include "platform/toolkit/DialogScript.h"
#include "platform/toolkit/Types.h"

#include <cstdint>
#include <string>

namespace tk {

class Display;
class Widget;
class Control;
class Shell;
class Button;
class Text;
class List;
class Combo;
class TabFolder;
class Scale;
class Spinner;
class Menu;
class MenuItem;
class TrayItem;
class Browser;

class TestDriver {
public:
    explicit TestDriver(Display& display);

    // ---- clock and loop ----
    // From now on the display clock moves only through advanceClock.
    void useManualClock();
    // Moves the clock, running each timer that falls due at its own time
    // (a timer that re-arms itself inside the span runs again).
    void advanceClock(int64_t milliseconds);
    int64_t now() const;
    // readAndDispatch until it has nothing more; answers how many events ran.
    int runPending(int limit = 100000);

    // ---- dialogs ----
    // Other backends than the headless one show real dialogs unless on.
    void scriptDialogs(bool on);
    void answer(DialogAnswer answer);
    void answerButton(int button) { answer(DialogAnswer::press(button)); }
    const std::vector<ShownDialog>& shownDialogs() const;
    void clearShownDialogs();
    size_t pendingAnswers() const;
    const std::vector<std::string>& scriptErrors() const;

    // ---- user actions ----
    bool click(Button& button);
    bool focus(Control& control);
    // Types at the caret, replacing the selection; stops at the text limit.
    bool type(Text& text, const std::string& typed);
    // Selects everything and types the new text.
    bool replaceText(Text& text, const std::string& newText);
    bool pressEnter(Text& text);
    bool select(List& list, int index);
    bool doubleClick(List& list, int index);
    bool select(Combo& combo, int index);
    bool type(Combo& combo, const std::string& newText);
    bool select(TabFolder& folder, int index);
    bool slide(Scale& scale, int value);
    bool spin(Spinner& spinner, int value);
    bool choose(MenuItem& item);
    bool dismiss(Menu& menu);
    bool pressAccelerator(Shell& shell, int accelerator);
    // Alt + letter: the button or tab whose text has that mnemonic.
    bool pressMnemonic(Shell& shell, char letter);
    bool pressKey(Control& control, int keyCode, char32_t character, int stateMask = 0);
    bool mouseDown(Control& control, int button = 1, int x = 0, int y = 0);
    bool mouseUp(Control& control, int button = 1, int x = 0, int y = 0);
    // MouseDown then MouseUp.
    bool clickMouse(Control& control, int button = 1, int x = 0, int y = 0);
    bool closeBox(Shell& shell);
    bool moveByUser(Shell& shell, int x, int y);
    bool resizeByUser(Shell& shell, int width, int height);
    bool minimizeByUser(Shell& shell, bool minimized);
    // The window system framed the shell anew (a headless frame follows the
    // screen's title bar height): FrameChanged.
    bool reframe(Shell& shell);
    bool activate(Shell& shell);
    bool clickTray(TrayItem& item);
    bool doubleClickTray(TrayItem& item);
    bool menuDetectTray(TrayItem& item);

    // ---- the page inside a browser ----
    // A link click (top frame) or a frame load (top false). False also when
    // the changing listeners cancelled it.
    bool followLink(Browser& browser, const std::string& url, bool top = true);
    // The page opens a window on url; answers the browser that took it.
    Browser* openPopup(Browser& browser, const std::string& url);
    // The page's script closes its window.
    bool closeWindow(Browser& browser);

    // Whether a user could reach the widget now.
    bool reachable(const Widget& widget) const;

private:
    bool reachableControl(const Control& control) const;
    Display& m_display;
};

}  // namespace tk
