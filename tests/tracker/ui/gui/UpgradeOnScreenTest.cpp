// The upgrade cycle on real windows (the Qt backend, under xvfb-run): the
// question box as the user sees it, answered with its Yes button; the
// progress window on the screen while the downloads run; then the hand-off
// to the finisher (a stand-in that records its start). A picture is taken of
// the box and of the window; with RL_DIALOG_SCREENSHOTS naming a folder they
// are also left there for a person to look at.
//
// One cycle per process: after an offer every later cycle returns at once.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "platform/toolkit/Toolkit.h"
#include "tests/platform/toolkit/qt/QtTestSupport.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/TempRegistry.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/ICleanable.h"
#include "tracker/ui/Upgrader.h"

namespace {

using rltest::Answer;
using rltest::fileExists;
using rltest::readFile;
using tracker::ui::BaseRLApp;
using tracker::ui::Upgrader;

const char* const FILES = "https://files.lanternbay.example/components/";

class RecordedCleanUp : public tracker::ui::ICleanable {
public:
    void cleanUp() override { ++count; }
    int count = 0;
};

class UpgradeOnScreenTest : public rltest::ImitationWebTest {
protected:
    void SetUp() override {
        RL_REQUIRE_DISPLAY();
        BaseRLApp::setProcessEnd([this](int status) { ended = status; });
        rltest::TempRegistry::setString("Software\\Lanternbay", "UpgradeCheckURL",
                                        "https://upgrade.lanternbay.example/lanternbay/upgrade.php");
        rltest::writeFile("Lanternbay.versions", "core=12\nskin=3\n");
        rltest::writeFile("Vantrell", "#!/bin/sh\necho \"$@\" > handoff.tmp && mv handoff.tmp handoff.txt\n");
        ::chmod("Vantrell", 0755);
        display = std::make_unique<tk::Display>("qt");
    }

    void TearDown() override {
        display.reset();
        BaseRLApp::setProcessEnd(nullptr);
    }

    rltest::TempWorkDir dir;
    rltest::TempRegistry registry{dir.file("registry")};
    std::unique_ptr<tk::Display> display;
    std::optional<int> ended;
};

TEST_F(UpgradeOnScreenTest, TheQuestionTheProgressWindowAndTheHandOff) {
    // The second download is answered only once the progress window was
    // seen on the screen, so the picture is taken while it downloads.
    std::atomic<bool> progressSeen{false};
    site("upgrade.lanternbay.example")
        .on("POST", "/lanternbay/upgrade.php",
            Answer::page(std::string(FILES) + "\r\ncore=13=core13.zip\r\nskin=4=skin4.zip\r\n"));
    site("files.lanternbay.example")
        .on("GET", "/components/core13.zip", Answer::page("core archive"))
        .on("GET", "/components/skin4.zip", [&progressSeen](const rltest::Request&) {
            rltest::waitFor([&] { return progressSeen.load(); }, 30000);
            return Answer::page("skin archive");
        });

    std::string boxTitle;
    std::string boxText;
    int boxColours = 0;
    rltest::qt::whenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        boxTitle = box->windowTitle().toStdString();
        boxText = box->text().toStdString();
        std::string path = dir.file("upgrade-question.png");
        ASSERT_TRUE(box->grab().save(QString::fromStdString(path), "PNG"));
        boxColours = rltest::qt::keepPicture(path, "upgrade-question");
        ASSERT_NE(box->button(QMessageBox::Yes), nullptr);
        ASSERT_NE(box->button(QMessageBox::No), nullptr);
        box->button(QMessageBox::Yes)->click();
    });

    // The cycle keeps the window's events flowing while it downloads.
    std::string progressTitle;
    std::string statusText;
    int progressColours = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        tk::Shell* shell = Upgrader::getProgressShell();
        if (progressSeen.load() || shell == nullptr || shell->isDisposed()) return;
        QWidget* native = tk::qt::nativeWidget(*shell);
        if (native == nullptr || !native->isVisible()) return;
        auto* status = dynamic_cast<tk::Label*>(shell->getChildren().at(0));
        if (status == nullptr || status->getText().empty()) return;
        progressTitle = native->windowTitle().toStdString();
        statusText = status->getText();
        std::string path = dir.file("upgrade-progress.png");
        if (tk::qt::saveScreenshot(*shell, path)) progressColours = rltest::qt::keepPicture(path, "upgrade-progress");
        progressSeen.store(true);
    });
    watch.start(50);

    RecordedCleanUp app;
    Upgrader::createForPortal(&app, "screen-guid")->go();
    watch.stop();

    EXPECT_EQ(boxTitle, "Lanternbay - Upgrade Available");
    EXPECT_EQ(boxText,
              "There is an upgrade available for Lanternbay. Do you wish to have it automatically downloaded and "
              "installed?\r\n\r\nIf not, you will be asked again the next time that Lanternbay is launched.");
    EXPECT_GT(boxColours, 10);

    ASSERT_TRUE(progressSeen.load()) << "the progress window was never on the screen";
    EXPECT_EQ(progressTitle, "Lanternbay - Upgrade");
    EXPECT_EQ(statusText, "Downloading 2 new component(s)...");
    EXPECT_GT(progressColours, 3);

    EXPECT_EQ(ended, std::optional<int>(0));
    EXPECT_EQ(app.count, 1);
    EXPECT_EQ(Upgrader::getProgressShell(), nullptr) << "the window goes before the hand-off";
    ASSERT_TRUE(rltest::waitFor([] { return fileExists("handoff.txt"); }, 30000));
    EXPECT_EQ(readFile("handoff.txt"), dir.file("upgrades") + " " + dir.path() + " Lanternbay " +
                                           dir.file("upgrades/Lanternbay.versions.tmp") + " " +
                                           dir.file("Lanternbay.versions") + "\n");
    EXPECT_EQ(readFile("upgrades/skin4.zip"), "skin archive");
}

}  // namespace
