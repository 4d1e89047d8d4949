#include "portal/brtw/RLAppBRTW.h"

#include "platform/toolkit/Style.h"
#include "tracker/ui/Upgrader.h"

namespace portal {

RLAppBRTW::RLAppBRTW(tk::Display* display, tk::Shell* shell, int width, int height, int x, int y,
                     const std::string& parentUUID, tracker::ui::IWrapper* wrapper) {
    init(APP_TYPE_BRTW, display, shell, tk::NONE, true, true, parentUUID, wrapper);
    if (!getComposite()) return;
    setSize(width, height);
    setLocation(x, y);
}

std::string RLAppBRTW::getAdFilter() { return AD_FILTER; }

std::shared_ptr<tracker::ui::IUpgrader> RLAppBRTW::getUpgraderInstance(tracker::ui::ICleanable* cleanable) {
    return tracker::ui::Upgrader::createForBrightwire(cleanable);
}

}  // namespace portal
