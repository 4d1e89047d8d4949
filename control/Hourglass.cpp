#include "control/Hourglass.h"

#include <vector>

#include "platform/toolkit/Display.h"
#include "platform/toolkit/Shell.h"
#include "platform/toolkit/Style.h"

namespace tiraleaf {

namespace {

std::optional<int> g_shape;

void pointTo(tk::Shell* shell, const std::optional<tk::Cursor>& cursor) {
    if (shell == nullptr || shell->isDisposed()) return;
    shell->setCursor(cursor);
    for (tk::Shell* child : shell->getShells()) pointTo(child, cursor);
}

}  // namespace

Hourglass::Hourglass() { SetScreenPointer(tk::CURSOR_WAIT); }

Hourglass::~Hourglass() {
    try {
        SetScreenPointer(std::nullopt);
    } catch (...) {
        // The pointer stays as it is when the display went away meanwhile.
    }
}

void Hourglass::SetScreenPointer(std::optional<int> shape) {
    g_shape = shape;
    tk::Display* display = tk::Display::getCurrent();
    if (display == nullptr || display->isDisposed()) return;
    std::optional<tk::Cursor> cursor;
    if (shape) cursor = tk::Cursor(*shape);
    for (tk::Shell* shell : display->getShells()) pointTo(shell, cursor);
}

std::optional<int> Hourglass::GetScreenPointer() { return g_shape; }

}  // namespace tiraleaf
