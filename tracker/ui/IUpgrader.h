#pragma once
// One upgrade cycle of an edition: check, ask, download, hand over. go()
// returns when there is nothing to install or the user declined; otherwise
// the process ends inside it.

namespace tracker::ui {

class IUpgrader {
public:
    virtual ~IUpgrader() = default;
    virtual void go() = 0;
};

}  // namespace tracker::ui
