#pragma once
// What the control's two forms share: a dialog window over the control's
// shell (or a window of its own without one), shown modally until it is
// closed, and message boxes with one OK button titled "Lanternbay".

#include <memory>
#include <string>

namespace tk {
class Display;
class Shell;
}  // namespace tk

namespace tiraleaf {

class ModalForm {
public:
    static constexpr const char* BOX_TITLE = "Lanternbay";

    ModalForm(const ModalForm&) = delete;
    ModalForm& operator=(const ModalForm&) = delete;

    // Opens the form and runs the event loop until it is closed. A failure
    // escaping the loop closes the form before it goes on.
    void Show();
    void Move(int x, int y);
    void Close();
    bool IsOpen() const;
    tk::Shell* shell() const { return m_shell.get(); }

protected:
    // nullptr parent: a window of its own on the calling thread's display.
    ModalForm(tk::Shell* parent, const std::string& caption, int width, int height);
    virtual ~ModalForm();
    void MsgBox(const std::string& message);

    std::shared_ptr<tk::Shell> m_shell;
    tk::Display* m_display = nullptr;
};

}  // namespace tiraleaf
