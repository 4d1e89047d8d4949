#pragma once
// A spin box: a number field with up and down arrows over minimum..maximum,
// used by the Options dialog for the cell padding, the cell spacing and the
// logging level. It is a composite whose whole client area is one toolkit
// spin control, kept the size of the composite.
//
// A change by the user reaches the selection listeners; a change by the
// program does not. Values outside the bounds are clamped to them, and the
// bounds may be set in either order. Every operation checks that it runs on
// the user-interface thread and that the widget is not disposed (the
// toolkit's "Widget is disposed" error).

#include <memory>
#include <optional>

#include "platform/toolkit/Composite.h"

namespace tk {
class Spinner;
}  // namespace tk

namespace tracker::ui {

class Spinner : public tk::Composite {
public:
    Spinner(Token token, tk::Composite* parent, int style);

    void setSelection(int value);
    void setMinimum(int value);
    void setMaximum(int value);
    int getSelection() const;
    int getMinimum() const;
    int getMaximum() const;

    // Also the font of the number field; nothing means the default font.
    void setFont(const std::optional<tk::Font>& font);
    // The field's preferred size, a hint other than tk::DEFAULT replacing
    // its dimension, plus twice the border width each way.
    tk::Point computeSize(int widthHint, int heightHint, bool changed = true) override;
    // Selection events only; a missing listener is the toolkit's
    // null-argument error.
    int addSelectionListener(tk::Listener listener);

    // The spin control inside, for tests that act as a user on it.
    tk::Spinner& getSpinControl() const;

protected:
    void attach() override;

private:
    void controlResized();
    void focusGained();
    void widgetSelected();

    std::shared_ptr<tk::Spinner> m_control;
};

}  // namespace tracker::ui
