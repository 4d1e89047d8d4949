// The demo program as a person starts it: it opens its window and saves a
// picture of it; without a window system it says so and ends.

#include "tests/platform/toolkit/qt/QtTestSupport.h"
#include "tests/support/Pictures.h"
#include "tests/support/TempWorkDir.h"

#include <QImage>

namespace {

// The demo with its arguments, its output and error streams captured.
rltest::CommandRun runDemo(const std::string& environment, const std::string& arguments) {
    return rltest::runCommand(environment + " '" TK_DEMO_PATH "' " + arguments + " 2>&1");
}

TEST(QtDemo, SavesAPictureOfItsWindow) {
    RL_REQUIRE_DISPLAY();
    rltest::TempWorkDir dir;
    std::string shot = dir.file("demo.png");
    rltest::CommandRun run = runDemo("", "--screenshot '" + shot + "'");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("saved " + shot), std::string::npos);
    QImage image(QString::fromStdString(shot));
    ASSERT_FALSE(image.isNull());
    // The client area of an 820 x 620 window less the frame.
    EXPECT_GT(image.width(), 780);
    EXPECT_GT(image.height(), 560);
    EXPECT_GT(rltest::coloursIn(shot), 20);  // text, table, buttons: far from blank
}

TEST(QtDemo, WithoutWindowSystemFailsWithAClearMessage) {
    rltest::CommandRun run = runDemo("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM", "--seconds 1");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("no window system"), std::string::npos) << run.output;
}

TEST(QtDemo, RefusesUnknownArguments) {
    rltest::CommandRun run = runDemo("", "--colour blue");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.output.find("usage: tk-demo"), std::string::npos);
}

}  // namespace
