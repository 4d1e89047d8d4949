#pragma once
// Helpers over the widget toolkit for the tracker window, its dialogs and
// the settings store: message boxes with catalogue texts, placement.

#include <string>

#include "platform/toolkit/Types.h"

namespace tk {
class Shell;
}  // namespace tk

namespace tracker::ui {

class SWTUtil {
public:
    // A modal box on the shell; answers the id of the button pressed. With
    // no shell, or when the box cannot be shown, the text is logged and the
    // answer is that of a closed box (CANCEL, else NO, else OK).
    static int showMessageBox(tk::Shell* shell, const std::string& text, const std::string& title, int style);
    // Title: the application name, " - ", the catalogue text of titleKey.
    static int showMessageBoxTitleKey(tk::Shell* shell, const std::string& text, const std::string& applicationName,
                                      const std::string& titleKey, int style);
    // The same with the text also from the catalogue.
    static int showMessageBoxAllKeys(tk::Shell* shell, const std::string& textKey,
                                     const std::string& applicationName, const std::string& titleKey, int style);

    // Where something of that size stands centred in the area (left of or
    // above the area when it is larger).
    static tk::Point calculateCenter(const tk::Point& size, const tk::Rectangle& area);
};

}  // namespace tracker::ui
