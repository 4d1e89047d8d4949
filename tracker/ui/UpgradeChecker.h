#pragma once
// The worker that asks the product server which component versions it
// offers: one POST of the installed versions, the reply kept as text.

#include <mutex>
#include <string>

#include "foundation/BaseNetThread.h"

namespace tracker::ui {

class UpgradeChecker : public foundation::BaseNetThread {
public:
    void setVersions(const std::string& versions) { m_versions = versions; }
    void setUpgradeURL(const std::string& url) { m_upgradeURL = url; }
    // The reply; "" until one arrived.
    std::string getUpgradeDetails() const;

protected:
    void run() override;

private:
    std::string m_versions;
    std::string m_upgradeURL;
    mutable std::mutex m_lock;
    std::string m_upgradeDetails;
};

}  // namespace tracker::ui
