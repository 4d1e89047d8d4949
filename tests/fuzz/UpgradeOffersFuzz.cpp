// The product server's reply to an upgrade check: any installed versions
// file and any reply either fail (the check ends) or give offers that can be
// acted on: every address over https and under the reply's download
// address, every file name usable and its own, every version in the new
// table a number and never older than the installed one.

#include <set>
#include <string>

#include "foundation/StrUtil.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/TempWorkDir.h"
#include "tracker/ui/UpgradeDownloader.h"
#include "tracker/ui/Upgrader.h"

using foundation::StrUtil;
using tracker::ui::UpgradeDownloader;
using tracker::ui::Upgrader;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rlfuzz::enterWorkFolder();
    rlfuzz::Input in(data, size);
    rltest::writeFile("Lanternbay.versions", in.text());
    const std::string details = in.rest();

    Upgrader upgrader(nullptr, "fuzz", "https://upgrade.example/check.php", "Lanternbay", "Lanternbay",
                      "Software\\Lanternbay", "");
    try {
        upgrader.loadVersions("Lanternbay.versions");
    } catch (const std::exception&) {
        return 0;
    }
    const auto installed = upgrader.getVersionsProps();
    try {
        upgrader.takeOffers(details);
    } catch (const std::exception&) {
        return 0;
    }
    const auto& addresses = upgrader.getNecessaryUpgrades();
    if (addresses.empty()) return 0;
    std::set<std::string> names;
    for (const auto& address : addresses) {
        rlfuzz::check(StrUtil::startsWithIgnoreCase(address, "https://"),
                      "an offer not over https: " + rlfuzz::printable(address));
        const std::string name = UpgradeDownloader::fileNameOf(address);
        rlfuzz::check(UpgradeDownloader::isUsableFileName(name), "an unusable file name: " + rlfuzz::printable(name));
        rlfuzz::check(names.insert(name).second, "two offers of " + rlfuzz::printable(name));
        rlfuzz::check(name != "Lanternbay.versions.tmp", "an offer over the versions table");
    }
    for (const auto& [component, version] : upgrader.getVersionsProps()) {
        auto now = StrUtil::parseInt(version);
        rlfuzz::check(now.has_value(), "a version that is no number: " + rlfuzz::printable(version));
        auto before = installed.find(component);
        if (before != installed.end()) {
            rlfuzz::check(*now >= *StrUtil::parseInt(before->second), "an older version for " + component);
        }
    }
    return 0;
}
