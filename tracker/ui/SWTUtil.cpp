#include "tracker/ui/SWTUtil.h"

#include <exception>

#include "foundation/Logger.h"
#include "foundation/Messages.h"
#include "platform/toolkit/MessageBox.h"

using foundation::Logger;
using foundation::Messages;

namespace tracker::ui {

int SWTUtil::showMessageBox(tk::Shell* shell, const std::string& text, const std::string& title, int style) {
    if (shell) {
        try {
            tk::MessageBox box(shell, style);
            box.setText(title);
            box.setMessage(text);
            return box.open();
        } catch (const std::exception& failure) {
            Logger::error("Unable to show the message box \"" + title + "\"", failure);
        }
    }
    Logger::info("Message not shown: " + title + ": " + text);
    return tk::MessageBox::closeAnswer(style);
}

int SWTUtil::showMessageBoxTitleKey(tk::Shell* shell, const std::string& text, const std::string& applicationName,
                                    const std::string& titleKey, int style) {
    return showMessageBox(shell, text, applicationName + " - " + Messages::get(titleKey), style);
}

int SWTUtil::showMessageBoxAllKeys(tk::Shell* shell, const std::string& textKey, const std::string& applicationName,
                                   const std::string& titleKey, int style) {
    return showMessageBoxTitleKey(shell, Messages::get(textKey), applicationName, titleKey, style);
}

tk::Point SWTUtil::calculateCenter(const tk::Point& size, const tk::Rectangle& area) {
    return {area.x + (area.width - size.x) / 2, area.y + (area.height - size.y) / 2};
}

}  // namespace tracker::ui
