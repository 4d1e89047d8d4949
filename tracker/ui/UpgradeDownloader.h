#pragma once
// The worker that downloads one upgrade archive into the upgrades folder,
// under the name its address ends with. One failed download ends the
// others of its controller.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "foundation/BaseNetThread.h"

namespace foundation {
class ThreadController;
}

namespace tracker::ui {

class UpgradeDownloader : public foundation::BaseNetThread {
public:
    // The largest archive downloaded: the most the finisher unpacks from
    // one upgrade (2 GiB); a longer answer fails the download.
    static constexpr int64_t MAX_ARCHIVE_BYTES = int64_t{2} << 30;

    void setURL(const std::string& url) { m_url = url; }
    const std::string& getURL() const { return m_url; }
    void setDownloadDir(const std::string& dir) { m_downloadDir = dir; }
    const std::string& getDownloadDir() const { return m_downloadDir; }
    // Held weakly: the controller holds its workers.
    void setThreadController(const std::shared_ptr<foundation::ThreadController>& controller) {
        m_controller = controller;
    }
    bool isSuccess() const { return m_success.load(std::memory_order_acquire); }

    // The file an address is saved as: its text after the last "/" (the
    // whole address when it has none).
    static std::string fileNameOf(const std::string& url);
    // Whether a file name stays inside the folder it is saved in: not
    // empty, ".", "..", and without "/", "\" or NUL.
    static bool isUsableFileName(const std::string& name);

protected:
    void run() override;

private:
    std::string m_url;
    std::string m_downloadDir;
    std::weak_ptr<foundation::ThreadController> m_controller;
    std::atomic<bool> m_success{false};
};

}  // namespace tracker::ui
