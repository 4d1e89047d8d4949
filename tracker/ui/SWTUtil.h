#pragma once
// Helpers over the widget toolkit for the tracker window, its dialogs, the
// settings store, the upgrade client and the portal: message boxes with
// catalogue texts, colours and fonts, centring, standard browser commands,
// and the rules that keep popups and outside links out of the program's
// browsers and send them to the user's own browser.

#include <string>

#include "platform/toolkit/Types.h"

namespace tk {
class Browser;
class Control;
class Display;
class Shell;
}  // namespace tk

namespace tracker::ui {

class SWTUtil {
public:
    // ---- Message boxes ------------------------------------------------------------
    // A modal box on the shell; answers the id of the button pressed. With
    // no shell, when the box cannot be shown, or once a signal or the
    // session's end asked the program to end (nobody would answer it), the
    // text is logged and the answer is that of a closed box (CANCEL, else
    // NO, else OK).
    static int showMessageBox(tk::Shell* shell, const std::string& text, const std::string& title, int style);
    // Title: the application name, " - ", the catalogue text of titleKey.
    static int showMessageBoxTitleKey(tk::Shell* shell, const std::string& text, const std::string& applicationName,
                                      const std::string& titleKey, int style);
    // The same with the text also from the catalogue.
    static int showMessageBoxAllKeys(tk::Shell* shell, const std::string& textKey,
                                     const std::string& applicationName, const std::string& titleKey, int style);

    // ---- Fonts and colours --------------------------------------------------------
    static tk::Font getBoldedFont(const tk::Font& font);
    static void boldFontOnControl(tk::Control& control);
    // The system colour of the thread's display (the default display when
    // the thread has none).
    static tk::Color getColor(int systemColourId);
    static tk::Color getColor(int red, int green, int blue);
    // Red, green and blue from six hexadecimal digits (any case);
    // std::invalid_argument for any other text.
    static tk::RGB hexToRGB(const std::string& text);
    static std::string rgbToHexString(const tk::RGB& rgb);
    // 0..255 as two upper-case hexadecimal digits.
    static std::string convertIntToHex(int value);

    // ---- Placement ----------------------------------------------------------------
    static tk::Point calculateCenter(const tk::Point& size, const tk::Rectangle& area);
    static void centerComposite(tk::Control& control, const tk::Rectangle& area);
    static void removeSizeMenuItemsFromShell(tk::Shell& shell);

    // ---- Browser commands ---------------------------------------------------------
    // Save as (4), print (6), print preview (7), page setup (8), with the
    // option (1 prompts the user). False when the browser cannot do it.
    static bool oleExecNoArgs(tk::Browser& browser, int commandId, int option);

    // ---- Outside navigation ---------------------------------------------------------
    static bool isURLForAboutBlank(const std::string& url);
    // Opens the address in the user's own browser through the system layer;
    // blank pages and the ad-tracking image are never opened, and neither is
    // anything but a web or mail address, or a file inside the working folder
    // (which opens with the desktop's handler for its type).
    static void navigateExternally(const std::string& url);
    // Popup windows of the browser never show: each is taken by a hidden
    // browser, whose address is opened in the user's browser instead.
    static void initializeBrowserForPopups(tk::Display* display, tk::Browser& browser);
    // Navigations whose address contains keepPrefix (or is one of the ad
    // frames or ad servers) load inside the browser; every other one is
    // cancelled and opened in the user's browser.
    static void launchBrowserLinksExternally(tk::Browser& browser, const std::string& keepPrefix);
    // An ad frame ("ad-160x600-", "ad-300x250-") or an address holding the
    // address of one of the three advertising servers anywhere in it.
    static bool isAdAddress(const std::string& url);
};

}  // namespace tracker::ui
