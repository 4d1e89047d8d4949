// Tiraleaf.so in a real window (Qt, under a virtual display): the panel in
// its frame with the search box and the provider menu, the first-run form
// answered with real keys, a search, and Ctrl+Alt+S typed at the window-
// system level reaching the host as event 8 through the X hook. The keys
// are typed on an X display of the test's own, which the hook watches, so
// that no other test's window receives them. Screenshots of the panel and
// of the open menu are left in the test's folder.

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <filesystem>

#include "platform/com/OleAutomation.h"
#include "platform/com/OleControlSite.h"
#include "platform/com/Registration.h"
#include "tests/control/FormFinder.h"
#include "tests/platform/toolkit/qt/QtTestSupport.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/XKeyboard.h"

namespace {

// Where the screenshots go: the folder the test was started in.
const std::string kShotFolder = std::filesystem::current_path().string();

// Runs body once cond holds, checking from the event loop every 20 ms for
// up to 10 s.
void whenTrue(std::function<bool()> cond, std::function<void()> body) {
    auto* timer = new QTimer(qApp);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, tries, cond, body] {
        if (cond() || ++*tries > 500) {
            timer->stop();
            timer->deleteLater();
            body();
        }
    });
    timer->start(20);
}

class TiraleafWindow : public ::testing::Test {
protected:
    void SetUp() override {
        RL_REQUIRE_DISPLAY();
        shared = std::getenv("DISPLAY");
        ::setenv("RL_REGISTRY_DIR", work.file("registry").c_str(), 1);
        root = work.file("install");
        std::filesystem::create_directories(root);
        display = std::make_unique<tk::Display>("qt");
        // The keyboard's display; the windows stay on the shared one.
        keyboard = std::make_unique<rltest::PrivateXServer>();
        ASSERT_TRUE(keyboard->running()) << keyboard->error();
        ::setenv("DISPLAY", shared.c_str(), 1);

        shell = tk::make<tk::Shell>(display.get(), tk::SHELL_TRIM);
        shell->setText("Tiraleaf host");
        shell->setBounds(80, 80, 900, 420);
        frame = tk::make<tk::OleFrame>(shell, tk::NONE);
        frame->setBounds(1, 20, 870, 25);
        shell->open();
        // No window manager on the virtual display activates it.
        QApplication::setActiveWindow(tk::qt::nativeWidget(*shell));
        com::registerModule(TIRALEAF_MODULE);
        site = std::make_unique<com::OleControlSite>(frame.get(), tk::NONE, "Tiraleaf.PopupMenu");
        for (com::DispId id : {1, 6, 8, 10, 11}) {
            site->addEventListener(id, [this](com::OleEvent& e) {
                ids.push_back(e.type);
                if (e.type == 1) lastUrl = e.arguments[0].getString();
            });
        }
        ASSERT_TRUE(site->doVerb(com::OLEIVERB_SHOW));
        automation = std::make_unique<com::OleAutomation>(*site);
    }
    void TearDown() override {
        automation.reset();
        site.reset();
        if (shell && !shell->isDisposed()) shell->dispose();
        display.reset();
        keyboard.reset();
        ::unsetenv("RL_REGISTRY_DIR");
    }

    template <class F>
    auto onKeyboardDisplay(F&& body) {
        ::setenv("DISPLAY", keyboard->name().c_str(), 1);
        auto restore = [this](void*) { ::setenv("DISPLAY", shared.c_str(), 1); };
        std::unique_ptr<void, decltype(restore)> guard(this, restore);
        return body();
    }
    template <class W>
    W* native(tk::Control* control) {
        return qobject_cast<W*>(tk::qt::nativeWidget(*control));
    }
    int count(com::DispId id) { return static_cast<int>(std::count(ids.begin(), ids.end(), id)); }

    rltest::TempWorkDir work;
    std::string root;
    std::string shared;
    std::unique_ptr<tk::Display> display;
    std::unique_ptr<rltest::PrivateXServer> keyboard;
    std::shared_ptr<tk::Shell> shell;
    std::shared_ptr<tk::OleFrame> frame;
    std::unique_ptr<com::OleControlSite> site;
    std::unique_ptr<com::OleAutomation> automation;
    std::vector<com::DispId> ids;
    std::string lastUrl;
};

TEST_F(TiraleafWindow, ThePanelSearchesAndHearsControlAltS) {
    onKeyboardDisplay([&] { automation->invoke("InitMenu", {{"p_rootDir", com::Variant(root)}}); });

    // The first-run form, answered with real keys.
    rltest::qt::whenModalOpens([](QWidget* form) {
        EXPECT_EQ(form->windowTitle().toStdString(), "Lanternbay - New User Zip Code");
        auto* zip = form->findChild<QLineEdit*>();
        ASSERT_NE(zip, nullptr);
        QTest::keyClicks(zip, "46236");
        for (QPushButton* b : form->findChildren<QPushButton*>()) {
            if (b->text() == "OK") QTest::mouseClick(b, Qt::LeftButton);
        }
    });
    automation->invoke("ReadPreferences");
    EXPECT_EQ(ids, (std::vector<com::DispId>{11, 6}));

    // The panel in its frame: search box with its placeholder, the provider.
    tk::Composite* panel = site->getControlWindow();
    auto texts = rltest::controlsOf<tk::Text>(panel);
    ASSERT_EQ(texts.size(), 1u);
    QLineEdit* box = native<QLineEdit>(texts[0]);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->text().toStdString(), "<Enter search terms>");
    QWidget* frameWidget = tk::qt::nativeWidget(*frame);
    EXPECT_TRUE(frameWidget->isAncestorOf(box));
    EXPECT_TRUE(frameWidget->rect().contains(box->geometry()));
    EXPECT_TRUE(tk::qt::saveScreenshot(*shell, kShotFolder + "/tiraleaf-panel.png"));

    // The provider menu, opened and chosen from with the mouse.
    auto* providerButton = dynamic_cast<tk::Button*>(rltest::controlWithTip(panel, "Select Search Provider"));
    ASSERT_NE(providerButton, nullptr);
    std::vector<std::string> topItems;
    whenTrue([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; },
             [&] {
                 auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                 ASSERT_NE(menu, nullptr);
                 for (QAction* a : menu->actions())
                     topItems.push_back(a->isSeparator() ? "-" : a->text().toStdString());
                 QRect area = QRect(80, 80, 900, 420).united(menu->geometry());
                 QGuiApplication::primaryScreen()
                     ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                     .save(QString::fromStdString(kShotFolder + "/tiraleaf-menu.png"));
                 QAction* dictionary = menu->actions().at(0);
                 QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(dictionary).center());
             });
    QTest::mouseClick(native<QPushButton>(providerButton), Qt::LeftButton);
    ASSERT_GE(topItems.size(), 14u);
    EXPECT_EQ(std::vector<std::string>(topItems.begin(), topItems.begin() + 5),
              (std::vector<std::string>{"Dictionary Online", "Google", "-", "Cooking", "Entertainment"}));
    EXPECT_EQ(topItems.back(), "Weather");
    auto labels = rltest::controlsOf<tk::Label>(panel);
    EXPECT_EQ(native<QLabel>(labels[1])->text().toStdString(), "Dictionary Online");

    // A search typed into the box (the window is active again once the
    // form and the menu are gone; no window manager does it here).
    QApplication::setActiveWindow(tk::qt::nativeWidget(*shell));
    QTest::mouseClick(box, Qt::LeftButton);
    ASSERT_TRUE(tk::qt::runUntil(
        *display, [&] { return box->text().isEmpty(); }, rltest::scaled(rltest::WAIT_MS)));
    QTest::keyClicks(box, "fish & chips");
    QTest::mouseClick(native<QPushButton>(rltest::buttonWithText(panel, "Search")), Qt::LeftButton);
    EXPECT_EQ(lastUrl, "http://www.dictionary-online.example/search?q=fish+%26+chips");

    // Ctrl+Alt+S typed on the keyboard's display reaches the host once.
    ASSERT_TRUE(onKeyboardDisplay([] { return rltest::typeControlAlt("s"); }));
    EXPECT_TRUE(tk::qt::runUntil(
        *display, [&] { return count(8) >= 1; }, rltest::scaled(rltest::WAIT_MS)));
    EXPECT_EQ(count(8), 1);
    ASSERT_TRUE(onKeyboardDisplay([] {
        return rltest::typeOnDisplay({{"Control_L", true}, {"s", true}, {"s", false}, {"Control_L", false}});
    }));

    // Once the host disposes of the menu the key has no effect.
    automation->invoke("DisposeOfMenu");
    ASSERT_TRUE(onKeyboardDisplay([] { return rltest::typeControlAlt("s"); }));
    // A fixed time: the key must have no effect.
    bool over = false;
    display->timerExec(200, tk::runnable([&] { over = true; }));
    tk::qt::runUntil(
        *display, [&] { return over; }, rltest::scaled(rltest::WAIT_MS));
    EXPECT_EQ(count(8), 1);
}

}  // namespace
