#include "tracker/ui/UpgradeChecker.h"

#include <stdexcept>

#include "foundation/Logger.h"
#include "foundation/StrUtil.h"
#include "foundation/TextBrowser.h"

using foundation::Logger;

namespace tracker::ui {

std::string UpgradeChecker::getUpgradeDetails() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_upgradeDetails;
}

void UpgradeChecker::run() {
    BaseNetThread::run();
    try {
        Logger::info("Checking " + m_upgradeURL + " for latest versions");
        auto browser = getBrowser();
        if (!browser) throw std::logic_error("The checker has no web client");
        std::string reply = browser->doPost(m_upgradeURL, m_versions, -1);
        if (!isStopRequested()) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_upgradeDetails = reply;
        }
        Logger::info("Latest versions: " + foundation::StrUtil::replace(reply, "\r\n", "\n"));
    } catch (const std::exception& failure) {
        if (!isStopRequested()) Logger::error("Error while checking for latest versions", failure);
    }
    destroy();
}

}  // namespace tracker::ui
