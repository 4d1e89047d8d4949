#include "platform/toolkit/FileDialog.h"

#include "platform/toolkit/DialogScript.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/Shell.h"
#include "platform/toolkit/ToolkitException.h"

namespace tk {

FileDialog::FileDialog(Shell* parent, int style) : m_parent(parent), m_style((style & SAVE) != 0 ? SAVE : OPEN) {
    if (parent == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
}

std::optional<std::string> FileDialog::open() {
    Display* display = m_parent->getDisplay();
    ShownDialog shown;
    shown.kind = DialogKind::FileDialog;
    shown.parentTitle = m_parent->getText();
    shown.style = m_style;
    shown.title = m_title;
    shown.filterPath = m_filterPath;
    shown.fileName = m_fileName;
    shown.filterExtensions = m_extensions;
    std::optional<std::string> chosen;
    display->runModal([&] {
        if (display->dialogScript().active()) {
            chosen = display->dialogScript().answerPath(shown);
        } else {
            FileDialogRequest request{m_style, m_title, m_filterPath, m_fileName, m_extensions, m_names};
            chosen = display->backend().openFileDialog(m_parent->getShellPeer(), request);
        }
    });
    if (chosen) {
        size_t slash = chosen->find_last_of('/');
        m_fileName = slash == std::string::npos ? *chosen : chosen->substr(slash + 1);
        m_filterPath = slash == std::string::npos ? std::string() : chosen->substr(0, slash == 0 ? 1 : slash);
    }
    return chosen;
}

}  // namespace tk
