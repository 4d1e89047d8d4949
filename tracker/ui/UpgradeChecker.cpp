#include "tracker/ui/UpgradeChecker.h"

#include <stdexcept>

#include "foundation/LogText.h"
#include "foundation/Logger.h"
#include "foundation/StrUtil.h"
#include "foundation/TextBrowser.h"

using foundation::Logger;
using foundation::LogText;

namespace tracker::ui {

std::string UpgradeChecker::getUpgradeDetails() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_upgradeDetails;
}

bool UpgradeChecker::isSecureAddress(const std::string& url) {
    return foundation::StrUtil::startsWithIgnoreCase(url, "https://");
}

void UpgradeChecker::run() {
    BaseNetThread::run();
    try {
        Logger::info("Checking " + LogText::escape(m_upgradeURL) + " for latest versions");
        if (!isSecureAddress(m_upgradeURL)) {
            throw std::invalid_argument("Upgrades are checked over https only: not asking " +
                                        LogText::escape(m_upgradeURL));
        }
        auto browser = getBrowser();
        if (!browser) throw std::logic_error("The checker has no web client");
        std::string reply = browser->doPost(m_upgradeURL, m_versions, -1);
        // The web client follows redirects: the reply counts only when its
        // last hop was https too.
        const auto& answered = browser->getLastLocation();
        if (!answered || !isSecureAddress(*answered)) {
            throw std::runtime_error("Upgrades are checked over https only: the reply came from " +
                                     LogText::escape(answered.value_or("")) + " and is dropped");
        }
        if (!isStopRequested()) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_upgradeDetails = reply;
        }
        Logger::info("Latest versions: " + LogText::excerpt(foundation::StrUtil::replace(reply, "\r\n", "\n")));
    } catch (const std::exception& failure) {
        if (!isStopRequested()) Logger::error("Error while checking for latest versions", failure);
    }
    destroy();
}

}  // namespace tracker::ui
