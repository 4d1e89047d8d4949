// The tray icon's menu on a tray of the test's own: a right click on the
// icon opens the menu the program shows without a place at the pointer, as
// tray menus open, not in the corner of the screen.

#include "tests/platform/toolkit/qt/QtTestSupport.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/XSystemTray.h"

#include <QApplication>
#include <QImage>
#include <QWidget>

namespace {

using rltest::ScreenPoint;

// The X display of this process with a tray on it, made before the
// toolkit's first display. Qt keeps its connection to the end of the
// process, so the server is never stopped: it ends by itself once its last
// client has gone (-terminate).
struct TrayScreen {
    static TrayScreen& get() {
        static TrayScreen* screen = new TrayScreen();
        return *screen;
    }
    // Away from the screen's edges, where a menu would be moved to fit.
    static constexpr ScreenPoint STRIP{600, 400};

    TrayScreen() {
        auto* server = new rltest::PrivateXServer({"-terminate"});
        if (!server->running()) {
            missing = "no private X display: " + server->error();
            return;
        }
        tray = std::make_unique<rltest::XSystemTray>(STRIP.x, STRIP.y);
        if (!tray->running()) missing = "no tray: " + tray->error();
    }

    std::unique_ptr<rltest::XSystemTray> tray;
    std::string missing;
};

TEST(QtTrayMenu, ARightClickOnTheIconOpensItsMenuAtThePointer) {
    TrayScreen& screen = TrayScreen::get();
    if (!screen.missing.empty()) GTEST_SKIP() << screen.missing;
    rltest::TempWorkDir dir;
    tk::Display display("qt");
    tk::Tray* tray = display.getSystemTray();
    ASSERT_NE(tray, nullptr) << "the tray not seen";
    auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("tray.bmp"))));
    auto image = tk::make<tk::Image>(&display, dir.file("tray.bmp"));
    auto icon = tk::make<tk::TrayItem>(tray, tk::NONE);
    icon->setImage(image);
    auto menu = tk::make<tk::Menu>(shell, tk::POP_UP);
    tk::make<tk::MenuItem>(menu, tk::PUSH)->setText("&Open");
    tk::make<tk::MenuItem>(menu, tk::PUSH)->setText("&Exit");
    // As the portal does: shown without a place.
    icon->addListener(tk::MenuDetect, [&](tk::Event&) { menu->setVisible(true); });
    const auto pump = rltest::pumping(display);
    ASSERT_TRUE(rltest::waitUntil("the icon docked in the tray", [&] { return screen.tray->pump() > 0; },
                                  rltest::WAIT_MS, pump));

    const std::optional<ScreenPoint> pointer = screen.tray->clickIcon(0, 3);
    ASSERT_TRUE(pointer.has_value());
    QWidget* popup = nullptr;
    ASSERT_TRUE(rltest::waitUntil(
        "the menu on the screen",
        [&] {
            popup = QApplication::activePopupWidget();
            return menu->getVisible() && popup != nullptr && rltest::shownWindowOrigin(popup->winId()).has_value();
        },
        rltest::WAIT_MS, pump));
    const std::optional<ScreenPoint> origin = rltest::shownWindowOrigin(popup->winId());
    ASSERT_TRUE(origin.has_value());
    EXPECT_EQ(origin->x, pointer->x);
    EXPECT_EQ(origin->y, pointer->y);

    menu->setVisible(false);
    icon->dispose();
    shell->dispose();
}

}  // namespace
