#include "tracker/ui/BaseDialog.h"

#include <exception>
#include <typeinfo>

#include "foundation/AsynchURL.h"
#include "foundation/ExceptionUtil.h"
#include "foundation/Logger.h"
#include "platform/toolkit/Toolkit.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/SWTUtil.h"
#include "tracker/ui/Spinner.h"

namespace tracker::ui {

using foundation::Logger;

namespace {

constexpr int SCALE_WIDTH = 280;
constexpr int SCALE_HEIGHT = 32;

template <class T>
void place(T& control, int width, int height, int x, int y) {
    control.setLocation(x, y);
    control.setSize(width, height);
}

}  // namespace

BaseDialog::~BaseDialog() {
    // A dialog dropped while its shell still shows takes the shell along, so
    // no listener is left calling a dialog that is gone.
    try {
        if (m_shell && !m_shell->isDisposed() && !m_shell->isBeingDisposed()) m_shell->dispose();
    } catch (const std::exception& failure) {
        Logger::error("Cannot dispose a dialog", failure);
    }
}

std::optional<tk::RGB> BaseDialog::showColorDialog(const std::string& title, const tk::RGB& rgb) {
    tk::ColorDialog chooser(m_shell.get(), tk::APPLICATION_MODAL);
    chooser.setText(title);
    chooser.setRGB(rgb);
    return chooser.open();
}

void BaseDialog::setIconOnShell() {
    if (!m_shell || !m_rl) return;
    if (auto icon = m_rl->getIcon()) m_shell->setImage(icon);
}

void BaseDialog::centerDialog() {
    if (!m_shell || !m_parentShell) return;
    const tk::Rectangle parent = m_parentShell->getBounds();
    const tk::Point size = m_shell->getSize();
    const int x = parent.x + (parent.width - size.x) / 2;
    int y = parent.y + (parent.height - size.y) / 2;
    if (BaseRLApp::isAppTypeLanternbay() && parent.y + parent.height < y + size.y) {
        y = parent.y + parent.height - size.y;
    }
    m_shell->setLocation(x, y);
}

std::shared_ptr<tk::Text> BaseDialog::addTextMultiline(tk::Composite* parent, const std::string& text, int width,
                                                       int height, int x, int y) {
    auto field = tk::make<tk::Text>(parent, tk::MULTI | tk::BORDER);
    field->setText(text);
    place(*field, width, height, x, y);
    return field;
}

std::shared_ptr<tk::Text> BaseDialog::addText(tk::Composite* parent, const std::string& text, int width, int height,
                                              int x, int y) {
    auto field = tk::make<tk::Text>(parent, tk::SINGLE | tk::BORDER);
    field->setText(text);
    place(*field, width, height, x, y);
    return field;
}

std::shared_ptr<Spinner> BaseDialog::addSpinner(tk::Composite* parent, int minimum, int maximum) {
    auto spinner = tk::make<Spinner>(parent, tk::NONE);
    spinner->setMinimum(minimum);
    spinner->setMaximum(maximum);
    spinner->setSize(spinner->computeSize(tk::DEFAULT, tk::DEFAULT));
    return spinner;
}

std::shared_ptr<tk::Scale> BaseDialog::addScale(tk::Composite* parent, int minimum, int maximum, int pageIncrement) {
    auto scale = tk::make<tk::Scale>(parent, tk::HORIZONTAL);
    scale->setMinimum(minimum);
    scale->setMaximum(maximum);
    // A page click moves the scale by the page increment.
    scale->setPageIncrement(pageIncrement);
    scale->setSize(SCALE_WIDTH, SCALE_HEIGHT);
    return scale;
}

std::shared_ptr<tk::List> BaseDialog::addList(tk::Composite* parent, int width, int height, int x, int y) {
    auto list = tk::make<tk::List>(parent, tk::SINGLE | tk::BORDER | tk::V_SCROLL);
    place(*list, width, height, x, y);
    return list;
}

std::shared_ptr<tk::Label> BaseDialog::addLabelWithURL(tk::Composite* parent, const std::string& text,
                                                       const std::string& url, int width, int height, int x, int y) {
    auto label = addLabel(parent, text, width, height, x, y);
    label->setForeground(SWTUtil::getColor(tk::COLOR_BLUE));
    auto follow = [url](tk::Event&) { SWTUtil::navigateExternally(url); };
    label->addListener(tk::MouseDown, follow);
    label->addListener(tk::Selection, follow);
    return label;
}

std::shared_ptr<tk::Label> BaseDialog::addLabel(tk::Composite* parent, const std::string& text, int width, int height,
                                                int x, int y) {
    auto label = tk::make<tk::Label>(parent, tk::WRAP);
    label->setText(text);
    place(*label, width, height, x, y);
    return label;
}

std::shared_ptr<tk::Label> BaseDialog::addLabel(tk::Composite* parent, const std::string& text, int width,
                                                int height) {
    auto label = tk::make<tk::Label>(parent, tk::WRAP);
    label->setText(text);
    label->setSize(width, height);
    return label;
}

std::shared_ptr<tk::Button> BaseDialog::addCheckBox(tk::Composite* parent) {
    auto box = tk::make<tk::Button>(parent, tk::CHECK);
    box->pack();
    return box;
}

std::shared_ptr<tk::Button> BaseDialog::addButton(tk::Composite* parent, const std::string& text, int width,
                                                  int height, int x, int y) {
    auto button = tk::make<tk::Button>(parent, tk::PUSH);
    button->setText(text);
    place(*button, width, height, x, y);
    return button;
}

void BaseDialog::open() {
    if (m_shell && !m_shell->isDisposed()) m_shell->open();
}

std::string BaseDialog::className() const { return foundation::ExceptionUtil::typeName(typeid(*this)); }

bool BaseDialog::runGuarded(const std::string& what, const std::function<void()>& operation) {
    try {
        operation();
        return true;
    } catch (const std::exception& failure) {
        Logger::error("Cannot " + what, failure);
        foundation::AsynchURL::reportNonRLSourceError("Cannot " + what, tracker::RLPreferences::getUUID(),
                                                      tracker::RLPreferences::BUILD_VERSION, "Version",
                                                      className(), &failure, BaseRLApp::getAppType());
        return false;
    }
}

void BaseDialog::onSelection(tk::Widget& widget, const std::string& what, std::function<void()> operation) {
    widget.addSelectionListener(
        [this, what, operation = std::move(operation)](tk::Event&) { runGuarded(what, operation); });
}

}  // namespace tracker::ui
