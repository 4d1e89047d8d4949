#include "tracker/ui/RLAppLanternbay.h"

#include "platform/toolkit/Shell.h"
#include "platform/toolkit/Style.h"
#include "tracker/ui/SetupDialog.h"

namespace tracker::ui {

RLAppLanternbay::RLAppLanternbay(tk::Display* display, tk::Shell* hostShell, int width, int height, int xOffset,
                                 int yOffset, const std::string& parentUUID) {
    init(APP_TYPE_LANTERNBAY, display, hostShell, tk::NO_TRIM, true, true, parentUUID, nullptr);
    if (!getComposite()) return;
    setSize(width, height);
    const tk::Point host = hostShell->getLocation();
    setLocation(host.x + xOffset, host.y + yOffset);
    show();
    if (auto dialog = getSetupDialog()) dialog->moveAbove(hostShell);
}

}  // namespace tracker::ui
