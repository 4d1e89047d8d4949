#pragma once
// The tracker window of the portal edition: a shell without trim owned by
// the portal's window, placed over it at an offset.

#include <string>

#include "tracker/ui/BaseRLApp.h"

namespace tk {
class Display;
class Shell;
}  // namespace tk

namespace tracker::ui {

class RLAppLanternbay : public BaseRLApp {
public:
    // The portal passes width 581 and x offset 133.
    RLAppLanternbay(tk::Display* display, tk::Shell* hostShell, int width, int height, int xOffset, int yOffset,
                    const std::string& parentUUID);
};

}  // namespace tracker::ui
