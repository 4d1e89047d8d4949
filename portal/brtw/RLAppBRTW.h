#pragma once
// The tracker window of the Brightwire edition: a panel inside the edition's
// outer window, which it reaches through its IWrapper. It upgrades itself
// through the upgrade client with the edition's own check address, and its
// ad frames are the pages "brtw/ad-..." of the working folder.

#include <memory>
#include <string>

#include "tracker/ui/BaseRLApp.h"

namespace tk {
class Display;
class Shell;
}  // namespace tk

namespace portal {

class RLAppBRTW : public tracker::ui::BaseRLApp {
public:
    static constexpr const char* AD_FILTER = "brtw/ad-";

    // Builds the panel in shell, sized width x height and placed at (x, y)
    // (y moved by the wrapper's title-bar difference when there is one).
    RLAppBRTW(tk::Display* display, tk::Shell* shell, int width, int height, int x, int y,
              const std::string& parentUUID, tracker::ui::IWrapper* wrapper);

    std::string getAdFilter() override;
    std::shared_ptr<tracker::ui::IUpgrader> getUpgraderInstance(tracker::ui::ICleanable* cleanable) override;
};

}  // namespace portal
