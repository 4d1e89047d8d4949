#pragma once
// Widget scripts: each builds a shell with widgets on the given display,
// drives it through tk::TestDriver the way a user would and checks what the
// program would see. They use the tk facade only, so every backend runs the
// same scripts (the headless backend in WidgetScriptsTest.cpp).

#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace rltest::widgetscripts {

// Runs the event loop until the condition holds or the (scaled) time is up.
inline bool pumpUntil(tk::Display& display, const std::function<bool()>& condition, int timeoutMs = rltest::WAIT_MS) {
    return rltest::waitFor(condition, timeoutMs, rltest::pumping(display));
}

// Records "<name>:<event>" for the listened types of a widget.
class Journal {
public:
    void watch(tk::Widget& widget, const std::string& name, std::vector<int> types) {
        for (int type : types) {
            widget.addListener(type, [this, name, type](tk::Event&) { m_lines.push_back(name + ":" + typeName(type)); });
        }
    }
    const std::vector<std::string>& lines() const { return m_lines; }
    void clear() { m_lines.clear(); }
    static std::string typeName(int type) {
        switch (type) {
            case tk::Selection: return "Selection";
            case tk::DefaultSelection: return "DefaultSelection";
            case tk::Modify: return "Modify";
            case tk::FocusIn: return "FocusIn";
            case tk::FocusOut: return "FocusOut";
            case tk::MouseDown: return "MouseDown";
            case tk::MouseUp: return "MouseUp";
            case tk::Move: return "Move";
            case tk::Resize: return "Resize";
            case tk::Show: return "Show";
            case tk::Hide: return "Hide";
            case tk::Close: return "Close";
            case tk::Dispose: return "Dispose";
            case tk::Activate: return "Activate";
            case tk::Deactivate: return "Deactivate";
            case tk::KeyDown: return "KeyDown";
            case tk::KeyUp: return "KeyUp";
            default: return std::to_string(type);
        }
    }

private:
    std::vector<std::string> m_lines;
};

inline std::shared_ptr<tk::Shell> openShell(tk::Display& display, int style = tk::SHELL_TRIM) {
    auto shell = tk::make<tk::Shell>(&display, style);
    shell->setBounds(100, 100, 400, 300);
    shell->open();
    return shell;
}

// A click moves the focus to the button, then presses and releases the
// mouse, then selects: in that order, each once.
inline void clickEventOrder(tk::Display& display) {
    tk::TestDriver driver(display);
    auto shell = openShell(display);
    auto text = tk::make<tk::Text>(shell, tk::BORDER);
    auto button = tk::make<tk::Button>(shell, tk::PUSH);
    text->setBounds(10, 10, 100, 20);
    button->setBounds(10, 40, 80, 24);
    button->setText("&Go");
    ASSERT_TRUE(text->setFocus());
    Journal journal;
    journal.watch(*text, "text", {tk::FocusOut, tk::FocusIn});
    journal.watch(*button, "button", {tk::FocusIn, tk::MouseDown, tk::MouseUp, tk::Selection});
    ASSERT_TRUE(driver.click(*button));
    EXPECT_EQ(journal.lines(), (std::vector<std::string>{"text:FocusOut", "button:FocusIn", "button:MouseDown",
                                                         "button:MouseUp", "button:Selection"}));
    EXPECT_TRUE(button->isFocusControl());
    journal.clear();
    // Alt+G is the same click.
    ASSERT_TRUE(driver.pressMnemonic(*shell, 'g'));
    EXPECT_EQ(journal.lines().back(), "button:Selection");
    shell->dispose();
}

// Setters never raise Modify or Selection; the same change made by the user
// raises exactly one event.
inline void programmaticChangesAreSilent(tk::Display& display) {
    tk::TestDriver driver(display);
    auto shell = openShell(display);
    auto text = tk::make<tk::Text>(shell, tk::BORDER);
    auto check = tk::make<tk::Button>(shell, tk::CHECK);
    auto list = tk::make<tk::List>(shell, tk::SINGLE | tk::BORDER);
    auto combo = tk::make<tk::Combo>(shell, tk::READ_ONLY);
    auto scale = tk::make<tk::Scale>(shell, tk::HORIZONTAL);
    auto spinner = tk::make<tk::Spinner>(shell, tk::NONE);
    auto folder = tk::make<tk::TabFolder>(shell, tk::NONE);
    auto tab1 = tk::make<tk::TabItem>(folder, tk::NONE);
    auto tab2 = tk::make<tk::TabItem>(folder, tk::NONE);
    int y = 0;
    for (tk::Control* c : std::vector<tk::Control*>{text.get(), check.get(), list.get(), combo.get(), scale.get(),
                                                    spinner.get(), folder.get()}) {
        c->setBounds(0, y, 200, 30);
        y += 32;
    }
    list->setItems({"a", "b", "c"});
    combo->setItems({"x", "y"});
    Journal journal;
    journal.watch(*text, "text", {tk::Modify});
    for (auto [widget, name] : std::vector<std::pair<tk::Widget*, std::string>>{
             {check.get(), "check"}, {list.get(), "list"}, {combo.get(), "combo"}, {scale.get(), "scale"},
             {spinner.get(), "spinner"}, {folder.get(), "folder"}}) {
        journal.watch(*widget, name, {tk::Selection, tk::Modify});
    }

    text->setText("typed by the program");
    check->setSelection(true);
    list->select(1);
    list->setSelection(2);
    combo->select(1);
    combo->setText("x");
    scale->setSelection(40);
    spinner->setSelection(3);
    folder->setSelection(1);
    EXPECT_TRUE(journal.lines().empty()) << journal.lines().front();
    EXPECT_EQ(text->getText(), "typed by the program");
    EXPECT_EQ(list->getSelectionIndex(), 2);
    EXPECT_EQ(combo->getSelectionIndex(), 0);
    EXPECT_EQ(folder->getSelection(), tab2.get());

    ASSERT_TRUE(driver.replaceText(*text, "u"));
    ASSERT_TRUE(driver.click(*check));
    ASSERT_TRUE(driver.select(*list, 0));
    ASSERT_TRUE(driver.select(*combo, 1));
    ASSERT_TRUE(driver.slide(*scale, 41));
    ASSERT_TRUE(driver.spin(*spinner, 4));
    ASSERT_TRUE(driver.select(*folder, 0));
    EXPECT_EQ(journal.lines(),
              (std::vector<std::string>{"text:Modify", "check:Selection", "list:Selection", "combo:Modify",
                                        "combo:Selection", "scale:Selection", "spinner:Selection",
                                        "folder:Selection"}));
    EXPECT_FALSE(check->getSelection());  // set on by the program, clicked off by the user
    shell->dispose();
}

// A check box reports its new state inside Selection; radio buttons tell
// the one that lost the choice first.
inline void checkAndRadioState(tk::Display& display) {
    tk::TestDriver driver(display);
    auto shell = openShell(display);
    auto check = tk::make<tk::Button>(shell, tk::CHECK);
    auto r1 = tk::make<tk::Button>(shell, tk::RADIO);
    auto r2 = tk::make<tk::Button>(shell, tk::RADIO);
    check->setBounds(0, 0, 100, 20);
    r1->setBounds(0, 20, 100, 20);
    r2->setBounds(0, 40, 100, 20);
    std::vector<bool> seen;
    check->addSelectionListener([&](tk::Event&) { seen.push_back(check->getSelection()); });
    driver.click(*check);
    driver.click(*check);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));

    std::vector<std::string> radios;
    r1->addSelectionListener([&](tk::Event&) { radios.push_back(std::string("r1=") + (r1->getSelection() ? "on" : "off")); });
    r2->addSelectionListener([&](tk::Event&) { radios.push_back(std::string("r2=") + (r2->getSelection() ? "on" : "off")); });
    driver.click(*r1);
    driver.click(*r2);
    driver.click(*r2);  // already chosen: nothing
    EXPECT_EQ(radios, (std::vector<std::string>{"r1=on", "r1=off", "r2=on"}));
    shell->dispose();
}

// Typing stops at the text limit; the program's text is cut to it too;
// typing goes in at the caret and replaces the selection.
inline void textLimitAndCaret(tk::Display& display) {
    tk::TestDriver driver(display);
    auto shell = openShell(display);
    auto text = tk::make<tk::Text>(shell, tk::BORDER | tk::SINGLE);
    text->setBounds(0, 0, 200, 20);
    text->setTextLimit(5);
    int modifies = 0;
    text->addListener(tk::Modify, [&](tk::Event&) { ++modifies; });
    EXPECT_FALSE(driver.type(*text, "abcdefg"));
    EXPECT_EQ(text->getText(), "abcde");
    EXPECT_EQ(modifies, 5);
    text->setText("123456789");
    EXPECT_EQ(text->getText(), "12345");
    text->setSelection(1, 3);
    EXPECT_TRUE(driver.type(*text, "\xC3\xA9"));  // one character, two bytes
    EXPECT_EQ(text->getText(), "1\xC3\xA9" "45");
    EXPECT_EQ(text->getCaretPosition(), 2);
    EXPECT_EQ(text->getCharCount(), 4);
    // A read-only field takes no typing.
    text->setEditable(false);
    EXPECT_FALSE(driver.type(*text, "x"));
    shell->dispose();
}

// Enter in a single-line field raises DefaultSelection and presses the
// shell's default button.
inline void enterPressesDefaultButton(tk::Display& display) {
    tk::TestDriver driver(display);
    auto shell = openShell(display, tk::DIALOG_TRIM);
    auto text = tk::make<tk::Text>(shell, tk::BORDER);
    auto ok = tk::make<tk::Button>(shell, tk::PUSH);
    text->setBounds(0, 0, 100, 20);
    ok->setBounds(0, 30, 80, 24);
    shell->setDefaultButton(ok.get());
    Journal journal;
    journal.watch(*text, "text", {tk::DefaultSelection});
    journal.watch(*ok, "ok", {tk::Selection});
    ASSERT_TRUE(driver.pressEnter(*text));
    EXPECT_EQ(journal.lines(), (std::vector<std::string>{"text:DefaultSelection", "ok:Selection"}));
    shell->dispose();
}

// A user cannot reach hidden, disabled or disposed widgets; the toolkit
// refuses calls on disposed ones.
inline void unreachableWidgets(tk::Display& display) {
    tk::TestDriver driver(display);
    auto shell = openShell(display);
    auto button = tk::make<tk::Button>(shell, tk::PUSH);
    button->setBounds(0, 0, 50, 20);
    int clicks = 0;
    button->addSelectionListener([&](tk::Event&) { ++clicks; });
    button->setEnabled(false);
    EXPECT_FALSE(driver.click(*button));
    button->setEnabled(true);
    shell->setEnabled(false);
    EXPECT_FALSE(driver.click(*button));  // an ancestor disabled
    shell->setEnabled(true);
    button->setVisible(false);
    EXPECT_FALSE(driver.click(*button));
    button->setVisible(true);
    EXPECT_TRUE(driver.click(*button));
    button->dispose();
    EXPECT_FALSE(driver.click(*button));
    EXPECT_EQ(clicks, 1);
    try {
        button->setText("x");
        ADD_FAILURE() << "a disposed widget took a call";
    } catch (const tk::ToolkitException& e) {
        EXPECT_EQ(e.code(), tk::ERROR_WIDGET_DISPOSED);
        EXPECT_STREQ(e.what(), "Widget is disposed");
    }
    shell->dispose();
}

// Dispose reaches the parent before its children; inside the listeners the
// whole tree still answers, and afterwards everything is disposed.
inline void disposeOrder(tk::Display& display) {
    auto shell = openShell(display);
    auto panel = tk::make<tk::Composite>(shell, tk::NONE);
    auto label = tk::make<tk::Label>(panel, tk::NONE);
    auto menu = tk::make<tk::Menu>(shell, tk::POP_UP);
    auto item = tk::make<tk::MenuItem>(menu, tk::PUSH);
    auto dialog = tk::make<tk::Shell>(shell, tk::DIALOG_TRIM);
    label->setText("kept");
    std::vector<std::string> order;
    tk::Point seenLocation;
    std::string seenText;
    shell->addDisposeListener([&](tk::Event&) {
        order.push_back("shell");
        seenLocation = shell->getLocation();  // a window saves its place here
        seenText = label->getText();
    });
    panel->addDisposeListener([&](tk::Event&) { order.push_back("panel"); });
    label->addDisposeListener([&](tk::Event&) { order.push_back("label"); });
    item->addDisposeListener([&](tk::Event&) { order.push_back("item"); });
    dialog->addDisposeListener([&](tk::Event&) { order.push_back("dialog"); });
    shell->dispose();
    ASSERT_FALSE(order.empty());
    EXPECT_EQ(order.front(), "shell");
    auto position = [&](const std::string& name) { return std::find(order.begin(), order.end(), name) - order.begin(); };
    EXPECT_LT(position("panel"), position("label"));
    EXPECT_EQ(order.size(), 5u);
    EXPECT_EQ(seenLocation, (tk::Point{100, 100}));
    EXPECT_EQ(seenText, "kept");
    EXPECT_TRUE(panel->isDisposed());
    EXPECT_TRUE(label->isDisposed());
    EXPECT_TRUE(item->isDisposed());
    EXPECT_TRUE(dialog->isDisposed());
    EXPECT_NO_THROW(shell->dispose());  // twice is harmless
}

// Only the user-interface thread touches widgets.
inline void otherThreadIsRefused(tk::Display& display) {
    auto shell = openShell(display);
    auto label = tk::make<tk::Label>(shell, tk::NONE);
    int code = 0;
    std::thread worker([&] {
        try {
            label->setText("from a worker");
        } catch (const tk::ToolkitException& e) {
            code = e.code();
        }
    });
    worker.join();
    EXPECT_EQ(code, tk::ERROR_THREAD_INVALID_ACCESS);
    EXPECT_EQ(label->getText(), "");
    shell->dispose();
}

// asyncExec from many workers: every task runs once, on the user-interface
// thread, each worker's tasks in the order posted.
inline void asyncExecFromWorkers(tk::Display& display) {
    constexpr int WORKERS = 6;
    constexpr int TASKS = 200;
    std::vector<std::vector<int>> seen(WORKERS);
    std::atomic<int> wrongThread{0};
    int done = 0;
    std::thread::id ui = std::this_thread::get_id();
    std::vector<std::thread> workers;
    for (int w = 0; w < WORKERS; ++w) {
        workers.emplace_back([&, w] {
            for (int t = 0; t < TASKS; ++t) {
                display.asyncExec([&, w, t] {
                    if (std::this_thread::get_id() != ui) ++wrongThread;
                    seen[w].push_back(t);
                    ++done;
                });
            }
        });
    }
    for (auto& worker : workers) worker.join();
    ASSERT_TRUE(pumpUntil(display, [&] { return done == WORKERS * TASKS; }));
    EXPECT_EQ(wrongThread.load(), 0);
    for (int w = 0; w < WORKERS; ++w) {
        ASSERT_EQ(seen[w].size(), static_cast<size_t>(TASKS));
        for (int t = 0; t < TASKS; ++t) EXPECT_EQ(seen[w][t], t);
    }
}

// sleep() returns when a worker posts, so a loop that waits for a worker's
// result ends without polling.
inline void sleepWakesForAsyncExec(tk::Display& display) {
    bool arrived = false;
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        display.asyncExec([&] { arrived = true; });
    });
    auto started = std::chrono::steady_clock::now();
    while (!arrived) {
        if (!display.readAndDispatch()) display.sleep();
        ASSERT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    }
    worker.join();
}

// Timers on a driven clock: each fires at its own time, re-arming moves it,
// a negative delay cancels it, a timer may re-arm itself.
inline void timersOnDrivenClock(tk::Display& display) {
    tk::TestDriver driver(display);
    driver.useManualClock();
    int64_t start = driver.now();
    std::vector<std::string> fired;
    auto a = tk::runnable([&] { fired.push_back("a@" + std::to_string(driver.now() - start)); });
    auto b = tk::runnable([&] { fired.push_back("b@" + std::to_string(driver.now() - start)); });
    auto c = tk::runnable([&] { fired.push_back("c"); });
    display.timerExec(1000, a);
    display.timerExec(500, b);
    display.timerExec(700, c);
    display.timerExec(-1, c);  // cancelled
    driver.advanceClock(499);
    EXPECT_TRUE(fired.empty());
    driver.advanceClock(1);
    EXPECT_EQ(fired, (std::vector<std::string>{"b@500"}));
    display.timerExec(800, a);  // re-armed: now due at 1300
    driver.advanceClock(600);
    EXPECT_EQ(fired.size(), 1u);
    driver.advanceClock(200);
    EXPECT_EQ(fired, (std::vector<std::string>{"b@500", "a@1300"}));

    // A refresh timer that reads its interval at every firing.
    int interval = 1800;
    std::vector<int64_t> refreshes;
    std::shared_ptr<tk::Runnable> refresh;
    refresh = tk::runnable([&] {
        refreshes.push_back(driver.now() - start);
        display.timerExec(interval, refresh);
    });
    int64_t armed = driver.now() - start;
    display.timerExec(interval, refresh);
    driver.advanceClock(1000);
    interval = 900;  // takes effect after the current wait
    driver.advanceClock(800 + 900 + 900);
    EXPECT_EQ(refreshes, (std::vector<int64_t>{armed + 1800, armed + 2700, armed + 3600}));
    display.timerExec(-1, refresh);
    driver.advanceClock(5000);
    EXPECT_EQ(refreshes.size(), 3u);
    // Real time does not move a driven clock: no timer fires however the
    // event loop is pumped (a window system may still have work of its own).
    display.timerExec(1, c);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (int i = 0; i < 5; ++i) display.readAndDispatch();
    EXPECT_EQ(fired, (std::vector<std::string>{"b@500", "a@1300"}));
    display.timerExec(-1, c);
}

// A message box answered from the script: the answer comes back, what was
// shown is recorded, an answer the box cannot give is reported.
inline void messageBoxFromScript(tk::Display& display) {
    tk::TestDriver driver(display);
    driver.scriptDialogs(true);
    driver.clearShownDialogs();
    auto shell = openShell(display);
    shell->setText("Roamledger");
    driver.answer(tk::DialogAnswer::press(tk::YES));
    tk::MessageBox question(shell.get(), tk::ICON_QUESTION | tk::YES | tk::NO);
    question.setText("Previous User Check");
    question.setMessage("Have you previously set up users?");
    EXPECT_EQ(question.open(), tk::YES);
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    const tk::ShownDialog& shown = driver.shownDialogs()[0];
    EXPECT_EQ(shown.kind, tk::DialogKind::MessageBox);
    EXPECT_EQ(shown.title, "Previous User Check");
    EXPECT_EQ(shown.message, "Have you previously set up users?");
    EXPECT_EQ(shown.style, tk::ICON_QUESTION | tk::YES | tk::NO);
    EXPECT_EQ(shown.parentTitle, "Roamledger");
    EXPECT_EQ(shown.answer, "YES");

    // CANCEL is not on an OK box: reported, and the box gives its own answer.
    driver.answer(tk::DialogAnswer::press(tk::CANCEL));
    tk::MessageBox error(shell.get(), tk::ICON_ERROR | tk::OK);
    EXPECT_EQ(error.open(), tk::OK);
    EXPECT_EQ(driver.scriptErrors().size(), 1u);
    // No answer left: a closed Yes/No box answers No.
    tk::MessageBox unanswered(shell.get(), tk::YES | tk::NO);
    EXPECT_EQ(unanswered.open(), tk::NO);

    // While the box is open the event loop runs and the windows behind it
    // take no input.
    auto button = tk::make<tk::Button>(shell, tk::PUSH);
    button->setBounds(0, 0, 50, 20);
    bool ranInside = false;
    bool clickRefused = false;
    driver.answer(tk::DialogAnswer::press(tk::OK, [&] {
        display.asyncExec([&] { ranInside = true; });
        driver.runPending();
        clickRefused = !driver.click(*button);
    }));
    tk::MessageBox info(shell.get(), tk::ICON_INFORMATION);
    EXPECT_EQ(info.open(), tk::OK);
    EXPECT_TRUE(ranInside);
    EXPECT_TRUE(clickRefused);
    EXPECT_TRUE(driver.click(*button));
    EXPECT_EQ(driver.pendingAnswers(), 0u);
    EXPECT_THROW(tk::MessageBox(nullptr, tk::OK), tk::ToolkitException);
    shell->dispose();
}

// File, folder and colour choosers from the script, cancel included.
inline void choosersFromScript(tk::Display& display) {
    tk::TestDriver driver(display);
    driver.scriptDialogs(true);
    driver.clearShownDialogs();
    auto shell = openShell(display);
    driver.answer(tk::DialogAnswer::file(std::string("/backups/Roamledger-Backup-04-30-06.settings")));
    tk::FileDialog save(shell.get(), tk::SAVE);
    save.setText("Backup");
    save.setFilterPath("/install");
    save.setFileName("Roamledger-Backup.settings");
    save.setFilterExtensions({"*.settings"});
    auto chosen = save.open();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(save.getFileName(), "Roamledger-Backup-04-30-06.settings");
    EXPECT_EQ(save.getFilterPath(), "/backups");
    EXPECT_EQ(driver.shownDialogs().back().filterExtensions, (std::vector<std::string>{"*.settings"}));
    EXPECT_EQ(driver.shownDialogs().back().style, tk::SAVE);

    driver.answer(tk::DialogAnswer::folder(std::nullopt));
    tk::DirectoryDialog folder(shell.get());
    folder.setMessage("Select Previous Directory");
    EXPECT_FALSE(folder.open().has_value());
    EXPECT_EQ(driver.shownDialogs().back().answer, "CANCEL");

    driver.answer(tk::DialogAnswer::color(tk::RGB{5, 0, 255}));
    tk::ColorDialog color(shell.get());
    color.setRGB({0, 0, 153});
    EXPECT_EQ(color.open(), (tk::RGB{5, 0, 255}));
    EXPECT_EQ(driver.shownDialogs().back().rgb, (tk::RGB{0, 0, 153}));
    // An answer of the wrong kind cancels the dialog it meets and is reported.
    driver.answer(tk::DialogAnswer::press(tk::OK));
    tk::ColorDialog again(shell.get());
    EXPECT_FALSE(again.open().has_value());
    EXPECT_FALSE(driver.scriptErrors().empty());
    shell->dispose();
}

// The location hook sees programmatic loads and link clicks, top frame and
// frames, and can cancel each; cancelled loads change nothing.
inline void cancelledNavigation(tk::Display& display) {
    tk::TestDriver driver(display);
    rltest::TempWorkDir dir;
    rltest::writeFile(dir.file("results.html"), "<html>results</html>");
    std::string results = "file://" + dir.file("results.html");
    auto shell = openShell(display);
    auto browser = tk::make<tk::Browser>(shell, tk::NONE);
    browser->setBounds(0, 0, 300, 200);
    std::vector<std::string> changing;
    std::vector<std::string> changed;
    int completed = 0;
    browser->addLocationChangingListener([&](tk::Event& e) {
        changing.push_back((e.top ? "top " : "frame ") + e.location);
        if (e.location.rfind("http://rl/", 0) == 0) e.doit = false;
    });
    browser->addLocationChangedListener([&](tk::Event& e) { changed.push_back((e.top ? "top " : "frame ") + e.location); });
    browser->addCompletedListener([&](tk::Event&) { ++completed; });

    EXPECT_FALSE(browser->setUrl("http://rl/AmericanSource?u=0&"));
    ASSERT_EQ(changing.size(), 1u);  // the hook ran before setUrl returned
    EXPECT_TRUE(browser->setUrl(results));
    ASSERT_TRUE(pumpUntil(display, [&] { return completed == 1; }));
    EXPECT_EQ(browser->getUrl(), results);
    EXPECT_EQ(changed, (std::vector<std::string>{"top " + results}));

    EXPECT_FALSE(driver.followLink(*browser, "http://rl/TotalChart?u=0&"));
    EXPECT_TRUE(driver.followLink(*browser, "about:blank", false));
    // A fixed turn of the loop: nothing may move the page.
    pumpUntil(display, [] { return false; }, 50);
    EXPECT_EQ(browser->getUrl(), results);  // neither the cancel nor the frame moved it
    EXPECT_EQ(changing, (std::vector<std::string>{"top http://rl/AmericanSource?u=0&", "top " + results,
                                                  "top http://rl/TotalChart?u=0&", "frame about:blank"}));
    EXPECT_EQ(changed.back(), "frame about:blank");
    EXPECT_EQ(completed, 1);
    shell->dispose();
}

// A page's request for a new window: refused when no listener gives a
// browser, else the given browser is shown and then navigates.
inline void popupWindows(tk::Display& display) {
    tk::TestDriver driver(display);
    auto shell = openShell(display);
    auto browser = tk::make<tk::Browser>(shell, tk::NONE);
    EXPECT_EQ(driver.openPopup(*browser, "http://example.com/ad"), nullptr);

    auto hidden = tk::make<tk::Shell>(shell, tk::NONE);
    std::shared_ptr<tk::Browser> popup;
    std::vector<std::string> order;
    browser->addOpenWindowListener([&](tk::Event& e) {
        popup = tk::make<tk::Browser>(hidden, tk::NONE);
        popup->addVisibilityShowListener([&](tk::Event&) { order.push_back("show"); });
        popup->addLocationChangingListener([&](tk::Event& e2) {
            order.push_back("changing " + e2.location);
            e2.doit = false;  // sent to the user's browser instead
        });
        e.browser = popup;
    });
    tk::Browser* taken = driver.openPopup(*browser, "http://example.com/ad");
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken, popup.get());
    EXPECT_EQ(order, (std::vector<std::string>{"show", "changing http://example.com/ad"}));
    EXPECT_FALSE(hidden->getVisible());
    shell->dispose();
}

// A modal shell with a loop of its own inside a click: the outer loop
// resumes only after it closed; meanwhile the main shell takes no input.
inline void nestedEventLoop(tk::Display& display) {
    tk::TestDriver driver(display);
    auto shell = openShell(display);
    auto open = tk::make<tk::Button>(shell, tk::PUSH);
    open->setBounds(0, 0, 80, 24);
    std::vector<std::string> steps;
    bool refusedBehind = false;
    open->addSelectionListener([&](tk::Event&) {
        auto dialog = tk::make<tk::Shell>(shell, tk::DIALOG_TRIM | tk::APPLICATION_MODAL);
        auto close = tk::make<tk::Button>(dialog, tk::PUSH);
        close->setBounds(0, 0, 60, 24);
        close->addSelectionListener([&](tk::Event&) { dialog->close(); });
        dialog->open();
        steps.push_back("open");
        // Workers and the user act while the dialog's loop runs.
        std::thread worker([&] { display.asyncExec([&] { steps.push_back("async"); }); });
        worker.join();
        display.asyncExec([&, close] {
            refusedBehind = !driver.click(*open);
            steps.push_back(driver.click(*close) ? "closed" : "not closed");
        });
        while (!dialog->isDisposed()) {
            if (!display.readAndDispatch()) display.sleep();
        }
        steps.push_back("after loop");
    });
    display.asyncExec([&] { steps.push_back("queued before click"); });
    ASSERT_TRUE(driver.click(*open));
    steps.push_back("click returned");
    driver.runPending();
    EXPECT_EQ(steps, (std::vector<std::string>{"open", "queued before click", "async", "closed", "after loop",
                                               "click returned"}));
    EXPECT_TRUE(refusedBehind);
    EXPECT_TRUE(driver.reachable(*open));  // the modal dialog is gone
    shell->dispose();
}

// Menus: accelerators of the menu bar, a popup's Show before it opens and
// Hide before the chosen item's Selection, check items, disabled items.
inline void menusAndAccelerators(tk::Display& display) {
    tk::TestDriver driver(display);
    auto shell = openShell(display);
    auto bar = tk::make<tk::Menu>(shell, tk::BAR);
    shell->setMenuBar(bar.get());
    auto file = tk::make<tk::MenuItem>(bar, tk::CASCADE);
    file->setText("&File");
    auto fileMenu = tk::make<tk::Menu>(file.get());
    auto print = tk::make<tk::MenuItem>(fileMenu, tk::PUSH);
    print->setText("&Print...\tCtrl+P");
    print->setAccelerator(tk::CTRL | 'P');
    int printed = 0;
    print->addSelectionListener([&](tk::Event&) { ++printed; });
    EXPECT_TRUE(driver.pressAccelerator(*shell, tk::CTRL | 'p'));  // letters match without case
    EXPECT_FALSE(driver.pressAccelerator(*shell, tk::CTRL | 'Q'));
    print->setEnabled(false);
    EXPECT_FALSE(driver.pressAccelerator(*shell, tk::CTRL | 'P'));
    print->setEnabled(true);
    fileMenu->setEnabled(false);
    EXPECT_FALSE(driver.choose(*print));
    fileMenu->setEnabled(true);
    EXPECT_TRUE(driver.choose(*print));
    EXPECT_EQ(printed, 2);

    auto popup = tk::make<tk::Menu>(shell, tk::POP_UP);
    auto flag = tk::make<tk::MenuItem>(popup, tk::CHECK);
    auto sub = tk::make<tk::MenuItem>(popup, tk::CASCADE);
    auto subMenu = tk::make<tk::Menu>(sub.get());
    auto deep = tk::make<tk::MenuItem>(subMenu, tk::PUSH);
    Journal journal;
    journal.watch(*popup, "popup", {tk::Show, tk::Hide});
    journal.watch(*flag, "flag", {tk::Selection});
    journal.watch(*deep, "deep", {tk::Selection});
    EXPECT_FALSE(driver.choose(*flag));  // not shown yet
    popup->setVisible(true);
    EXPECT_TRUE(driver.choose(*flag));
    EXPECT_TRUE(flag->getSelection());
    EXPECT_FALSE(popup->getVisible());
    popup->setVisible(true);
    EXPECT_TRUE(driver.choose(*deep));
    popup->setVisible(true);
    EXPECT_TRUE(driver.dismiss(*popup));
    EXPECT_EQ(journal.lines(), (std::vector<std::string>{"popup:Show", "popup:Hide", "flag:Selection", "popup:Show",
                                                         "popup:Hide", "deep:Selection", "popup:Show", "popup:Hide"}));
    // Disposing the cascade item takes its drop-down along.
    sub->dispose();
    EXPECT_TRUE(subMenu->isDisposed());
    EXPECT_TRUE(deep->isDisposed());
    EXPECT_EQ(popup->getItemCount(), 1);
    shell->dispose();
}

// Tabs over one shared panel: the panel shows under every tab; only the
// user's choice raises Selection, with the tab as item.
inline void tabsShareAPanel(tk::Display& display) {
    tk::TestDriver driver(display);
    auto shell = openShell(display);
    auto folder = tk::make<tk::TabFolder>(shell, tk::NONE);
    folder->setBounds(8, 8, 300, 200);
    folder->setTabHeight(22);
    auto panel = tk::make<tk::Composite>(folder, tk::NONE);
    auto other = tk::make<tk::Composite>(folder, tk::NONE);
    std::vector<std::shared_ptr<tk::TabItem>> tabs;
    for (const char* name : {" Main User ", " Second ", " Third "}) {
        auto tab = tk::make<tk::TabItem>(folder, tk::NONE);
        tab->setText(name);
        tab->setControl(panel.get());
        tabs.push_back(tab);
    }
    auto last = tk::make<tk::TabItem>(folder, tk::NONE);
    last->setControl(other.get());
    EXPECT_EQ(folder->getSelectionIndex(), 0);
    EXPECT_TRUE(panel->getVisible());
    EXPECT_FALSE(other->getVisible());
    tk::Rectangle area = folder->getClientArea();
    EXPECT_EQ(panel->getSize(), (tk::Point{area.width, area.height}));

    std::vector<tk::Widget*> items;
    folder->addSelectionListener([&](tk::Event& e) { items.push_back(e.item); });
    ASSERT_TRUE(driver.select(*folder, 2));
    EXPECT_TRUE(panel->getVisible());
    ASSERT_TRUE(driver.select(*folder, 3));
    EXPECT_FALSE(panel->getVisible());
    EXPECT_TRUE(other->getVisible());
    EXPECT_TRUE(driver.select(*folder, 3));  // already there: no event
    EXPECT_EQ(items, (std::vector<tk::Widget*>{tabs[2].get(), last.get()}));

    // Removing a tab before the chosen one keeps the same tab chosen.
    tabs[0]->dispose();
    EXPECT_EQ(folder->getSelection(), last.get());
    EXPECT_EQ(folder->getItemCount(), 3);
    EXPECT_FALSE(panel->isDisposed());  // the panel belongs to the folder, not to the tab
    shell->dispose();
}

// Geometry: Move and Resize also for the program's own changes, shells'
// client areas inside their trim, fill layouts, screen coordinates.
inline void geometryAndLayout(tk::Display& display) {
    auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    Journal journal;
    journal.watch(*shell, "shell", {tk::Move, tk::Resize});
    shell->setBounds(10, 20, 600, 400);
    shell->setSize(600, 400);
    shell->setLocation(10, 21);
    EXPECT_EQ(journal.lines(), (std::vector<std::string>{"shell:Move", "shell:Resize", "shell:Move"}));
    tk::Rectangle client = shell->getClientArea();
    EXPECT_EQ(client.x, 0);
    EXPECT_LT(client.width, 600);
    EXPECT_LT(client.height, 400);

    auto panel = tk::make<tk::Composite>(shell, tk::NONE);
    panel->setBounds(5, 6, 100, 100);
    tk::Point onScreen = panel->toDisplay(1, 1);
    tk::Point shellOrigin = shell->toDisplay(0, 0);
    EXPECT_EQ(onScreen, (tk::Point{shellOrigin.x + 6, shellOrigin.y + 7}));
    EXPECT_GE(shellOrigin.x, 10);
    EXPECT_GT(shellOrigin.y, 21);  // below the title bar

    // Negative sizes from a too-small client area are taken as zero.
    panel->setSize(-30, 40);
    EXPECT_EQ(panel->getSize(), (tk::Point{0, 40}));

    auto popup = tk::make<tk::Shell>(shell, tk::DIALOG_TRIM | tk::RESIZE);
    popup->setLayout(std::make_shared<tk::FillLayout>());
    auto left = tk::make<tk::Composite>(popup, tk::NONE);
    auto right = tk::make<tk::Composite>(popup, tk::NONE);
    popup->setSize(300, 200);
    tk::Rectangle area = popup->getClientArea();
    EXPECT_EQ(left->getBounds(), (tk::Rectangle{0, 0, area.width / 2, area.height}));
    EXPECT_EQ(right->getBounds().x, area.width / 2);
    EXPECT_EQ(right->getBounds().x + right->getBounds().width, area.width);

    // pack() sizes a shell without layout around its children.
    auto packed = tk::make<tk::Shell>(&display, tk::DIALOG_TRIM);
    auto label = tk::make<tk::Label>(packed, tk::WRAP | tk::BORDER);
    label->setBounds(10, 10, 400, 70);
    packed->pack();
    tk::Rectangle inner = packed->getClientArea();
    EXPECT_EQ(inner.width, 410);
    EXPECT_EQ(inner.height, 80);
    // Children come topmost first and moveAbove changes that.
    EXPECT_EQ(shell->getChildren().front(), panel.get());
    auto browser = tk::make<tk::Browser>(shell, tk::NONE);
    EXPECT_EQ(shell->getChildren().back(), browser.get());
    browser->moveAbove(nullptr);
    EXPECT_EQ(shell->getChildren().front(), browser.get());
    shell->dispose();
    packed->dispose();
}

// The close box: Close first; a listener that refuses keeps the window
// (the portal hides instead); otherwise it is disposed.
inline void closeBoxCanBeRefused(tk::Display& display) {
    tk::TestDriver driver(display);
    auto shell = openShell(display);
    bool refuse = true;
    int closes = 0;
    shell->addListener(tk::Close, [&](tk::Event& e) {
        ++closes;
        if (refuse) {
            e.doit = false;
            shell->setVisible(false);
        }
    });
    ASSERT_TRUE(driver.closeBox(*shell));
    EXPECT_FALSE(shell->isDisposed());
    EXPECT_FALSE(shell->getVisible());
    EXPECT_FALSE(driver.closeBox(*shell));  // hidden: nothing to click
    shell->setVisible(true);
    refuse = false;
    ASSERT_TRUE(driver.closeBox(*shell));
    EXPECT_TRUE(shell->isDisposed());
    EXPECT_EQ(closes, 2);
}

// Escape in a dialog is its close box: Close, which a listener may refuse.
// A top-level window and a part of its owner's window (no trim) stay.
inline void escapeClosesADialog(tk::Display& display) {
    tk::TestDriver driver(display);
    auto shell = openShell(display);
    auto part = tk::make<tk::Shell>(shell, tk::NO_TRIM);
    part->setBounds(120, 140, 100, 60);
    part->open();
    EXPECT_TRUE(driver.pressKey(*part, tk::ESC, tk::ESC));
    EXPECT_TRUE(driver.pressKey(*shell, tk::ESC, tk::ESC));
    auto dialog = tk::make<tk::Shell>(shell, tk::DIALOG_TRIM | tk::APPLICATION_MODAL);
    dialog->setBounds(150, 150, 300, 200);
    auto field = tk::make<tk::Text>(dialog, tk::BORDER);
    field->setBounds(10, 10, 150, 24);
    dialog->open();
    bool refuse = true;
    int closes = 0;
    dialog->addListener(tk::Close, [&](tk::Event& e) {
        ++closes;
        e.doit = !refuse;
    });
    // The dialog takes the key, also when it stays.
    EXPECT_FALSE(driver.pressKey(*field, tk::ESC, tk::ESC));
    EXPECT_FALSE(dialog->isDisposed());
    refuse = false;
    EXPECT_FALSE(driver.pressKey(*field, tk::ESC, tk::ESC));
    EXPECT_TRUE(dialog->isDisposed());
    EXPECT_EQ(closes, 2);
    EXPECT_FALSE(part->isDisposed());
    EXPECT_FALSE(shell->isDisposed());
    shell->dispose();
}

// The tray icon: click, and the context request that shows its menu.
inline void trayIconMenu(tk::Display& display) {
    tk::TestDriver driver(display);
    tk::Tray* tray = display.getSystemTray();
    if (tray == nullptr) GTEST_SKIP() << "no tray on this screen";
    auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    auto item = tk::make<tk::TrayItem>(tray, tk::NONE);
    item->setToolTipText("Lanternbay");
    auto menu = tk::make<tk::Menu>(shell, tk::POP_UP);
    auto exit = tk::make<tk::MenuItem>(menu, tk::PUSH);
    exit->setText("&Exit");
    int clicks = 0;
    bool exited = false;
    item->addSelectionListener([&](tk::Event&) { ++clicks; });
    item->addListener(tk::MenuDetect, [&](tk::Event&) { menu->setVisible(true); });
    exit->addSelectionListener([&](tk::Event&) { exited = true; });
    ASSERT_TRUE(driver.clickTray(*item));
    ASSERT_TRUE(driver.menuDetectTray(*item));
    EXPECT_TRUE(menu->getVisible());
    ASSERT_TRUE(driver.choose(*exit));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(exited);
    item->dispose();
    EXPECT_EQ(tray->getItemCount(), 0);
    shell->dispose();
}

// A failure inside a listener that runs from the event loop comes out of
// readAndDispatch, on the user-interface thread, and the loop goes on.
inline void listenerFailureLeavesTheLoop(tk::Display& display) {
    display.asyncExec([] { throw std::runtime_error("from a task"); });
    bool after = false;
    display.asyncExec([&] { after = true; });
    EXPECT_THROW(pumpUntil(display, [&] { return after; }), std::runtime_error);
    EXPECT_TRUE(pumpUntil(display, [&] { return after; }));

    auto shell = openShell(display);
    auto browser = tk::make<tk::Browser>(shell, tk::NONE);
    browser->addCompletedListener([](tk::Event&) { throw std::logic_error("from a listener"); });
    browser->setUrl("about:blank");
    bool thrown = false;
    try {
        // Only the listener's failure ends this wait early.
        pumpUntil(display, [] { return false; });
    } catch (const std::logic_error&) {
        thrown = true;
    }
    EXPECT_TRUE(thrown) << "the completed listener's failure never came out of the loop";
    shell->dispose();
}

using Script = std::pair<const char*, std::function<void(tk::Display&)>>;

inline std::vector<Script> allScripts() {
    return {
        {"clickEventOrder", clickEventOrder},
        {"programmaticChangesAreSilent", programmaticChangesAreSilent},
        {"checkAndRadioState", checkAndRadioState},
        {"textLimitAndCaret", textLimitAndCaret},
        {"enterPressesDefaultButton", enterPressesDefaultButton},
        {"unreachableWidgets", unreachableWidgets},
        {"disposeOrder", disposeOrder},
        {"otherThreadIsRefused", otherThreadIsRefused},
        {"asyncExecFromWorkers", asyncExecFromWorkers},
        {"sleepWakesForAsyncExec", sleepWakesForAsyncExec},
        {"timersOnDrivenClock", timersOnDrivenClock},
        {"messageBoxFromScript", messageBoxFromScript},
        {"choosersFromScript", choosersFromScript},
        {"cancelledNavigation", cancelledNavigation},
        {"popupWindows", popupWindows},
        {"nestedEventLoop", nestedEventLoop},
        {"menusAndAccelerators", menusAndAccelerators},
        {"tabsShareAPanel", tabsShareAPanel},
        {"geometryAndLayout", geometryAndLayout},
        {"closeBoxCanBeRefused", closeBoxCanBeRefused},
        {"escapeClosesADialog", escapeClosesADialog},
        {"trayIconMenu", trayIconMenu},
        {"listenerFailureLeavesTheLoop", listenerFailureLeavesTheLoop},
    };
}

}  // namespace rltest::widgetscripts
