#include "platform/toolkit/DirectoryDialog.h"

#include "platform/toolkit/DialogScript.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/Shell.h"
#include "platform/toolkit/ToolkitException.h"

namespace tk {

DirectoryDialog::DirectoryDialog(Shell* parent, int) : m_parent(parent) {
    if (parent == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
}

std::optional<std::string> DirectoryDialog::open() {
    Display* display = m_parent->getDisplay();
    ShownDialog shown;
    shown.kind = DialogKind::DirectoryDialog;
    shown.parentTitle = m_parent->getText();
    shown.title = m_title;
    shown.message = m_message;
    shown.filterPath = m_filterPath;
    std::optional<std::string> chosen;
    display->runModal([&] {
        if (display->dialogScript().active()) {
            chosen = display->dialogScript().answerPath(shown);
        } else {
            chosen = display->backend().openDirectoryDialog(m_parent->getShellPeer(),
                                                            DirectoryDialogRequest{m_title, m_message, m_filterPath});
        }
    });
    if (chosen) m_filterPath = *chosen;
    return chosen;
}

}  // namespace tk
