// Real input on real Qt widgets: clicks, typing, keys, choices, the close
// box and window moves reach the toolkit's listeners as a user's actions;
// the program's own changes stay silent; geometry, images and fonts reach
// the native widgets; real dialogs answer what the user did.

#include "tests/platform/toolkit/qt/QtTestSupport.h"
#include "tests/support/TempWorkDir.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTest>
#include <QWindow>

namespace {

using rltest::qt::whenModalOpens;

class QtInput : public ::testing::Test {
protected:
    void SetUp() override {
        RL_REQUIRE_DISPLAY();
        display = std::make_unique<tk::Display>("qt");
        shell = tk::make<tk::Shell>(display.get(), tk::SHELL_TRIM);
        shell->setBounds(60, 60, 600, 450);
        shell->open();
        window = tk::qt::nativeWidget(*shell);
        QApplication::setActiveWindow(window);
    }
    void TearDown() override {
        if (shell && !shell->isDisposed()) shell->dispose();
        display.reset();
    }
    // Runs native input from inside the event loop, where a window system's
    // events arrive, and waits until it has run.
    void asUser(const std::function<void()>& input) {
        bool ran = false;
        QTimer::singleShot(0, qApp, [&] {
            input();
            ran = true;
        });
        ASSERT_TRUE(waitUntil("the input to run", [&] { return ran; }));
    }
    ::testing::AssertionResult waitUntil(const std::string& what, const std::function<bool()>& done) {
        return rltest::waitUntil(what, done, rltest::WAIT_MS, rltest::pumping(*display));
    }
    // A fixed time in the event loop, for checks that nothing (more) happens.
    void settle(int ms = 50) {
        bool over = false;
        auto end = tk::runnable([&over] { over = true; });
        display->timerExec(ms, end);
        tk::qt::runUntil(*display, [&] { return over; }, ms + 5000);
    }
    template <class W>
    W* native(const tk::Control& control) {
        W* widget = qobject_cast<W*>(tk::qt::nativeWidget(control));
        EXPECT_NE(widget, nullptr);
        return widget;
    }

    std::unique_ptr<tk::Display> display;
    std::shared_ptr<tk::Shell> shell;
    QWidget* window = nullptr;
};

TEST_F(QtInput, ClicksAndTypingReachTheListenersOnce) {
    auto button = tk::make<tk::Button>(shell, tk::PUSH);
    button->setBounds(10, 10, 100, 28);
    button->setText("&Go");
    auto check = tk::make<tk::Button>(shell, tk::CHECK);
    check->setBounds(10, 50, 150, 24);
    check->setText("Track &details");
    auto text = tk::make<tk::Text>(shell, tk::BORDER);
    text->setBounds(10, 90, 200, 24);
    auto notes = tk::make<tk::Text>(shell, tk::MULTI | tk::BORDER | tk::WRAP);
    notes->setBounds(10, 130, 200, 80);
    int clicks = 0, checks = 0, modifies = 0, buttonFocus = 0;
    button->addSelectionListener([&](tk::Event&) { ++clicks; });
    button->addListener(tk::FocusIn, [&](tk::Event&) { ++buttonFocus; });
    check->addSelectionListener([&](tk::Event&) { ++checks; });
    text->addListener(tk::Modify, [&](tk::Event&) { ++modifies; });

    asUser([&] { QTest::mouseClick(native<QPushButton>(*button), Qt::LeftButton); });
    ASSERT_TRUE(waitUntil("the click", [&] { return clicks > 0 && buttonFocus > 0; }));
    settle();  // no second click or focus may follow
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(buttonFocus, 1);  // the click took the focus there
    EXPECT_TRUE(button->isFocusControl());

    // On the box itself, at the left.
    asUser([&] { QTest::mouseClick(native<QCheckBox>(*check), Qt::LeftButton, {}, QPoint(8, 12)); });
    EXPECT_EQ(checks, 1);
    EXPECT_TRUE(check->getSelection());
    check->setSelection(false);
    EXPECT_FALSE(native<QCheckBox>(*check)->isChecked());
    EXPECT_EQ(checks, 1);

    asUser([&] { QTest::keyClicks(native<QLineEdit>(*text), QStringLiteral("abc")); });
    EXPECT_EQ(text->getText(), "abc");
    EXPECT_EQ(modifies, 3);
    text->setText("zz");
    EXPECT_EQ(native<QLineEdit>(*text)->text(), QStringLiteral("zz"));
    EXPECT_EQ(modifies, 3);  // the program's own change is silent
    text->setText("");
    text->setTextLimit(4);
    asUser([&] { QTest::keyClicks(native<QLineEdit>(*text), QStringLiteral("12345")); });
    EXPECT_EQ(text->getText(), "1234");

    // A multi-line field has no native limit; the toolkit's holds.
    notes->setTextLimit(6);
    asUser([&] { QTest::keyClicks(native<QPlainTextEdit>(*notes)->viewport(), QStringLiteral("one two")); });
    EXPECT_EQ(notes->getText(), "one tw");
    EXPECT_EQ(native<QPlainTextEdit>(*notes)->toPlainText(), QStringLiteral("one tw"));
}

TEST_F(QtInput, AnEmptyProgressRangeShowsAnEmptyBarNotABusyOne) {
    auto bar = tk::make<tk::ProgressBar>(shell, tk::HORIZONTAL);
    bar->setBounds(10, 10, 200, 16);
    bar->setMaximum(0);
    auto* native = qobject_cast<QProgressBar*>(tk::qt::nativeWidget(*bar));
    ASSERT_NE(native, nullptr);
    EXPECT_LT(native->minimum(), native->maximum());
    EXPECT_EQ(native->value(), native->minimum());
    bar->setMaximum(4);
    bar->setSelection(3);
    EXPECT_EQ(native->maximum(), 4);
    EXPECT_EQ(native->value(), 3);
}

TEST_F(QtInput, TheDisplayNamesItsWebEngine) {
    const std::string version = display->getBrowserVersion();
    EXPECT_FALSE(version.empty());
    EXPECT_NE(version.find('.'), std::string::npos) << version;
}

TEST_F(QtInput, ChoicesInCombosListsTabsAndRanges) {
    auto combo = tk::make<tk::Combo>(shell, tk::READ_ONLY);
    combo->setBounds(10, 10, 150, 26);
    combo->setItems({"Airline", "Hotel", "Card"});
    combo->select(0);
    auto list = tk::make<tk::List>(shell, tk::SINGLE | tk::BORDER);
    list->setBounds(10, 50, 150, 100);
    list->setItems({"Main User", "Second", "Third"});
    auto scale = tk::make<tk::Scale>(shell, tk::HORIZONTAL);
    scale->setBounds(200, 10, 150, 30);
    auto spinner = tk::make<tk::Spinner>(shell, tk::BORDER);
    spinner->setBounds(200, 50, 80, 26);
    auto folder = tk::make<tk::TabFolder>(shell, tk::NONE);
    folder->setBounds(10, 170, 400, 200);
    auto first = tk::make<tk::Composite>(folder, tk::NONE);
    auto second = tk::make<tk::Composite>(folder, tk::NONE);
    auto tab1 = tk::make<tk::TabItem>(folder, tk::NONE);
    tab1->setText("&Accounts");
    tab1->setControl(first.get());
    auto tab2 = tk::make<tk::TabItem>(folder, tk::NONE);
    tab2->setText("&Options");
    tab2->setControl(second.get());
    std::vector<std::string> seen;
    auto journal = [&seen](const std::string& name) { return [&seen, name](tk::Event&) { seen.push_back(name); }; };
    combo->addSelectionListener(journal("combo"));
    list->addSelectionListener(journal("list"));
    list->addListener(tk::DefaultSelection, journal("list default"));
    scale->addSelectionListener(journal("scale"));
    spinner->addSelectionListener(journal("spinner"));
    folder->addSelectionListener(journal("folder"));

    asUser([&] { QTest::keyClick(native<QComboBox>(*combo), Qt::Key_Down); });
    EXPECT_EQ(combo->getSelectionIndex(), 1);
    EXPECT_EQ(combo->getText(), "Hotel");

    QListWidget* nativeList = native<QListWidget>(*list);
    QPoint third = nativeList->visualItemRect(nativeList->item(2)).center();
    asUser([&] { QTest::mouseClick(nativeList->viewport(), Qt::LeftButton, {}, third); });
    EXPECT_EQ(list->getSelectionIndex(), 2);
    asUser([&] { QTest::mouseDClick(nativeList->viewport(), Qt::LeftButton, {}, third); });

    asUser([&] { QTest::keyClick(native<QSlider>(*scale), Qt::Key_Right); });
    EXPECT_EQ(scale->getSelection(), 1);
    asUser([&] { QTest::keyClick(native<QSpinBox>(*spinner), Qt::Key_Up); });
    EXPECT_EQ(spinner->getSelection(), 1);

    QTabBar* tabs = tk::qt::nativeWidget(*folder)->findChild<QTabBar*>();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("&Options"));
    asUser([&] { QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center()); });
    EXPECT_EQ(folder->getSelectionIndex(), 1);
    EXPECT_TRUE(second->getVisible());
    EXPECT_FALSE(first->getVisible());
    EXPECT_TRUE(tk::qt::nativeWidget(*second)->isVisible());
    EXPECT_FALSE(tk::qt::nativeWidget(*first)->isVisible());

    // The program's choices are silent, and show natively.
    combo->select(2);
    list->select(0);
    scale->setSelection(40);
    spinner->setSelection(7);
    folder->setSelection(0);
    EXPECT_EQ(native<QComboBox>(*combo)->currentIndex(), 2);
    EXPECT_EQ(nativeList->currentRow(), 0);
    EXPECT_EQ(native<QSlider>(*scale)->value(), 40);
    EXPECT_EQ(native<QSpinBox>(*spinner)->value(), 7);
    EXPECT_EQ(tabs->currentIndex(), 0);
    settle();  // no listener may hear of them
    EXPECT_EQ(seen, (std::vector<std::string>{"combo", "list", "list default", "scale", "spinner", "folder"}));
}

TEST_F(QtInput, KeysForAcceleratorsDefaultButtonAndKeyListeners) {
    auto bar = tk::make<tk::Menu>(shell, tk::BAR);
    shell->setMenuBar(bar.get());
    auto file = tk::make<tk::MenuItem>(bar, tk::CASCADE);
    file->setText("&File");
    auto menu = tk::make<tk::Menu>(file.get());
    auto print = tk::make<tk::MenuItem>(menu, tk::PUSH);
    print->setText("&Print...\tCtrl+P");
    print->setAccelerator(tk::CTRL | 'P');
    auto text = tk::make<tk::Text>(shell, tk::BORDER);
    text->setBounds(10, 10, 200, 24);
    auto ok = tk::make<tk::Button>(shell, tk::PUSH);
    ok->setText("OK");
    ok->setBounds(10, 50, 80, 28);
    shell->setDefaultButton(ok.get());
    std::vector<std::string> seen;
    print->addSelectionListener([&](tk::Event&) { seen.push_back("print"); });
    text->addListener(tk::DefaultSelection, [&](tk::Event&) { seen.push_back("text enter"); });
    ok->addSelectionListener([&](tk::Event&) { seen.push_back("ok"); });
    ASSERT_TRUE(text->setFocus());
    QLineEdit* field = native<QLineEdit>(*text);
    ASSERT_TRUE(waitUntil("the focus in the field", [&] { return QApplication::focusWidget() == field; }));

    asUser([&] { QTest::keyClick(field, Qt::Key_P, Qt::ControlModifier); });
    EXPECT_EQ(seen, (std::vector<std::string>{"print"}));
    EXPECT_EQ(field->text(), QString());  // the accelerator took the key
    asUser([&] { QTest::keyClick(field, Qt::Key_Return); });
    ASSERT_TRUE(waitUntil("Enter in the field and on the default button", [&] { return seen.size() >= 3; }));
    EXPECT_EQ(seen, (std::vector<std::string>{"print", "text enter", "ok"}));

    // A key listener that refuses a key keeps it from the field.
    text->addListener(tk::KeyDown, [](tk::Event& e) {
        if (e.character == 'x') e.doit = false;
    });
    asUser([&] { QTest::keyClicks(field, QStringLiteral("axb")); });
    EXPECT_EQ(text->getText(), "ab");
    EXPECT_EQ(field->text(), QStringLiteral("ab"));
}

// What the window system last reported of a native window's place and
// size. Qt takes a move or resize at once and again when the window system
// confirms it; a confirmation still on its way when the next change is
// asked for would take the window back for a moment.
class WindowSystemReports : public QObject {
public:
    QPoint place;
    QSize size;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Move) place = static_cast<QMoveEvent*>(event)->pos();
        if (event->type() == QEvent::Resize) size = static_cast<QResizeEvent*>(event)->size();
        return false;
    }
};

TEST_F(QtInput, CloseBoxMovesAndResizesComeFromTheWindowSystem) {
    int closes = 0;
    bool refuse = true;
    shell->addListener(tk::Close, [&](tk::Event& e) {
        ++closes;
        e.doit = !refuse;
    });
    std::vector<std::string> geometry;
    shell->addListener(tk::Move, [&](tk::Event&) { geometry.push_back("move"); });
    shell->addListener(tk::Resize, [&](tk::Event&) { geometry.push_back("resize"); });

    // Only the native window's own events: the widget's come from Qt.
    WindowSystemReports reports;
    window->windowHandle()->installEventFilter(&reports);
    tk::Rectangle before = shell->getBounds();
    asUser([&] { window->move(300, 200); });
    EXPECT_TRUE(waitUntil("the move", [&] { return shell->getLocation() == tk::Point{300, 200}; }));
    ASSERT_TRUE(waitUntil("the window system's report of the move", [&] { return reports.place == QPoint(300, 200); }));
    EXPECT_EQ(shell->getLocation(), (tk::Point{300, 200}));
    const QSize larger = window->size() + QSize(40, 30);
    asUser([&] { window->resize(larger); });
    EXPECT_TRUE(waitUntil("the resize",
                          [&] { return shell->getSize() == tk::Point{before.width + 40, before.height + 30}; }));
    ASSERT_TRUE(waitUntil("the window system's report of the resize", [&] { return reports.size == larger; }));
    settle(200);  // no second move or resize may follow
    EXPECT_EQ(shell->getSize(), (tk::Point{before.width + 40, before.height + 30}));
    EXPECT_EQ(geometry, (std::vector<std::string>{"move", "resize"}));

    asUser([&] { window->close(); });
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(shell->isDisposed());
    EXPECT_TRUE(window->isVisible());
    refuse = false;
    QPointer<QWidget> gone = window;
    asUser([&] { window->close(); });
    EXPECT_TRUE(shell->isDisposed());
    EXPECT_TRUE(waitUntil("the native window to go with it", [&] { return gone.isNull(); }));
}

TEST_F(QtInput, EscapeClosesADialog) {
    auto dialog = tk::make<tk::Shell>(shell, tk::DIALOG_TRIM | tk::APPLICATION_MODAL);
    dialog->setBounds(120, 120, 300, 200);
    auto text = tk::make<tk::Text>(dialog, tk::BORDER);
    text->setBounds(10, 10, 200, 24);
    dialog->open();
    // The window tests share one display, where another program's window
    // may hold the focus or have taken it since this one asked for it: the
    // dialog is activated here, as SetUp does the main window.
    QApplication::setActiveWindow(tk::qt::nativeWidget(*dialog));
    QLineEdit* field = native<QLineEdit>(*text);
    ASSERT_TRUE(waitUntil("the focus in the dialog", [&] { return QApplication::focusWidget() == field; }));
    asUser([&] { QTest::keyClick(field, Qt::Key_Escape); });
    EXPECT_TRUE(dialog->isDisposed());
    EXPECT_FALSE(shell->isDisposed());
}

TEST_F(QtInput, ListenersMayDisposeOrFailFromRealInput) {
    auto button = tk::make<tk::Button>(shell, tk::PUSH);
    button->setBounds(10, 10, 100, 28);
    QPointer<QPushButton> pushButton = native<QPushButton>(*button);
    bool fail = true;
    button->addSelectionListener([&](tk::Event&) {
        if (fail) throw std::runtime_error("listener failed");
        shell->dispose();
    });
    bool thrown = false;
    try {
        asUser([&] { QTest::mouseClick(pushButton, Qt::LeftButton); });
    } catch (const std::runtime_error&) {
        thrown = true;
    }
    EXPECT_TRUE(thrown);
    settle();  // the loop goes on
    fail = false;
    asUser([&] { QTest::mouseClick(pushButton, Qt::LeftButton); });
    EXPECT_TRUE(shell->isDisposed());
    EXPECT_TRUE(waitUntil("the native button to go", [&] { return pushButton.isNull(); }));
}

TEST_F(QtInput, AWaitLeftByAFailureLeavesNoTimerBehind) {
    // A task that fails inside a wait ends the wait with its failure; the
    // wait's timers must go with it (under AddressSanitizer a timer left
    // behind reads the wait's dead frame once the loop runs on).
    for (int round = 0; round < 3; ++round) {
        display->asyncExec([] { throw std::runtime_error("task failed"); });
        // Only the task's failure ends this wait early.
        EXPECT_THROW(tk::qt::runUntil(*display, [] { return false; }, rltest::scaled(rltest::WAIT_MS)),
                     std::runtime_error);
    }
    int ticks = 0;
    auto tick = tk::runnable([&ticks] { ++ticks; });
    display->timerExec(400, tick);
    EXPECT_TRUE(waitUntil("the timer", [&ticks] { return ticks > 0; }));
    settle(300);  // it must not run twice
    EXPECT_EQ(ticks, 1);
}

TEST_F(QtInput, GeometryStackingPicturesAndFontsReachTheNativeWidgets) {
    rltest::TempWorkDir dir;
    auto bar = tk::make<tk::Menu>(shell, tk::BAR);
    auto item = tk::make<tk::MenuItem>(bar, tk::CASCADE);
    item->setText("&File");
    shell->setMenuBar(bar.get());
    tk::Rectangle area = shell->getClientArea();
    QWidget* content = tk::qt::nativeWidget(*tk::make<tk::Composite>(shell, tk::NONE))->parentWidget();
    EXPECT_EQ(content->size(), QSize(area.width, area.height));

    auto framed = tk::make<tk::Composite>(shell, tk::BORDER);
    framed->setBounds(5, 6, 200, 100);
    auto inner = tk::make<tk::Label>(framed, tk::NONE);
    inner->setBounds(0, 0, 50, 20);
    tk::Rectangle framedArea = framed->getClientArea();
    EXPECT_LT(framedArea.width, 200);
    QWidget* innerNative = tk::qt::nativeWidget(*inner);
    EXPECT_EQ(innerNative->mapTo(tk::qt::nativeWidget(*framed), QPoint(0, 0)),
              QPoint((200 - framedArea.width) / 2, (100 - framedArea.height) / 2));

    auto group = tk::make<tk::Group>(shell, tk::NONE);
    group->setText("Login");
    group->setBounds(220, 6, 200, 100);
    auto inGroup = tk::make<tk::Label>(group, tk::NONE);
    inGroup->setBounds(0, 0, 10, 10);
    auto* box = qobject_cast<QGroupBox*>(tk::qt::nativeWidget(*group));
    ASSERT_NE(box, nullptr);
    QPoint groupOrigin = tk::qt::nativeWidget(*inGroup)->mapTo(box, QPoint(0, 0));
    EXPECT_EQ(groupOrigin, box->contentsRect().topLeft());
    EXPECT_EQ(group->getClientArea().height, box->contentsRect().height());

    // Stacking: the topmost first in the toolkit, last among Qt's children.
    auto a = tk::make<tk::Label>(shell, tk::NONE);
    auto b = tk::make<tk::Label>(shell, tk::NONE);
    auto order = [&] {
        QList<QWidget*> kids = content->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        return kids.indexOf(tk::qt::nativeWidget(*a)) < kids.indexOf(tk::qt::nativeWidget(*b)) ? "a below b"
                                                                                                : "a above b";
    };
    EXPECT_STREQ(order(), "a below b");
    a->moveAbove(b.get());
    EXPECT_STREQ(order(), "a above b");
    a->moveBelow(b.get());
    EXPECT_STREQ(order(), "a below b");

    // Pictures, mnemonics, fonts and colours.
    QImage picture(16, 12, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("icon.png"))));
    auto image = tk::make<tk::Image>(display.get(), dir.file("icon.png"));
    a->setImage(image);
    EXPECT_EQ(qobject_cast<QLabel*>(tk::qt::nativeWidget(*a))->pixmap().size(), QSize(16, 12));
    shell->setImage(image);
    EXPECT_FALSE(window->windowIcon().isNull());
    // The tray's bitmap and the window's icon formats decode too.
    for (const char* name : {"tray.bmp", "window.ico"}) {
        QImage small(32, 32, QImage::Format_ARGB32);
        small.fill(Qt::blue);
        ASSERT_TRUE(small.save(QString::fromStdString(dir.file(name)))) << name;
        auto loaded = tk::make<tk::Image>(display.get(), dir.file(name));
        b->setImage(loaded);
        EXPECT_EQ(qobject_cast<QLabel*>(tk::qt::nativeWidget(*b))->pixmap().size(), QSize(32, 32)) << name;
    }
    b->setText("&Name && number");
    EXPECT_EQ(qobject_cast<QLabel*>(tk::qt::nativeWidget(*b))->text(), QStringLiteral("Name & number"));
    b->setFont(tk::Font("Sans", 14, tk::BOLD));
    EXPECT_TRUE(tk::qt::nativeWidget(*b)->font().bold());
    EXPECT_EQ(tk::qt::nativeWidget(*b)->font().pointSize(), 14);
    b->setFont(std::nullopt);
    EXPECT_FALSE(tk::qt::nativeWidget(*b)->font().bold());
    b->setBackground(tk::Color(10, 20, 30));
    EXPECT_EQ(tk::qt::nativeWidget(*b)->palette().color(QPalette::Window), QColor(10, 20, 30));
    EXPECT_TRUE(tk::qt::nativeWidget(*b)->autoFillBackground());
    b->setBackground(std::nullopt);
    EXPECT_FALSE(tk::qt::nativeWidget(*b)->autoFillBackground());
    EXPECT_EQ(tk::qt::nativeWidget(*b)->palette().color(QPalette::Window), content->palette().color(QPalette::Window));
}

TEST_F(QtInput, RealDialogsAnswerWhatTheUserDid) {
    rltest::TempWorkDir dir;
    whenModalOpens([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Roamledger - Remove User"));
        EXPECT_EQ(box->text(), QStringLiteral("Remove the user?"));
        box->button(QMessageBox::No)->click();
    });
    tk::MessageBox question(shell.get(), tk::ICON_QUESTION | tk::YES | tk::NO | tk::CANCEL);
    question.setText("Roamledger - Remove User");
    question.setMessage("Remove the user?");
    EXPECT_EQ(question.open(), tk::NO);

    // Escape gives the box's close answer.
    whenModalOpens([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    tk::MessageBox again(shell.get(), tk::ICON_WARNING | tk::YES | tk::NO | tk::CANCEL);
    EXPECT_EQ(again.open(), tk::CANCEL);

    std::string target = dir.file("Roamledger-Backup.settings");
    whenModalOpens([target](QWidget* modal) {
        auto* chooser = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(chooser, nullptr);
        EXPECT_TRUE(chooser->nameFilters().first().contains(QStringLiteral("*.settings")));
        chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromStdString(target));
        static_cast<QDialog*>(chooser)->accept();
    });
    tk::FileDialog save(shell.get(), tk::SAVE);
    save.setFilterPath(dir.path());
    save.setFilterExtensions({"*.settings"});
    save.setFilterNames({"Settings"});
    EXPECT_EQ(save.open(), std::optional<std::string>(target));

    // The folder chooser's button reads what its message says to click; the
    // message wraps inside the dialog rather than widening it.
    const QString message = QStringLiteral(
        "If you let Roamledger install automatically to its default directory when you previously used it, click "
        "'OK'. Otherwise you may select a different directory or click 'Cancel' if you do not wish to use your "
        "previous settings.");
    whenModalOpens([message](QWidget* modal) {
        auto* chooser = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(chooser, nullptr);
        auto* buttons = chooser->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        EXPECT_EQ(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("OK"));
        QLabel* shown = nullptr;
        for (QLabel* label : chooser->findChildren<QLabel*>()) {
            if (label->text() == message) shown = label;
        }
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(shown->isVisible());
        EXPECT_LT(chooser->width(), shown->fontMetrics().horizontalAdvance(message));
        static_cast<QDialog*>(modal)->reject();
    });
    tk::DirectoryDialog folder(shell.get());
    folder.setMessage(message.toStdString());
    EXPECT_EQ(folder.open(), std::nullopt);

    whenModalOpens([](QWidget* modal) {
        auto* colours = qobject_cast<QColorDialog*>(modal);
        ASSERT_NE(colours, nullptr);
        EXPECT_EQ(colours->currentColor(), QColor(5, 0, 255));
        colours->setCurrentColor(QColor(0, 0, 153));
        colours->accept();
    });
    tk::ColorDialog colour(shell.get());
    colour.setRGB({5, 0, 255});
    EXPECT_EQ(colour.open(), std::optional<tk::RGB>(tk::RGB{0, 0, 153}));
}

// Without a tray the display says so, and the portal takes its way out.
TEST_F(QtInput, TrayOnlyWhereTheScreenHasOne) {
    tk::Tray* tray = display->getSystemTray();
    EXPECT_EQ(tray != nullptr, QSystemTrayIcon::isSystemTrayAvailable());
}

}  // namespace
