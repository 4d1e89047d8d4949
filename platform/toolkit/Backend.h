#pragma once
// ---------------------------------------------------------------------------
// The contract between the toolkit's facade (tk::Display, tk::Shell, ...) and
// a backend (headless/, qt/).
//
// Who keeps what
//   The facade keeps every piece of state (bounds, texts, items, selections,
//   enabled and visible flags, z-order, focus, listeners), runs the event
//   loop's own queues (asyncExec tasks, timerExec timers on the display clock)
//   and enforces the shared rules: thread and disposal checks, "a
//   programmatic change fires no event", mnemonics, accelerators, modality.
//   A backend only mirrors that state on screen through peers and reports
//   what the user (or a web page) did through sites.
//
// Peers (backend side)
//   One peer per facade object, made by the Backend factory when the object
//   is created. The facade then pushes the initial state through the
//   setters; a peer never asks the facade for state. Peers are destroyed by
//   the facade (unique_ptr) when the object is disposed: children before
//   their parent, after the Dispose listeners of the whole subtree ran, so a
//   peer may own native children and must not delete them twice (Qt: let a
//   child's destructor remove it from its parent, or hold QPointers).
//   Geometry is absolute pixels: a child's bounds are relative to its
//   parent's client area, a shell's bounds are screen coordinates of its
//   outer frame. Texts are UTF-8 with "&" mnemonics left in (see Types.h);
//   menu item texts may hold "\t" followed by the accelerator text.
//
// Sites (facade side)
//   A peer reports user actions by calling its site (the interface handed to
//   the factory; it stays valid for the peer's whole life). Rules:
//   - Report only what the user or a page did. Changes made through the
//     peer's own setters must not come back as user actions (block signals
//     while applying them). The facade also ignores text and selection
//     reports that arrive while it is inside a peer setter.
//   - Call sites on the user-interface thread only.
//   - Sites may run listeners that throw. While the facade is inside
//     DisplayPeer::dispatchNative or waitNative, a site call catches the
//     failure itself and Display::readAndDispatch rethrows it afterwards, so
//     nothing unwinds through native frames. Outside those two calls no
//     site call should be made except userBounds/userFocusIn caused by a
//     setter, which the facade treats as no-ops when nothing changed.
//   - Browser: the facade runs the location-changing hook itself for the
//     navigations it starts (setUrl), then calls BrowserPeer::navigate; the
//     peer must not report that navigation to userChanging again. Every
//     other navigation (link click, form post, script, history, sub-frame,
//     new window) goes through userChanging first; false means cancel.
//     Report userChanged for each committed navigation (top and frames),
//     userCompleted when the top document has loaded. setText shows markup
//     without the changing hook and reports changed("about:blank").
//   - A popup request calls userOpenWindow(): the facade answers the peer of
//     the browser that takes the window, or nullptr (refuse it). Then the
//     new browser's peer reports userVisibility(true) before it navigates.
//
// Dialogs
//   openMessageBox, openFileDialog, openDirectoryDialog and openColorDialog
//   are modal and return the answer; they run a nested native loop (the
//   facade's queues keep running: the loop should call
//   DisplaySite::runQueuedWork from time to time, e.g. from a 10 ms timer).
//   When a test script is active (TestDriver) the facade answers without
//   calling the backend at all.
//
// Event loop
//   DisplayPeer::dispatchNative handles at most one native event and says
//   whether there was one. waitNative blocks until a native event arrives,
//   wake() is called (from any thread) or the timeout passes. A wake() that
//   comes while nobody waits makes the next waitNative return at once.
//
// Initial state of a new peer
//   Empty bounds, visible (a shell hidden), enabled, default colours, font
//   and cursor, no text, no tooltip; a new control is the bottommost of its
//   siblings. The facade then pushes whatever differs.
//
// Selection and registration
//   Display() takes the backend named by the environment variable
//   RL_TOOLKIT ("qt" or "headless"; programs default to "qt"; ctest sets
//   "headless"). The headless backend is built into platform_toolkit. A
//   static library's objects are dropped unless referenced, so the Qt
//   backend registers itself only through an explicit call: the Qt library
//   provides
//       namespace tk::qt { void registerBackend(); }   // platform/toolkit/qt/QtBackend.h
//   which calls tk::registerBackend("qt", factory). Every windowed program
//   calls tk::qt::registerBackend() at the start of main(), before it
//   creates its Display. Asking for a backend that is not registered throws
//   ToolkitException(ERROR_NO_BACKEND).
// ---------------------------------------------------------------------------

#include "platform/toolkit/Types.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tk {

// ---- sites -----------------------------------------------------------------

class DisplaySite {
public:
    virtual ~DisplaySite() = default;
    // Runs due timers and queued asyncExec tasks; for the nested loops of
    // native modal dialogs.
    virtual void runQueuedWork() = 0;
};

class ControlSite {
public:
    virtual ~ControlSite() = default;
    virtual void userFocusIn() = 0;
    // type MouseDown, MouseUp or MouseDoubleClick; x, y in the control.
    virtual void userMouse(int type, int button, int x, int y, int stateMask) = 0;
    // type KeyDown or KeyUp; answers doit (false: swallow the key).
    virtual bool userKey(int type, int keyCode, char32_t character, int stateMask) = 0;
    // The window system moved or sized the control (shells: the user did).
    virtual void userBounds(const Rectangle& bounds) = 0;
};

class ShellSite : public ControlSite {
public:
    // The close box was pressed. The facade sends Close and disposes the
    // shell unless a listener refused; the peer must not close by itself.
    virtual void userClose() = 0;
    virtual void userActivate(bool active) = 0;
    virtual void userIconify(bool minimized) = 0;
    // The window system put its frame around the shell or changed it: the
    // client area (CompositePeer::clientArea) now stands elsewhere inside
    // the same bounds.
    virtual void userFrame() = 0;
    // A key combination (modifiers | key) that may be a menu accelerator;
    // true when a menu item took it.
    virtual bool userAccelerator(int accelerator) = 0;
};

class ButtonSite : public ControlSite {
public:
    // A click; for CHECK, RADIO and TOGGLE the new selection state.
    virtual void userSelect(bool selection) = 0;
};

class TextSite : public ControlSite {
public:
    virtual void userText(const std::string& text) = 0;  // the whole new text
    virtual void userDefaultSelection() = 0;             // Enter in a single-line text
};

class ListSite : public ControlSite {
public:
    virtual void userSelect(int index) = 0;
    virtual void userDefaultSelect(int index) = 0;  // double click, Enter
};

class ComboSite : public ControlSite {
public:
    virtual void userSelect(int index) = 0;
    virtual void userText(const std::string& text) = 0;
};

class TabFolderSite : public ControlSite {
public:
    virtual void userSelect(int index) = 0;
};

// Scales and spinners.
class RangeSite : public ControlSite {
public:
    virtual void userSelect(int value) = 0;
};

class MenuSite {
public:
    virtual ~MenuSite() = default;
    virtual void userHidden() = 0;  // a popup menu closed (chosen or dismissed)
};

class MenuItemSite {
public:
    virtual ~MenuItemSite() = default;
    virtual void userSelect() = 0;  // the facade toggles CHECK items itself
};

class TrayItemSite {
public:
    virtual ~TrayItemSite() = default;
    virtual void userSelect() = 0;
    virtual void userDefaultSelect() = 0;
    virtual void userMenuDetect() = 0;
};

class BrowserPeer;

class BrowserSite : public ControlSite {
public:
    virtual bool userChanging(const std::string& location, bool top) = 0;
    virtual void userChanged(const std::string& location, bool top) = 0;
    virtual void userCompleted() = 0;
    virtual BrowserPeer* userOpenWindow() = 0;
    virtual void userVisibility(bool show) = 0;
    virtual void userCloseWindow() = 0;
    virtual void userTitle(const std::string& title) = 0;
};

// ---- peers -----------------------------------------------------------------

class ImagePeer {
public:
    virtual ~ImagePeer() = default;
};

class ControlPeer {
public:
    virtual ~ControlPeer() = default;
    virtual void setBounds(const Rectangle& bounds) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setFocus() = 0;
    virtual void setForeground(const std::optional<Color>& color) = 0;
    virtual void setBackground(const std::optional<Color>& color) = 0;
    virtual void setFont(const std::optional<Font>& font) = 0;
    virtual void setCursor(const std::optional<Cursor>& cursor) = 0;
    virtual void setToolTipText(const std::string& text) = 0;
    // Window order among siblings; nullptr means topmost / bottommost.
    virtual void moveAbove(ControlPeer* sibling) = 0;
    virtual void moveBelow(ControlPeer* sibling) = 0;
    // Preferred size of a leaf control; a hint other than DEFAULT fixes that
    // dimension. Composites answer {0, 0}: the facade sizes them.
    virtual Point computeSize(int widthHint, int heightHint) = 0;
    virtual int getBorderWidth() = 0;
};

class CompositePeer : public ControlPeer {
public:
    // The client area inside an outer size, in the widget's own outer
    // coordinates (x, y = left and top insets).
    virtual Rectangle clientArea(int width, int height) = 0;
};

class MenuPeer;
class ButtonPeer;

class ShellPeer : public CompositePeer {
public:
    virtual void setText(const std::string& text) = 0;
    virtual void setImage(ImagePeer* image) = 0;
    virtual void setActive() = 0;
    virtual void setMinimumSize(const Point& size) = 0;
    virtual void setMenuBar(MenuPeer* menu) = 0;
    virtual void setDefaultButton(ButtonPeer* button) = 0;
    virtual void setMinimized(bool minimized) = 0;
    virtual void setMaximized(bool maximized) = 0;
    // Drop the size, minimise, maximise and restore commands of the window.
    virtual void removeSizeCommands() = 0;
};

class LabelPeer : public ControlPeer {
public:
    virtual void setText(const std::string& text) = 0;
    virtual void setImage(ImagePeer* image) = 0;
    virtual void setAlignment(int alignment) = 0;  // LEFT, CENTER, RIGHT
};

class ButtonPeer : public ControlPeer {
public:
    virtual void setText(const std::string& text) = 0;
    virtual void setImage(ImagePeer* image) = 0;
    virtual void setSelection(bool selected) = 0;
};

class TextPeer : public ControlPeer {
public:
    virtual void setText(const std::string& text) = 0;
    virtual void setTextLimit(int limit) = 0;
    virtual void setEchoChar(char echo) = 0;  // 0: show the text
    virtual void setEditable(bool editable) = 0;
    // Character positions (not bytes); start == end is a caret.
    virtual void setSelection(int start, int end) = 0;
};

class ListPeer : public ControlPeer {
public:
    virtual void setItems(const std::vector<std::string>& items) = 0;
    virtual void setSelection(int index) = 0;  // -1: none
};

class ComboPeer : public ControlPeer {
public:
    virtual void setItems(const std::vector<std::string>& items) = 0;
    virtual void setSelection(int index) = 0;
    virtual void setText(const std::string& text) = 0;
    virtual void setTextLimit(int limit) = 0;
};

class GroupPeer : public CompositePeer {
public:
    virtual void setText(const std::string& text) = 0;
};

class TabFolderPeer : public CompositePeer {
public:
    virtual void insertItem(int index) = 0;
    virtual void removeItem(int index) = 0;
    virtual void setItemText(int index, const std::string& text) = 0;
    virtual void setItemImage(int index, ImagePeer* image) = 0;
    virtual void setItemToolTipText(int index, const std::string& text) = 0;
    // One control may serve several tabs; it is shown while one of them is
    // selected.
    virtual void setItemControl(int index, ControlPeer* control) = 0;
    virtual void setSelection(int index) = 0;
    virtual void setTabHeight(int height) = 0;
    virtual void setSelectionColors(const std::optional<Color>& background,
                                    const std::optional<Color>& foreground) = 0;
};

// Scales, progress bars and spinners.
class RangePeer : public ControlPeer {
public:
    virtual void setRange(int minimum, int maximum, int selection) = 0;
    virtual void setIncrements(int increment, int pageIncrement) = 0;
};

class MenuPeer {
public:
    virtual ~MenuPeer() = default;
    // A popup menu at a screen position, or at the pointer when the program
    // gave none; a bar or drop-down ignores it.
    virtual void setVisible(bool visible, const std::optional<Point>& location) = 0;
    virtual void setEnabled(bool enabled) = 0;
};

class MenuItemPeer {
public:
    virtual ~MenuItemPeer() = default;
    virtual void setText(const std::string& text) = 0;
    virtual void setAccelerator(int accelerator) = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setSelection(bool selected) = 0;
    virtual void setImage(ImagePeer* image) = 0;
    virtual void setMenu(MenuPeer* cascade) = 0;
};

class TrayItemPeer {
public:
    virtual ~TrayItemPeer() = default;
    virtual void setImage(ImagePeer* image) = 0;
    virtual void setToolTipText(const std::string& text) = 0;
    virtual void setVisible(bool visible) = 0;
};

class BrowserPeer : public ControlPeer {
public:
    virtual void navigate(const std::string& url) = 0;
    virtual void setText(const std::string& html) = 0;
    virtual void refresh() = 0;
    virtual bool back() = 0;
    virtual bool forward() = 0;
    virtual bool isBackEnabled() = 0;
    virtual bool isForwardEnabled() = 0;
    virtual void stop() = 0;
    // Browser::CMD_* with Browser::OPT_*; false when not supported.
    virtual bool execCommand(int command, int option) = 0;
};

class DisplayPeer {
public:
    virtual ~DisplayPeer() = default;
    virtual bool dispatchNative() = 0;
    virtual void waitNative(int timeoutMillis) = 0;  // -1: no timeout
    virtual void wake() = 0;                         // any thread
    virtual Rectangle getBounds() = 0;
    virtual Rectangle getClientArea() = 0;  // primary monitor, without task bars
    // Asked only for the theme colours (widget and list colours).
    virtual Color getSystemColor(int id) = 0;
    virtual FontData getSystemFont() = 0;
    // Height of a window title bar; 26 until the window system can tell.
    virtual int getTitleBarHeight() = 0;
    virtual bool hasSystemTray() = 0;
    // Version of the embedded web engine; "" when the backend has none.
    virtual std::string getBrowserVersion() { return ""; }
    // Puts a cookie into the store every browser of the display shares:
    // setCookie is a Set-Cookie field, url the address that set it. False
    // when the field sets nothing.
    virtual bool setBrowserCookie(const std::string& url, const std::string& setCookie) {
        (void)url;
        (void)setCookie;
        return false;
    }
};

// ---- requests of the modal dialogs -------------------------------------------

struct ImageData {
    std::string path;
    std::string bytes;
    std::string format;  // "bmp", "png", "gif", "ico", "jpeg"
    int width = 0;
    int height = 0;
};

struct FileDialogRequest {
    int style = 0;  // OPEN or SAVE
    std::string title;
    std::string filterPath;
    std::string fileName;
    std::vector<std::string> filterExtensions;  // "*.settings"
    std::vector<std::string> filterNames;
};

struct DirectoryDialogRequest {
    std::string title;
    std::string message;
    std::string filterPath;
};

struct ColorDialogRequest {
    std::string title;
    RGB rgb;
};

// ---- the backend -------------------------------------------------------------

class Backend {
public:
    virtual ~Backend() = default;
    virtual std::string name() const = 0;

    virtual std::unique_ptr<DisplayPeer> createDisplay(DisplaySite& site) = 0;
    virtual std::unique_ptr<ImagePeer> createImage(const ImageData& data) = 0;

    // parent is nullptr for a top-level shell.
    virtual std::unique_ptr<ShellPeer> createShell(ShellSite& site, ShellPeer* parent, int style) = 0;
    // Plain composites and the frame a hosted control draws into.
    virtual std::unique_ptr<CompositePeer> createComposite(ControlSite& site, CompositePeer& parent, int style) = 0;
    virtual std::unique_ptr<GroupPeer> createGroup(ControlSite& site, CompositePeer& parent, int style) = 0;
    virtual std::unique_ptr<TabFolderPeer> createTabFolder(TabFolderSite& site, CompositePeer& parent, int style) = 0;
    virtual std::unique_ptr<LabelPeer> createLabel(ControlSite& site, CompositePeer& parent, int style) = 0;
    virtual std::unique_ptr<ButtonPeer> createButton(ButtonSite& site, CompositePeer& parent, int style) = 0;
    virtual std::unique_ptr<TextPeer> createText(TextSite& site, CompositePeer& parent, int style) = 0;
    virtual std::unique_ptr<ListPeer> createList(ListSite& site, CompositePeer& parent, int style) = 0;
    virtual std::unique_ptr<ComboPeer> createCombo(ComboSite& site, CompositePeer& parent, int style) = 0;
    virtual std::unique_ptr<RangePeer> createScale(RangeSite& site, CompositePeer& parent, int style) = 0;
    virtual std::unique_ptr<RangePeer> createProgressBar(ControlSite& site, CompositePeer& parent, int style) = 0;
    virtual std::unique_ptr<RangePeer> createSpinner(RangeSite& site, CompositePeer& parent, int style) = 0;
    virtual std::unique_ptr<BrowserPeer> createBrowser(BrowserSite& site, CompositePeer& parent, int style) = 0;
    // shell: the shell of a BAR or POP_UP menu; nullptr for a drop-down.
    virtual std::unique_ptr<MenuPeer> createMenu(MenuSite& site, ShellPeer* shell, int style) = 0;
    virtual std::unique_ptr<MenuItemPeer> createMenuItem(MenuItemSite& site, MenuPeer& menu, int style, int index) = 0;
    virtual std::unique_ptr<TrayItemPeer> createTrayItem(TrayItemSite& site, int style) = 0;

    // Modal dialogs; parent may be nullptr.
    virtual int openMessageBox(ShellPeer* parent, int style, const std::string& title,
                               const std::string& message) = 0;
    virtual std::optional<std::string> openFileDialog(ShellPeer* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> openDirectoryDialog(ShellPeer* parent,
                                                           const DirectoryDialogRequest& request) = 0;
    virtual std::optional<RGB> openColorDialog(ShellPeer* parent, const ColorDialogRequest& request) = 0;

    // True when dialogs are always answered from the test script (the
    // headless backend has no screen to show them on).
    virtual bool scriptsDialogs() const { return false; }
};

using BackendFactory = std::function<std::unique_ptr<Backend>()>;

// Thread-safe; a second registration of a name replaces the first.
void registerBackend(const std::string& name, BackendFactory factory);
bool isBackendRegistered(const std::string& name);
// The name Display() picks: RL_TOOLKIT, or "qt" when it is unset or empty.
std::string selectedBackendName();

}  // namespace tk
