// bare-web-view URL [--width W --height H] [--colours]
//
// The floor of any program built on the embedded browser: a Qt program that
// shows one web view of a page and nothing else. Prints "painted N" (ms from
// the start of the process to the page shown: loaded, its document answering
// a script, the view drawn; with --colours also its top 120 pixels showing 8
// colours on the screen, as the portal's figure counts a painted pane) and
// "peak N MiB" (the peak resident size of this process and the web engine's
// processes), then ends.

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "bench/PeakMemory.h"
#include "tests/support/Pictures.h"

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point g_start = Clock::now();

long long sinceStart() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - g_start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: bare-web-view URL [--width W --height H] [--colours]\n";
        return 2;
    }
    int width = 800;
    int height = 600;
    bool colours = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--width") == 0 && i + 1 < argc) {
            width = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--height") == 0 && i + 1 < argc) {
            height = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--colours") == 0) {
            colours = true;
        }
    }
    rlbench::PeakSampler peak;
    QApplication app(argc, argv);
    QWebEngineView view;
    view.resize(width, height);
    view.move(0, 0);
    int status = 1;
    long long painted = -1;
    auto finish = [&](int code) {
        status = code;
        app.quit();
    };
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&] { finish(1); });
    limit.start(60000);

    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (view.grab().isNull()) return;
        if (colours) {
            const QPoint corner = view.mapToGlobal(QPoint(0, 0));
            const QImage screen =
                QGuiApplication::primaryScreen()->grabWindow(0, corner.x(), corner.y(), width, height).toImage();
            if (rltest::colours(screen, QRect(0, 0, width, 120), 1, 8) < 8) return;
        }
        poll.stop();
        painted = sinceStart();
        finish(0);
    });
    QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool ok) {
        if (!ok) {
            finish(1);
            return;
        }
        // Loaded and its document answers a script, as the programs' figures count it.
        view.page()->runJavaScript("document.readyState", [&](const QVariant&) { poll.start(); });
    });
    view.load(QUrl(QString::fromStdString(argv[1])));
    view.show();
    app.exec();
    const double mib = peak.stop();
    if (status == 0) std::cout << "painted " << painted << "\npeak " << mib << " MiB" << std::endl;
    return status;
}
