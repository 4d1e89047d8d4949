#pragma once
// What a window asks of its edition's upgrade client: one upgrade cycle.

namespace tracker::ui {

class IUpgrader {
public:
    virtual ~IUpgrader() = default;
    // Checks for newer components and, when the user agrees, downloads them
    // and hands them to the finisher, which ends the process.
    virtual void go() = 0;
};

}  // namespace tracker::ui
