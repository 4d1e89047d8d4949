#pragma once
// An application's own clean-up, run just before the process ends for an
// upgrade.

namespace tracker::ui {

class ICleanable {
public:
    virtual ~ICleanable() = default;
    virtual void cleanUp() = 0;
};

}  // namespace tracker::ui
