#include "tracker/ui/Spinner.h"

#include "platform/toolkit/Spinner.h"
#include "platform/toolkit/ToolkitException.h"

namespace tracker::ui {

Spinner::Spinner(Token token, tk::Composite* parent, int style) : tk::Composite(token, parent, style) {}

void Spinner::attach() {
    tk::Composite::attach();
    m_control = tk::make<tk::Spinner>(this, tk::NONE);
    // The listeners belong to widgets of this composite and go with it.
    addListener(tk::Resize, [this](tk::Event&) { controlResized(); });
    addListener(tk::FocusIn, [this](tk::Event&) { focusGained(); });
    m_control->addListener(tk::Selection, [this](tk::Event&) { widgetSelected(); });
    m_control->setFont(getFont());
    controlResized();
}

void Spinner::setSelection(int value) {
    checkWidget();
    m_control->setSelection(value);
}

void Spinner::setMinimum(int value) {
    checkWidget();
    m_control->setMinimum(value);
}

void Spinner::setMaximum(int value) {
    checkWidget();
    m_control->setMaximum(value);
}

int Spinner::getSelection() const {
    checkWidget();
    return m_control->getSelection();
}

int Spinner::getMinimum() const {
    checkWidget();
    return m_control->getMinimum();
}

int Spinner::getMaximum() const {
    checkWidget();
    return m_control->getMaximum();
}

void Spinner::setFont(const std::optional<tk::Font>& font) {
    checkWidget();
    tk::Composite::setFont(font);
    m_control->setFont(font);
}

tk::Point Spinner::computeSize(int widthHint, int heightHint, bool) {
    checkWidget();
    tk::Point size = m_control->computeSize(tk::DEFAULT, tk::DEFAULT);
    if (widthHint != tk::DEFAULT) size.x = widthHint;
    if (heightHint != tk::DEFAULT) size.y = heightHint;
    const int border = 2 * getBorderWidth();
    return {size.x + border, size.y + border};
}

int Spinner::addSelectionListener(tk::Listener listener) {
    checkWidget();
    if (!listener) throw tk::ToolkitException(tk::ERROR_NULL_ARGUMENT);
    return addListener(tk::Selection, std::move(listener));
}

tk::Spinner& Spinner::getSpinControl() const {
    checkWidget();
    return *m_control;
}

void Spinner::controlResized() {
    if (isDisposed() || m_control->isDisposed()) return;
    m_control->setBounds(getClientArea());
}

void Spinner::focusGained() {
    if (!isDisposed() && !m_control->isDisposed()) m_control->setFocus();
}

void Spinner::widgetSelected() {
    if (isDisposed() || isBeingDisposed()) return;
    tk::Event event;
    notifyListeners(tk::Selection, event);
}

}  // namespace tracker::ui
