#pragma once
// Base of every dialog of the tracker. It holds the three references each
// dialog needs (the tracker window, the shell the dialog belongs to and the
// dialog's own shell) and makes the controls: each factory creates one
// control on a parent composite, places it at fixed pixels relative to the
// parent's client area (moved first, sized second; no layout managers) and
// returns it. Besides: centring on the parent, the window's icon, the colour
// chooser and link labels that open their address in the user's browser.
//
// A subclass's constructor stores m_parentShell and m_rl, creates m_shell
// with its style, sets its title and size, calls setIconOnShell where wanted
// and centerDialog once the size is known, then makes its controls with the
// factories and binds their listeners. Closing the dialog disposes its shell
// and with it every control. The dialog object must outlive its shell's
// listeners: the tracker window keeps it until the shell is gone.
//
// User-interface thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/toolkit/Types.h"

namespace tk {
class Button;
class Composite;
class Label;
class List;
class Scale;
class Shell;
class Text;
class Widget;
}  // namespace tk

namespace tracker::ui {

class BaseRLApp;
class Spinner;

class BaseDialog {
public:
    virtual ~BaseDialog();
    BaseDialog(const BaseDialog&) = delete;
    BaseDialog& operator=(const BaseDialog&) = delete;

    // The colour chooser as a child of m_shell, modal to it, titled and
    // preset; nothing when the user cancels.
    virtual std::optional<tk::RGB> showColorDialog(const std::string& title, const tk::RGB& rgb);
    // Gives m_shell the tracker window's icon (when it has one).
    virtual void setIconOnShell();
    // Places m_shell centred over m_parentShell. In the portal edition a
    // dialog taller than its parent lines up with the parent's bottom edge.
    virtual void centerDialog();

    // Multi-line text field with a border (no scroll bars, no word wrap).
    virtual std::shared_ptr<tk::Text> addTextMultiline(tk::Composite* parent, const std::string& text, int width,
                                                       int height, int x, int y);
    // Single-line text field with a border.
    virtual std::shared_ptr<tk::Text> addText(tk::Composite* parent, const std::string& text, int width, int height,
                                              int x, int y);
    // A spin box with no style bits, minimum then maximum set, at its
    // preferred size; the caller places it.
    virtual std::shared_ptr<Spinner> addSpinner(tk::Composite* parent, int minimum, int maximum);
    // A horizontal scale, 280 x 32, whose page increment is the third
    // number; the caller places it.
    virtual std::shared_ptr<tk::Scale> addScale(tk::Composite* parent, int minimum, int maximum, int pageIncrement);
    // Single-selection list with a border and a vertical scroll bar.
    virtual std::shared_ptr<tk::List> addList(tk::Composite* parent, int width, int height, int x, int y);
    // A label of the six-argument addLabel in the system blue that opens url
    // in the user's browser when clicked.
    virtual std::shared_ptr<tk::Label> addLabelWithURL(tk::Composite* parent, const std::string& text,
                                                       const std::string& url, int width, int height, int x, int y);
    // A wrapping label.
    virtual std::shared_ptr<tk::Label> addLabel(tk::Composite* parent, const std::string& text, int width, int height,
                                                int x, int y);
    // A wrapping label of that size; the caller places it.
    virtual std::shared_ptr<tk::Label> addLabel(tk::Composite* parent, const std::string& text, int width,
                                                int height);
    // A check box without text at its preferred size; the caller places it
    // and puts its text in a label of its own.
    virtual std::shared_ptr<tk::Button> addCheckBox(tk::Composite* parent);
    virtual std::shared_ptr<tk::Button> addButton(tk::Composite* parent, const std::string& text, int width,
                                                  int height, int x, int y);

    // Opens m_shell; returns at once (the dialog runs in the main loop).
    void open();
    // The dialog's own shell (nullptr before a subclass made it).
    tk::Shell* getShell() const { return m_shell.get(); }
    // The tracker window the dialog belongs to.
    BaseRLApp* getApp() const { return m_rl; }

protected:
    BaseDialog() = default;

    // Runs an operation of the dialog from an event: a failure is logged
    // ("Cannot " + what) and handed to the dialog error report, and the
    // operation counts as not done. Answers whether it ran to its end.
    bool runGuarded(const std::string& what, const std::function<void()>& operation);
    // Runs the operation, guarded, on every selection of the widget.
    void onSelection(tk::Widget& widget, const std::string& what, std::function<void()> operation);
    // The dialog's class name, for error reports.
    std::string className() const;

    BaseRLApp* m_rl = nullptr;
    tk::Shell* m_parentShell = nullptr;
    std::shared_ptr<tk::Shell> m_shell;
};

}  // namespace tracker::ui
