#include "control/ModalForm.h"

#include <stdexcept>

#include "platform/toolkit/Toolkit.h"

namespace tiraleaf {

ModalForm::ModalForm(tk::Shell* parent, const std::string& caption, int width, int height) {
    int style = tk::DIALOG_TRIM | tk::APPLICATION_MODAL;
    if (parent != nullptr && !parent->isDisposed()) {
        m_shell = tk::make<tk::Shell>(parent, style);
    } else {
        tk::Display* display = tk::Display::getCurrent();
        if (display == nullptr) throw std::runtime_error("Cannot show \"" + caption + "\": no display on this thread");
        m_shell = tk::make<tk::Shell>(display, style);
    }
    m_display = m_shell->getDisplay();
    m_shell->setText(caption);
    m_shell->setSize(width, height);
    // Centred over the parent (or the screen) until moved.
    tk::Rectangle over = parent != nullptr && !parent->isDisposed() ? parent->getBounds() : m_display->getClientArea();
    m_shell->setLocation(over.x + (over.width - width) / 2, over.y + (over.height - height) / 2);
}

ModalForm::~ModalForm() { Close(); }

void ModalForm::Show() {
    m_shell->open();
    try {
        while (IsOpen()) {
            if (!m_display->readAndDispatch()) m_display->sleep();
        }
    } catch (...) {
        Close();
        throw;
    }
}

void ModalForm::Move(int x, int y) { m_shell->setLocation(x, y); }

void ModalForm::Close() {
    if (m_shell && !m_shell->isDisposed() && !m_shell->isBeingDisposed()) m_shell->dispose();
}

bool ModalForm::IsOpen() const { return m_shell && !m_shell->isDisposed(); }

void ModalForm::MsgBox(const std::string& message) {
    tk::MessageBox box(m_shell.get(), tk::OK);
    box.setText(BOX_TITLE);
    box.setMessage(message);
    box.open();
}

}  // namespace tiraleaf
