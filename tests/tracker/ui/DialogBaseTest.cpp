// The dialog base and the spin box as the dialogs use them: controls made at
// fixed pixels, centring on the parent (the portal's bottom alignment
// included), link labels, the colour chooser, and the spin box's bounds,
// font, preferred size, user changes and disposal.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "tests/support/LogCapture.h"
#include "tests/support/OpenedUrls.h"
#include "tracker/ui/BaseDialog.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/Spinner.h"

namespace {

using tracker::ui::BaseDialog;
using tracker::ui::BaseRLApp;
using tracker::ui::Spinner;

// The smallest dialog: a modal shell of the given size on the parent.
class PlainDialog : public BaseDialog {
public:
    PlainDialog(tk::Shell* parent, int width, int height) {
        m_parentShell = parent;
        m_shell = tk::make<tk::Shell>(parent, tk::DIALOG_TRIM | tk::APPLICATION_MODAL);
        m_shell->setSize(width, height);
    }
};

class DialogBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
        parent->setBounds(100, 100, 400, 300);
        parent->open();
    }
    void TearDown() override { BaseRLApp::setAppType(BaseRLApp::APP_TYPE_LANTERNBAY); }

    tk::Display display{"headless"};
    tk::TestDriver driver{display};
    std::shared_ptr<tk::Shell> parent;
};

TEST_F(DialogBaseTest, FactoriesMakeEachControlWhereAndAsAsked) {
    PlainDialog dialog(parent.get(), 300, 200);
    tk::Composite* shell = dialog.getShell();

    auto label = dialog.addLabel(shell, "A && B", 120, 30, 8, 12);
    EXPECT_EQ(label->getBounds(), (tk::Rectangle{8, 12, 120, 30}));
    EXPECT_EQ(label->getText(), "A && B");
    EXPECT_NE(label->getStyle() & tk::WRAP, 0);
    auto unplaced = dialog.addLabel(shell, "", 264, 52);
    EXPECT_EQ(unplaced->getSize(), (tk::Point{264, 52}));

    auto text = dialog.addText(shell, "typed", 200, 20, 8, 50);
    EXPECT_EQ(text->getBounds(), (tk::Rectangle{8, 50, 200, 20}));
    EXPECT_EQ(text->getText(), "typed");
    EXPECT_EQ(text->getStyle() & (tk::SINGLE | tk::BORDER | tk::MULTI), tk::SINGLE | tk::BORDER);
    auto multi = dialog.addTextMultiline(shell, "one\r\ntwo", 200, 60, 8, 80);
    EXPECT_EQ(multi->getBounds(), (tk::Rectangle{8, 80, 200, 60}));
    EXPECT_EQ(multi->getText(), "one\r\ntwo");
    EXPECT_EQ(multi->getStyle() & (tk::MULTI | tk::BORDER | tk::V_SCROLL | tk::H_SCROLL | tk::WRAP),
              tk::MULTI | tk::BORDER);

    auto list = dialog.addList(shell, 150, 90, 210, 8);
    EXPECT_EQ(list->getBounds(), (tk::Rectangle{210, 8, 150, 90}));
    EXPECT_EQ(list->getStyle() & (tk::SINGLE | tk::BORDER | tk::V_SCROLL), tk::SINGLE | tk::BORDER | tk::V_SCROLL);

    auto button = dialog.addButton(shell, "&OK", 72, 24, 104, 132);
    EXPECT_EQ(button->getBounds(), (tk::Rectangle{104, 132, 72, 24}));
    EXPECT_EQ(button->getText(), "&OK");
    EXPECT_NE(button->getStyle() & tk::PUSH, 0);

    auto box = dialog.addCheckBox(shell);
    EXPECT_NE(box->getStyle() & tk::CHECK, 0);
    EXPECT_EQ(box->getText(), "");
    EXPECT_EQ(box->getSize(), box->computeSize(tk::DEFAULT, tk::DEFAULT));

    auto scale = dialog.addScale(shell, 5000, 180000, 5000);
    EXPECT_EQ(scale->getSize(), (tk::Point{280, 32}));
    EXPECT_NE(scale->getStyle() & tk::HORIZONTAL, 0);
    EXPECT_EQ(scale->getMinimum(), 5000);
    EXPECT_EQ(scale->getMaximum(), 180000);
    EXPECT_EQ(scale->getPageIncrement(), 5000);
    EXPECT_EQ(scale->getIncrement(), 1);  // the arrow-key step stays the toolkit's

    auto spinner = dialog.addSpinner(shell, 0, 5);
    EXPECT_EQ(spinner->getStyle(), tk::NONE);
    EXPECT_EQ(spinner->getMinimum(), 0);
    EXPECT_EQ(spinner->getMaximum(), 5);
    EXPECT_EQ(spinner->getSize(), spinner->computeSize(tk::DEFAULT, tk::DEFAULT));
}

TEST_F(DialogBaseTest, CentringHalvesTowardZeroAndThePortalAlignsTallDialogsAtTheBottom) {
    struct Case {
        int type;
        int width, height;
        tk::Point expected;
    };
    // Parent at (100, 100), 400 x 300.
    const Case cases[] = {
        {BaseRLApp::APP_TYPE_FARHAVEN, 200, 100, {200, 200}},
        {BaseRLApp::APP_TYPE_FARHAVEN, 405, 305, {98, 98}},     // -5 / 2 is -2
        {BaseRLApp::APP_TYPE_FARHAVEN, 300, 500, {150, 0}},     // extends 100 above and below
        {BaseRLApp::APP_TYPE_BRTW, 300, 500, {150, 0}},
        {BaseRLApp::APP_TYPE_ROAMBAY, 300, 301, {150, 100}},    // -1 / 2 is 0
        {BaseRLApp::APP_TYPE_LANTERNBAY, 200, 100, {200, 200}},  // shorter: centred
        {BaseRLApp::APP_TYPE_LANTERNBAY, 300, 500, {150, -100}},  // bottoms line up
        {BaseRLApp::APP_TYPE_LANTERNBAY, 405, 301, {98, 99}},
        {BaseRLApp::APP_TYPE_LANTERNBAY, 300, 300, {150, 100}},
    };
    for (const Case& c : cases) {
        BaseRLApp::setAppType(c.type);
        PlainDialog dialog(parent.get(), c.width, c.height);
        dialog.centerDialog();
        EXPECT_EQ(dialog.getShell()->getLocation(), c.expected)
            << "type " << c.type << ", " << c.width << " x " << c.height;
        if (c.type == BaseRLApp::APP_TYPE_LANTERNBAY && c.height > 300) {
            const tk::Rectangle bounds = dialog.getShell()->getBounds();
            EXPECT_EQ(bounds.y + bounds.height, 400);
        }
    }
}

TEST_F(DialogBaseTest, LinkLabelsOpenTheirAddressOutsideExceptBlankPages) {
    rltest::OpenedUrls opened;
    rltest::LogCapture log;
    PlainDialog dialog(parent.get(), 300, 200);
    dialog.open();
    auto site = dialog.addLabelWithURL(dialog.getShell(), "www.roamledger.example", "https://www.roamledger.example/",
                                       264, 20, 8, 56);
    auto blank = dialog.addLabelWithURL(dialog.getShell(), "nothing", "about:blank#top", 264, 20, 8, 80);
    EXPECT_EQ(site->getBounds(), (tk::Rectangle{8, 56, 264, 20}));
    EXPECT_EQ(site->getForeground(), display.getSystemColor(tk::COLOR_BLUE));

    ASSERT_TRUE(driver.clickMouse(*blank));
    EXPECT_TRUE(log.contains("Not navigating externally to blank page"));
    ASSERT_TRUE(driver.clickMouse(*site));
    EXPECT_EQ(opened.waitFor(1), (std::vector<std::string>{"https://www.roamledger.example/"}));
    EXPECT_TRUE(log.contains("navigateExternally: https://www.roamledger.example/"));
    // One click opens the address once, not once per listener.
    EXPECT_EQ(log.count("navigateExternally: "), 1u);
}

TEST_F(DialogBaseTest, TheColourChooserIsModalToTheDialogAndMayBeCancelled) {
    PlainDialog dialog(parent.get(), 300, 200);
    dialog.getShell()->setText("Options");
    dialog.open();
    driver.answer(tk::DialogAnswer::color(std::nullopt));
    EXPECT_EQ(dialog.showColorDialog("'Header' Row Color", tk::RGB{0, 0, 0x99}), std::nullopt);
    driver.answer(tk::DialogAnswer::color(tk::RGB{5, 0, 255}));
    EXPECT_EQ(dialog.showColorDialog("'Light' Row Color", tk::RGB{255, 255, 255}), (tk::RGB{5, 0, 255}));

    const auto& shown = driver.shownDialogs();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].kind, tk::DialogKind::ColorDialog);
    EXPECT_EQ(shown[0].parentTitle, "Options");
    EXPECT_EQ(shown[0].title, "'Header' Row Color");
    EXPECT_EQ(shown[0].rgb, (tk::RGB{0, 0, 0x99}));
    EXPECT_EQ(shown[0].answer, "CANCEL");
    EXPECT_EQ(shown[1].rgb, (tk::RGB{255, 255, 255}));
}

TEST_F(DialogBaseTest, ADialogDroppedWhileShownTakesItsShellAlong) {
    auto dialog = std::make_unique<PlainDialog>(parent.get(), 300, 200);
    dialog->open();
    tk::Shell* shell = dialog->getShell();
    std::weak_ptr<tk::Widget> watch = shell->shared_from_this();
    dialog.reset();
    EXPECT_TRUE(watch.expired() || watch.lock()->isDisposed());
    EXPECT_TRUE(parent->getShells().empty());
}

// ---- The spin box -----------------------------------------------------------------

class SpinnerTest : public DialogBaseTest {
protected:
    std::shared_ptr<Spinner> make(int style = tk::NONE) { return tk::make<Spinner>(parent, style); }
};

TEST_F(SpinnerTest, ValuesStayInsideTheBoundsSetInEitherOrder) {
    auto spinner = make();
    spinner->setMaximum(4);
    spinner->setMinimum(0);
    spinner->setSelection(7);
    EXPECT_EQ(spinner->getSelection(), 4);
    spinner->setSelection(-2);
    EXPECT_EQ(spinner->getSelection(), 0);
    spinner->setSelection(3);
    spinner->setMaximum(2);
    EXPECT_EQ(spinner->getSelection(), 2);
    // A minimum above the maximum takes the maximum along.
    spinner->setMinimum(10);
    EXPECT_EQ(spinner->getMaximum(), 10);
    EXPECT_EQ(spinner->getSelection(), 10);
    EXPECT_EQ(spinner->getSpinControl().getSelection(), 10);
}

TEST_F(SpinnerTest, OnlyAUserChangeReachesTheSelectionListeners) {
    auto spinner = make();
    spinner->setMinimum(0);
    spinner->setMaximum(5);
    std::vector<int> seen;
    spinner->addSelectionListener([&](tk::Event& event) {
        EXPECT_EQ(event.widget, spinner.get());
        seen.push_back(spinner->getSelection());
    });
    spinner->setSelection(2);
    EXPECT_TRUE(seen.empty());
    ASSERT_TRUE(driver.spin(spinner->getSpinControl(), 4));
    ASSERT_TRUE(driver.spin(spinner->getSpinControl(), 99));
    EXPECT_EQ(seen, (std::vector<int>{4, 5}));
    try {
        spinner->addSelectionListener(nullptr);
        FAIL() << "a missing listener was taken";
    } catch (const tk::ToolkitException& failure) {
        EXPECT_EQ(failure.code(), tk::ERROR_NULL_ARGUMENT);
    }
}

TEST_F(SpinnerTest, PreferredSizeAddsTheBorderToTheFieldOrToTheHints) {
    for (int style : {tk::NONE, tk::BORDER}) {
        auto spinner = make(style);
        spinner->setMaximum(10000);
        const int border = 2 * spinner->getBorderWidth();
        const tk::Point field = spinner->getSpinControl().computeSize(tk::DEFAULT, tk::DEFAULT);
        EXPECT_EQ(spinner->computeSize(tk::DEFAULT, tk::DEFAULT), (tk::Point{field.x + border, field.y + border}));
        EXPECT_EQ(spinner->computeSize(50, 30), (tk::Point{50 + border, 30 + border}));
        EXPECT_EQ(spinner->computeSize(50, tk::DEFAULT), (tk::Point{50 + border, field.y + border}));
        if (style == tk::BORDER) {
            EXPECT_GT(border, 0);
        }
    }
}

TEST_F(SpinnerTest, TheFieldFillsTheBoxAndFollowsItsFont) {
    auto spinner = make(tk::BORDER);
    // No font of its own: the field has the box's current one.
    EXPECT_EQ(spinner->getSpinControl().getFont(), spinner->getFont());
    spinner->setBounds(12, 40, 60, 24);
    EXPECT_EQ(spinner->getSpinControl().getBounds(), spinner->getClientArea());
    spinner->setSize(80, 30);
    EXPECT_EQ(spinner->getSpinControl().getBounds(), spinner->getClientArea());

    const tk::Font bold("Sans", 9, tk::BOLD);
    spinner->setFont(bold);
    EXPECT_EQ(spinner->getFont(), bold);
    EXPECT_EQ(spinner->getSpinControl().getFont(), bold);
    spinner->setFont(std::nullopt);
    EXPECT_EQ(spinner->getSpinControl().getFont(), display.getSystemFont());
}

TEST_F(SpinnerTest, ADisposedBoxRefusesEveryOperation) {
    auto spinner = make();
    tk::Spinner* field = &spinner->getSpinControl();
    int calls = 0;
    spinner->addSelectionListener([&](tk::Event&) { ++calls; });
    spinner->dispose();
    EXPECT_TRUE(field->isDisposed());
    EXPECT_FALSE(driver.spin(*field, 3));
    EXPECT_EQ(calls, 0);
    auto expectDisposed = [](const std::function<void()>& operation) {
        try {
            operation();
            ADD_FAILURE() << "a disposed spin box answered";
        } catch (const tk::ToolkitException& failure) {
            EXPECT_EQ(failure.code(), tk::ERROR_WIDGET_DISPOSED);
        }
    };
    expectDisposed([&] { spinner->getSelection(); });
    expectDisposed([&] { spinner->setSelection(1); });
    expectDisposed([&] { spinner->setMinimum(1); });
    expectDisposed([&] { spinner->getMaximum(); });
    expectDisposed([&] { spinner->setFont(std::nullopt); });
    expectDisposed([&] { spinner->computeSize(tk::DEFAULT, tk::DEFAULT); });
    expectDisposed([&] { spinner->addSelectionListener([](tk::Event&) {}); });
}

}  // namespace
