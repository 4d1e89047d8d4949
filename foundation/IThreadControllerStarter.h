#pragma once
// Whoever starts a ThreadController is told through this once its run ends.

namespace foundation {

class IThreadControllerStarter {
public:
    virtual ~IThreadControllerStarter() = default;
    // Called once per run, from the controller's thread, also after a
    // failure inside the controller.
    virtual void threadsCompleted() = 0;
};

}  // namespace foundation
