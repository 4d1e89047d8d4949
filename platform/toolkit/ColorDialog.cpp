#include "platform/toolkit/ColorDialog.h"

#include "platform/toolkit/DialogScript.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/Shell.h"
#include "platform/toolkit/ToolkitException.h"

namespace tk {

ColorDialog::ColorDialog(Shell* parent, int) : m_parent(parent) {
    if (parent == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
}

std::optional<RGB> ColorDialog::open() {
    Display* display = m_parent->getDisplay();
    ShownDialog shown;
    shown.kind = DialogKind::ColorDialog;
    shown.parentTitle = m_parent->getText();
    shown.title = m_title;
    shown.rgb = m_rgb;
    std::optional<RGB> chosen;
    display->runModal([&] {
        if (display->dialogScript().active()) {
            chosen = display->dialogScript().answerColor(shown);
        } else {
            chosen = display->backend().openColorDialog(m_parent->getShellPeer(), ColorDialogRequest{m_title, m_rgb});
        }
    });
    if (chosen) m_rgb = *chosen;
    return chosen;
}

}  // namespace tk
