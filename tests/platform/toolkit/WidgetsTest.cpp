// Edge cases of single widgets: argument checks, indexes, limits, listener
// bookkeeping, shells' rules.

#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"

#include <gtest/gtest.h>

namespace {

int codeOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const tk::ToolkitException& e) {
        return e.code();
    }
    return 0;
}

class Widgets : public ::testing::Test {
protected:
    Widgets() : display("headless"), driver(display) {
        shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
        shell->setBounds(0, 0, 500, 400);
        shell->open();
    }
    tk::Display display;
    tk::TestDriver driver;
    std::shared_ptr<tk::Shell> shell;
};

TEST_F(Widgets, ParentsMustBeGivenAndAlive) {
    EXPECT_EQ(codeOf([] { tk::make<tk::Button>(static_cast<tk::Composite*>(nullptr), tk::PUSH); }),
              tk::ERROR_NULL_ARGUMENT);
    auto gone = tk::make<tk::Composite>(shell, tk::NONE);
    gone->dispose();
    EXPECT_EQ(codeOf([&] { tk::make<tk::Label>(gone, tk::NONE); }), tk::ERROR_INVALID_ARGUMENT);
    // A dispose listener cannot hang new children on a dying parent.
    auto dying = tk::make<tk::Composite>(shell, tk::NONE);
    int code = 0;
    dying->addDisposeListener([&](tk::Event&) { code = codeOf([&] { tk::make<tk::Label>(dying, tk::NONE); }); });
    dying->dispose();
    EXPECT_EQ(code, tk::ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(codeOf([] { tk::make<tk::Shell>(static_cast<tk::Display*>(nullptr), tk::NONE); }), tk::ERROR_NULL_ARGUMENT);
}

TEST_F(Widgets, ListIndexesAndSelectionFollowRemovals) {
    auto list = tk::make<tk::List>(shell, tk::SINGLE);
    list->setItems({"Aeroflot", "American", "Delta", "Hilton"});
    list->select(2);
    list->remove(0);
    EXPECT_EQ(list->getSelectionIndex(), 1);
    EXPECT_EQ(list->getSelection(), (std::vector<std::string>{"Delta"}));
    list->remove(1);
    EXPECT_EQ(list->getSelectionIndex(), -1);
    list->add("Zeta", 0);
    EXPECT_EQ(list->getItem(0), "Zeta");
    EXPECT_EQ(list->indexOf("Hilton"), 2);
    EXPECT_EQ(list->indexOf("Nobody"), -1);
    list->select(7);  // out of range: ignored
    EXPECT_EQ(list->getSelectionIndex(), -1);
    EXPECT_EQ(codeOf([&] { list->getItem(3); }), tk::ERROR_INVALID_RANGE);
    EXPECT_EQ(codeOf([&] { list->remove(-1); }), tk::ERROR_INVALID_RANGE);
    EXPECT_EQ(codeOf([&] { list->add("x", 9); }), tk::ERROR_INVALID_RANGE);
    EXPECT_FALSE(driver.select(*list, 3));
    int defaults = 0;
    list->addListener(tk::DefaultSelection, [&](tk::Event&) { ++defaults; });
    EXPECT_TRUE(driver.doubleClick(*list, 1));
    EXPECT_EQ(defaults, 1);
    EXPECT_EQ(list->getSelectionIndex(), 1);
}

TEST_F(Widgets, CombosReadOnlyAndEditable) {
    auto states = tk::make<tk::Combo>(shell, tk::READ_ONLY);
    states->setItems({"AK", "AL", "WY"});
    states->setText("ZZ");  // not an item: a read-only combo keeps its choice
    EXPECT_EQ(states->getSelectionIndex(), -1);
    EXPECT_EQ(states->getText(), "");
    states->setText("AL");
    EXPECT_EQ(states->getSelectionIndex(), 1);
    EXPECT_FALSE(driver.type(*states, "TX"));

    auto free = tk::make<tk::Combo>(shell, tk::DROP_DOWN);
    free->setItems({"Small", "Default", "Large"});
    std::vector<std::string> modified;
    free->addListener(tk::Modify, [&](tk::Event&) { modified.push_back(free->getText()); });
    EXPECT_TRUE(driver.type(*free, "Huge"));
    EXPECT_TRUE(driver.select(*free, 2));
    EXPECT_TRUE(driver.select(*free, 2));  // same text: Selection, no Modify
    EXPECT_EQ(modified, (std::vector<std::string>{"Huge", "Large"}));
    free->setTextLimit(3);
    free->setText("Default");
    EXPECT_EQ(free->getText(), "Def");
}

TEST_F(Widgets, TextsPasswordReadOnlyAndSwallowedKeys) {
    auto password = tk::make<tk::Text>(shell, tk::PASSWORD);
    EXPECT_EQ(password->getEchoChar(), '*');
    auto report = tk::make<tk::Text>(shell, tk::MULTI | tk::READ_ONLY);
    EXPECT_FALSE(report->getEditable());
    report->append("line 1\n");
    report->append("line 2");
    EXPECT_EQ(report->getText(), "line 1\nline 2");
    EXPECT_EQ(report->getCaretPosition(), 13);
    EXPECT_EQ(codeOf([&] { report->setTextLimit(0); }), tk::ERROR_INVALID_ARGUMENT);

    auto search = tk::make<tk::Text>(shell, tk::SINGLE);
    search->addListener(tk::KeyDown, [](tk::Event& e) {
        if (e.character == ' ') e.doit = false;
    });
    EXPECT_TRUE(driver.type(*search, "no spaces"));
    EXPECT_EQ(search->getText(), "nospaces");
    search->setSelection(2, 100);
    EXPECT_EQ(search->getSelection(), (tk::Point{2, 8}));
    search->setSelection(5, 1);
    EXPECT_EQ(search->getSelection(), (tk::Point{1, 5}));
}

TEST_F(Widgets, ListenersAddedOrRemovedWhileAnEventRuns) {
    auto button = tk::make<tk::Button>(shell, tk::PUSH);
    std::vector<std::string> calls;
    int second = 0;
    int first = button->addSelectionListener([&](tk::Event&) {
        calls.push_back("first");
        button->removeListener(tk::Selection, second);
        button->addSelectionListener([&](tk::Event&) { calls.push_back("late"); });
    });
    second = button->addSelectionListener([&](tk::Event&) { calls.push_back("second"); });
    driver.click(*button);
    EXPECT_EQ(calls, (std::vector<std::string>{"first"}));  // removed before its turn, the new one not yet
    button->removeListener(tk::Selection, first);
    calls.clear();
    driver.click(*button);
    EXPECT_EQ(calls, (std::vector<std::string>{"late"}));
    EXPECT_TRUE(button->isListening(tk::Selection));
    EXPECT_FALSE(button->isListening(tk::Modify));
    tk::Event event;
    event.detail = 7;
    int detail = 0;
    button->addListener(tk::Modify, [&](tk::Event& e) { detail = e.detail; });
    button->notifyListeners(tk::Modify, event);
    EXPECT_EQ(detail, 7);
    EXPECT_EQ(event.widget, button.get());
    EXPECT_EQ(codeOf([&] { button->addListener(tk::Selection, tk::Listener()); }), tk::ERROR_NULL_ARGUMENT);
}

TEST_F(Widgets, ShellsMenusAndDefaultButtonsBelongToOneShell) {
    auto other = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    auto foreignBar = tk::make<tk::Menu>(other, tk::BAR);
    auto popup = tk::make<tk::Menu>(shell, tk::POP_UP);
    EXPECT_EQ(codeOf([&] { shell->setMenuBar(foreignBar.get()); }), tk::ERROR_INVALID_PARENT);
    EXPECT_EQ(codeOf([&] { shell->setMenuBar(popup.get()); }), tk::ERROR_INVALID_PARENT);
    auto foreignButton = tk::make<tk::Button>(other, tk::PUSH);
    EXPECT_EQ(codeOf([&] { shell->setDefaultButton(foreignButton.get()); }), tk::ERROR_INVALID_PARENT);
    auto push = tk::make<tk::MenuItem>(popup, tk::PUSH);
    EXPECT_EQ(codeOf([&] { tk::make<tk::Menu>(push.get()); }), tk::ERROR_INVALID_ARGUMENT);
    auto ok = tk::make<tk::Button>(shell, tk::PUSH);
    shell->setDefaultButton(ok.get());
    ok->dispose();
    EXPECT_EQ(shell->getDefaultButton(), nullptr);
    // A disposed menu bar leaves the shell without one.
    auto bar = tk::make<tk::Menu>(shell, tk::BAR);
    shell->setMenuBar(bar.get());
    bar->dispose();
    EXPECT_EQ(shell->getMenuBar(), nullptr);
}

TEST_F(Widgets, ShellSizeRulesAndWindowStates) {
    auto dialog = tk::make<tk::Shell>(shell, tk::DIALOG_TRIM | tk::RESIZE);
    dialog->setSize(300, 200);
    dialog->setMinimumSize(608, 372);
    EXPECT_EQ(dialog->getSize(), (tk::Point{608, 372}));  // grown to the minimum
    dialog->open();
    EXPECT_TRUE(driver.resizeByUser(*dialog, 100, 900));
    EXPECT_EQ(dialog->getSize(), (tk::Point{608, 900}));
    auto fixed = tk::make<tk::Shell>(shell, tk::DIALOG_TRIM);
    fixed->open();
    EXPECT_FALSE(driver.resizeByUser(*fixed, 100, 100));

    std::vector<std::string> states;
    shell->addListener(tk::Iconify, [&](tk::Event&) { states.push_back("iconify"); });
    shell->addListener(tk::Deiconify, [&](tk::Event&) { states.push_back("deiconify"); });
    EXPECT_TRUE(driver.minimizeByUser(*shell, true));
    EXPECT_TRUE(shell->getMinimized());
    auto button = tk::make<tk::Button>(shell, tk::PUSH);
    EXPECT_FALSE(driver.click(*button));  // nobody clicks into a minimised window
    shell->setMinimized(false);
    EXPECT_EQ(states, (std::vector<std::string>{"iconify", "deiconify"}));
    EXPECT_TRUE(shell->hasSizeCommands());
    fixed->removeSizeCommands();
    EXPECT_FALSE(fixed->hasSizeCommands());
    EXPECT_EQ(shell->getShells().size(), 2u);
    shell->dispose();
    EXPECT_TRUE(dialog->isDisposed());
    EXPECT_TRUE(fixed->isDisposed());
}

TEST_F(Widgets, TabItemsTakeOnlyTheirFoldersChildren) {
    auto folder = tk::make<tk::TabFolder>(shell, tk::NONE);
    auto stranger = tk::make<tk::Composite>(shell, tk::NONE);
    auto first = tk::make<tk::TabItem>(folder, tk::NONE);
    EXPECT_EQ(codeOf([&] { first->setControl(stranger.get()); }), tk::ERROR_INVALID_PARENT);
    auto front = tk::make<tk::TabItem>(folder, tk::NONE, 0);
    EXPECT_EQ(folder->indexOf(front.get()), 0);
    EXPECT_EQ(folder->getSelection(), first.get());  // inserting in front keeps the chosen tab
    EXPECT_EQ(codeOf([&] { tk::make<tk::TabItem>(folder, tk::NONE, 5); }), tk::ERROR_INVALID_RANGE);
    first->setText(" &Users ");
    int selections = 0;
    folder->addSelectionListener([&](tk::Event&) { ++selections; });
    EXPECT_TRUE(driver.pressMnemonic(*shell, 'U'));  // already the chosen tab: no event
    EXPECT_EQ(selections, 0);
    front->setText("&Accounts");
    EXPECT_TRUE(driver.pressMnemonic(*shell, 'a'));
    EXPECT_EQ(folder->getSelection(), front.get());
    EXPECT_EQ(selections, 1);
    EXPECT_FALSE(driver.pressMnemonic(*shell, 'q'));
}

TEST_F(Widgets, RangesOfScalesSpinnersAndBars) {
    auto scale = tk::make<tk::Scale>(shell, tk::HORIZONTAL);
    scale->setMinimum(20000);
    scale->setMaximum(720000);
    scale->setPageIncrement(10000);
    scale->setIncrement(0);  // ignored
    EXPECT_EQ(scale->getMinimum(), 20000);
    EXPECT_EQ(scale->getIncrement(), 1);
    EXPECT_EQ(scale->getPageIncrement(), 10000);
    std::vector<int> seen;
    scale->addSelectionListener([&](tk::Event&) { seen.push_back(scale->getSelection()); });
    driver.slide(*scale, 999999);
    driver.slide(*scale, 720000);  // no change: no event
    EXPECT_EQ(seen, (std::vector<int>{720000}));
    scale->setEnabled(false);
    EXPECT_FALSE(driver.slide(*scale, 30000));

    auto spinner = tk::make<tk::Spinner>(shell, tk::NONE);
    spinner->setMinimum(0);
    spinner->setMaximum(4);
    spinner->setSelection(9);
    EXPECT_EQ(spinner->getSelection(), 4);
    tk::Point size = spinner->computeSize(tk::DEFAULT, tk::DEFAULT);
    EXPECT_GT(size.x, 0);
    EXPECT_EQ(spinner->computeSize(50, 30), (tk::Point{50, 30}));

    auto bar = tk::make<tk::ProgressBar>(shell, tk::SMOOTH);
    bar->setMaximum(1);
    bar->setSelection(5);
    EXPECT_EQ(bar->getSelection(), 1);
    EXPECT_FALSE(bar->setFocus());
}

TEST_F(Widgets, LabelsSeparatorsAndAlignment) {
    auto separator = tk::make<tk::Label>(shell, tk::SEPARATOR | tk::HORIZONTAL);
    separator->setText("ignored");
    EXPECT_EQ(separator->getText(), "");
    auto centred = tk::make<tk::Label>(shell, tk::WRAP | tk::CENTER);
    EXPECT_EQ(centred->getAlignment(), tk::CENTER);
    centred->setAlignment(tk::RIGHT);
    EXPECT_EQ(centred->getAlignment(), tk::RIGHT);
    EXPECT_FALSE(centred->setFocus());
    centred->setText("Roamledger 2.0 Build 20060430");
    tk::Point wide = centred->computeSize(tk::DEFAULT, tk::DEFAULT);
    tk::Point wrapped = centred->computeSize(60, tk::DEFAULT);
    EXPECT_EQ(wrapped.x, 60);
    EXPECT_GT(wrapped.y, wide.y);  // wrapping into a narrow width takes more lines
    int downs = 0;
    centred->addListener(tk::MouseDown, [&](tk::Event& e) { downs += e.button; });
    EXPECT_TRUE(driver.clickMouse(*centred));
    EXPECT_EQ(downs, 1);
}

}  // namespace
