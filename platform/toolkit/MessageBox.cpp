#include "platform/toolkit/MessageBox.h"

#include "platform/toolkit/DialogScript.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/Shell.h"
#include "platform/toolkit/Style.h"
#include "platform/toolkit/ToolkitException.h"

namespace tk {

namespace {
constexpr int ALL_BUTTONS = OK | YES | NO | CANCEL | ABORT | RETRY | IGNORE;
}

MessageBox::MessageBox(Shell* parent, int style) : m_parent(parent), m_style(style) {
    if (parent == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
}

int MessageBox::buttonsOf(int style) {
    int buttons = style & ALL_BUTTONS;
    return buttons == 0 ? OK : buttons;
}

int MessageBox::closeAnswer(int style) {
    int buttons = buttonsOf(style);
    if ((buttons & CANCEL) != 0) return CANCEL;
    if ((buttons & NO) != 0) return NO;
    if ((buttons & IGNORE) != 0) return IGNORE;
    return OK;
}

int MessageBox::open() {
    Display* display = m_parent->getDisplay();
    ShownDialog shown;
    shown.kind = DialogKind::MessageBox;
    shown.parentTitle = m_parent->getText();  // also checks the parent
    shown.style = m_style;
    shown.title = m_title;
    shown.message = m_message;
    int answer = closeAnswer(m_style);
    display->runModal([&] {
        if (display->dialogScript().active()) {
            answer = display->dialogScript().answerMessageBox(shown);
        } else {
            answer = display->backend().openMessageBox(m_parent->getShellPeer(), m_style, m_title, m_message);
        }
    });
    return answer;
}

}  // namespace tk
