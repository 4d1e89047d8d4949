#pragma once
// Style bits, event types, key and colour ids of the toolkit. A bit means
// what its name says for the widget kinds that read it; the same bit value
// may mean different things on different kinds (MULTI on a text, BAR on a
// menu).

namespace tk {

inline constexpr int NONE = 0;
inline constexpr int DEFAULT = -1;  // "no hint" for computeSize

// Shared by many kinds.
inline constexpr int BORDER = 1 << 11;
inline constexpr int H_SCROLL = 1 << 8;
inline constexpr int V_SCROLL = 1 << 9;
inline constexpr int LEFT = 1 << 14;
inline constexpr int RIGHT = 1 << 17;
inline constexpr int CENTER = 1 << 24;
inline constexpr int NO_FOCUS = 1 << 19;
inline constexpr int NO_BACKGROUND = 1 << 18;

// Buttons and menu items.
inline constexpr int PUSH = 1 << 3;
inline constexpr int CHECK = 1 << 5;
inline constexpr int RADIO = 1 << 4;
inline constexpr int TOGGLE = 1 << 1;
inline constexpr int ARROW = 1 << 2;
inline constexpr int FLAT = 1 << 23;
inline constexpr int CASCADE = 1 << 6;
inline constexpr int SEPARATOR = 1 << 1;

// Shells.
inline constexpr int NO_TRIM = 1 << 3;
inline constexpr int TOOL = 1 << 2;
inline constexpr int RESIZE = 1 << 4;
inline constexpr int TITLE = 1 << 5;
inline constexpr int CLOSE = 1 << 6;
inline constexpr int MIN = 1 << 7;
inline constexpr int MAX = 1 << 10;
inline constexpr int ON_TOP = 1 << 14;
inline constexpr int PRIMARY_MODAL = 1 << 15;
inline constexpr int APPLICATION_MODAL = 1 << 16;
inline constexpr int SYSTEM_MODAL = 1 << 17;
inline constexpr int SHELL_TRIM = CLOSE | TITLE | MIN | MAX | RESIZE;
inline constexpr int DIALOG_TRIM = TITLE | CLOSE | BORDER;

// Texts, lists and combos.
inline constexpr int SINGLE = 1 << 2;
inline constexpr int MULTI = 1 << 1;
inline constexpr int READ_ONLY = 1 << 3;
inline constexpr int WRAP = 1 << 6;
inline constexpr int PASSWORD = 1 << 22;
inline constexpr int DROP_DOWN = 1 << 2;
inline constexpr int SIMPLE = 1 << 6;

// Menus.
inline constexpr int BAR = 1 << 1;
inline constexpr int POP_UP = 1 << 3;

// Scales and progress bars.
inline constexpr int HORIZONTAL = 1 << 8;
inline constexpr int VERTICAL = 1 << 9;
inline constexpr int SMOOTH = 1 << 16;
inline constexpr int INDETERMINATE = 1 << 1;

// File dialogs.
inline constexpr int OPEN = 1 << 12;
inline constexpr int SAVE = 1 << 13;

// Message box icons and buttons; open() answers one of the button ids.
inline constexpr int ICON_ERROR = 1;
inline constexpr int ICON_INFORMATION = 2;
inline constexpr int ICON_QUESTION = 4;
inline constexpr int ICON_WARNING = 8;
inline constexpr int ICON_WORKING = 16;
inline constexpr int OK = 32;
inline constexpr int YES = 64;
inline constexpr int NO = 128;
inline constexpr int CANCEL = 256;
inline constexpr int ABORT = 512;
inline constexpr int RETRY = 1024;
inline constexpr int IGNORE = 2048;

// Font styles.
inline constexpr int NORMAL = 0;
inline constexpr int BOLD = 1;
inline constexpr int ITALIC = 2;

// Modifier masks (Event::stateMask, accelerators) and key codes.
inline constexpr int ALT = 1 << 16;
inline constexpr int SHIFT = 1 << 17;
inline constexpr int CTRL = 1 << 18;
inline constexpr int MODIFIER_MASK = ALT | SHIFT | CTRL;
inline constexpr int KEYCODE_BIT = 1 << 24;
inline constexpr int KEY_MASK = KEYCODE_BIT + 0xFFFF;
inline constexpr int CR = '\r';
inline constexpr int ESC = 0x1B;
inline constexpr int TAB = '\t';
inline constexpr int BS = 0x08;
inline constexpr int DEL = 0x7F;
inline constexpr int ARROW_UP = KEYCODE_BIT + 1;
inline constexpr int ARROW_DOWN = KEYCODE_BIT + 2;
inline constexpr int ARROW_LEFT = KEYCODE_BIT + 3;
inline constexpr int ARROW_RIGHT = KEYCODE_BIT + 4;
inline constexpr int F1 = KEYCODE_BIT + 10;

// Event types.
inline constexpr int None = 0;
inline constexpr int KeyDown = 1;
inline constexpr int KeyUp = 2;
inline constexpr int MouseDown = 3;
inline constexpr int MouseUp = 4;
inline constexpr int MouseDoubleClick = 8;
inline constexpr int Move = 10;
inline constexpr int Resize = 11;
inline constexpr int Dispose = 12;
inline constexpr int Selection = 13;
inline constexpr int DefaultSelection = 14;
inline constexpr int FocusIn = 15;
inline constexpr int FocusOut = 16;
inline constexpr int Iconify = 19;
inline constexpr int Deiconify = 20;
inline constexpr int Close = 21;
inline constexpr int Show = 22;
inline constexpr int Hide = 23;
inline constexpr int Modify = 24;
inline constexpr int Activate = 26;
inline constexpr int Deactivate = 27;
inline constexpr int MenuDetect = 35;
// The window system framed a shell anew: its client area moved inside the
// same bounds (the frame a window manager puts around a shown window).
inline constexpr int FrameChanged = 36;
// Browser events.
inline constexpr int LocationChanging = 100;
inline constexpr int LocationChanged = 101;
inline constexpr int ProgressCompleted = 103;
inline constexpr int OpenWindow = 104;
inline constexpr int VisibilityShow = 105;
inline constexpr int VisibilityHide = 106;
inline constexpr int CloseWindow = 107;
inline constexpr int TitleChanged = 108;

// System colours (Display::getSystemColor).
inline constexpr int COLOR_WHITE = 1;
inline constexpr int COLOR_BLACK = 2;
inline constexpr int COLOR_RED = 3;
inline constexpr int COLOR_DARK_RED = 4;
inline constexpr int COLOR_GREEN = 5;
inline constexpr int COLOR_DARK_GREEN = 6;
inline constexpr int COLOR_YELLOW = 7;
inline constexpr int COLOR_DARK_YELLOW = 8;
inline constexpr int COLOR_BLUE = 9;
inline constexpr int COLOR_DARK_BLUE = 10;
inline constexpr int COLOR_MAGENTA = 11;
inline constexpr int COLOR_DARK_MAGENTA = 12;
inline constexpr int COLOR_CYAN = 13;
inline constexpr int COLOR_DARK_CYAN = 14;
inline constexpr int COLOR_GRAY = 15;
inline constexpr int COLOR_DARK_GRAY = 16;
inline constexpr int COLOR_WIDGET_FOREGROUND = 21;
inline constexpr int COLOR_WIDGET_BACKGROUND = 22;
inline constexpr int COLOR_LIST_FOREGROUND = 24;
inline constexpr int COLOR_LIST_BACKGROUND = 25;
inline constexpr int COLOR_LIST_SELECTION = 26;
inline constexpr int COLOR_LIST_SELECTION_TEXT = 27;

// Cursor shapes (Display::getSystemCursor, Cursor).
inline constexpr int CURSOR_ARROW = 0;
inline constexpr int CURSOR_WAIT = 1;
inline constexpr int CURSOR_CROSS = 2;
inline constexpr int CURSOR_APPSTARTING = 3;
inline constexpr int CURSOR_HELP = 4;
inline constexpr int CURSOR_IBEAM = 19;
inline constexpr int CURSOR_NO = 20;
inline constexpr int CURSOR_HAND = 21;

// Error codes of ToolkitException.
inline constexpr int ERROR_UNSPECIFIED = 1;
inline constexpr int ERROR_NO_HANDLES = 2;
inline constexpr int ERROR_NULL_ARGUMENT = 4;
inline constexpr int ERROR_INVALID_ARGUMENT = 5;
inline constexpr int ERROR_INVALID_RANGE = 6;
inline constexpr int ERROR_NOT_IMPLEMENTED = 20;
inline constexpr int ERROR_THREAD_INVALID_ACCESS = 22;
inline constexpr int ERROR_WIDGET_DISPOSED = 24;
inline constexpr int ERROR_INVALID_PARENT = 32;
inline constexpr int ERROR_IO = 39;
inline constexpr int ERROR_INVALID_IMAGE = 40;
inline constexpr int ERROR_UNSUPPORTED_FORMAT = 42;
inline constexpr int ERROR_GRAPHIC_DISPOSED = 44;
inline constexpr int ERROR_DEVICE_DISPOSED = 45;
inline constexpr int ERROR_NO_BACKEND = 100;

}  // namespace tk
