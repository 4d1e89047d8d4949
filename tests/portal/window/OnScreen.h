#pragma once
// Waiting for the portal's panes on real windows (the Qt backend): a page
// counts as painted once the pane has committed it, its document answers a
// script, and the window was drawn after that. Shared by the on-screen
// test and the start-up benchmark.

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/toolkit/Toolkit.h"
#include "platform/toolkit/qt/QtAccess.h"
#include "tests/support/Pictures.h"
#include "tests/support/Wait.h"

namespace rltest::onscreen {

// Waits until the browser shows url and the window holding it was drawn
// with the page; false when that did not happen within timeoutMs.
inline bool waitUntilPainted(tk::Display& display, tk::Browser& browser, const std::string& url, int timeoutMs) {
    timeoutMs = rltest::scaled(timeoutMs);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto left = [&until] {
        return static_cast<int>(std::max<int64_t>(
            0, std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count()));
    };
    if (!tk::qt::runUntil(display, [&] { return browser.getUrl() == url; }, timeoutMs)) return false;
    for (;;) {
        const auto ready = tk::qt::runScript(browser, "document.readyState", left());
        if (ready && *ready == "complete") break;
        if (left() == 0) return false;
    }
    return !tk::qt::nativeWidget(*browser.getShell())->grab().isNull();
}

// What the screen shows inside the rectangle (a shell's bounds), with the
// windows above it; a null image when there is no screen.
inline QImage grabScreen(const tk::Rectangle& area) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return QImage();
    return screen->grabWindow(0, area.x, area.y, area.width, area.height).toImage();
}

}  // namespace rltest::onscreen
