#include "tracker/ui/UpgradeDownloader.h"

#include <stdexcept>

#include "foundation/LogText.h"
#include "foundation/Logger.h"
#include "foundation/TextBrowser.h"
#include "foundation/ThreadController.h"
#include "tracker/ui/UpgradeChecker.h"

using foundation::Logger;
using foundation::LogText;

namespace tracker::ui {

std::string UpgradeDownloader::fileNameOf(const std::string& url) {
    auto slash = url.find_last_of('/');
    return slash == std::string::npos ? url : url.substr(slash + 1);
}

bool UpgradeDownloader::isUsableFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

void UpgradeDownloader::run() {
    BaseNetThread::run();
    m_success.store(false, std::memory_order_release);
    std::string fileName = fileNameOf(m_url);
    const std::string shownURL = LogText::escape(m_url);
    const std::string shownName = LogText::escape(fileName);
    try {
        if (!isUsableFileName(fileName)) {
            throw std::invalid_argument("The address names no file that can be saved: \"" + shownName + "\"");
        }
        // The web client's downloads follow no redirect, so the address
        // asked is the one that answers.
        if (!UpgradeChecker::isSecureAddress(m_url)) {
            throw std::invalid_argument("Upgrades are downloaded over https only: " + shownURL + " is refused");
        }
        Logger::info("Downloading upgrade - " + shownURL + " to " + m_downloadDir + "/" + shownName);
        auto browser = getBrowser();
        if (!browser) throw std::logic_error("The downloader has no web client");
        browser->doDownloadBinaryFileWithThrow(m_url, m_downloadDir + "/" + fileName, false, MAX_ARCHIVE_BYTES);
        Logger::info("Finished downloading " + shownName);
        if (!isStopRequested()) m_success.store(true, std::memory_order_release);
    } catch (const std::exception& failure) {
        if (!isStopRequested()) {
            Logger::error("Error while downloading " + shownURL + " to " + m_downloadDir, failure);
            if (auto controller = m_controller.lock()) controller->forceThreadsToEnd();
        }
    }
    destroy();
}

}  // namespace tracker::ui
