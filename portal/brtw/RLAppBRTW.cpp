#include "portal/brtw/RLAppBRTW.h"

#include "platform/toolkit/Style.h"
#include "tracker/ui/IUpgrader.h"

namespace portal {

RLAppBRTW::RLAppBRTW(tk::Display* display, tk::Shell* shell, int width, int height, int x, int y,
                     const std::string& parentUUID, tracker::ui::IWrapper* wrapper) {
    init(APP_TYPE_BRTW, display, shell, tk::NONE, true, true, parentUUID, wrapper);
    if (!getComposite()) return;
    setSize(width, height);
    setLocation(x, y);
}

std::string RLAppBRTW::getAdFilter() { return AD_FILTER; }

std::shared_ptr<tracker::ui::IUpgrader> RLAppBRTW::getUpgraderInstance(tracker::ui::ICleanable*) {
    // Without an upgrade client in the program no upgrade is offered; the
    // edition's client checks "/roamledger/brtw/upgrade.php" on the product
    // server for the program "BRTWRL" under the registry prefix "BRTW".
    return nullptr;
}

}  // namespace portal
