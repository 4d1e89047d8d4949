#pragma once
// The screen pointer: shown as the hourglass for the life of an Hourglass,
// and set by hand where the control's steps say so. The pointer of every
// window of the calling thread's display changes.

#include <optional>

namespace tiraleaf {

class Hourglass {
public:
    Hourglass();
    ~Hourglass();
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;

    // A pointer shape (tk::CURSOR_WAIT, tk::CURSOR_APPSTARTING, ...); nothing
    // for the normal pointer.
    static void SetScreenPointer(std::optional<int> shape);
    // The shape last set; nothing for the normal pointer.
    static std::optional<int> GetScreenPointer();
};

}  // namespace tiraleaf
