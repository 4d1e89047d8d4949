#pragma once
// The worker that asks the product server which component versions it
// offers: one POST of the installed versions, the reply kept as text. Only
// https is spoken: an address of another scheme is not asked, and a reply
// that a redirect fetched from one is dropped.

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

    // Whether an address may serve upgrades: https only.
    static bool isSecureAddress(const std::string& url);

protected:
    void run() override;

private:
    std::string m_versions;
    std::string m_upgradeURL;
    mutable std::mutex m_lock;
    std::string m_upgradeDetails;
};

}  // namespace tracker::ui
