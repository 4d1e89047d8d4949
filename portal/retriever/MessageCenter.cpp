#include "portal/retriever/MessageCenter.h"

#include "foundation/AsynchURL.h"
#include "foundation/HostTable.h"
#include "foundation/Logger.h"
#include "foundation/StrUtil.h"
#include "tracker/core/BaseEngine.h"

namespace portal::retriever {

using foundation::Logger;
using foundation::StrUtil;

namespace {

const char* const LOCAL = "**LOCAL**";

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

std::optional<std::string> MessageCenter::getFoundURL() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_found;
}

std::optional<std::string> MessageCenter::addressFromAnswer(const std::string& answer,
                                                            const std::string& productServer,
                                                            const std::string& contentRoot) {
    for (char c : answer) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return std::nullopt;
    }
    if (!startsWith(answer, "http://") && !startsWith(answer, "https://") && !startsWith(answer, LOCAL)) {
        return std::nullopt;
    }
    const bool local = StrUtil::contains(answer, LOCAL);
    if (!local && !StrUtil::contains(answer, productServer + "/lanternbay") && !StrUtil::contains(answer, "guid=")) {
        return std::nullopt;
    }
    if (!local) return answer;
    return StrUtil::replace(answer, LOCAL, tracker::BaseEngine::toFileURL(contentRoot));
}

void MessageCenter::retrieve() {
    // The manual flag does not bypass this interval.
    if (updatedWithin(INTERVAL_MS, "MessageCenter", false)) return;
    const std::string productServer = foundation::HostTable::get("ProductServer.site");
    const std::string url = productServer + "/lanternbay/messagecenter.php?version=20060430&guid=" +
                            foundation::AsynchURL::formEncode(getParam());
    Logger::info("Checking Message center at: " + url);
    const std::string answer = StrUtil::trim(fetch(url));

    if (!answer.empty()) {
        std::optional<std::string> address = addressFromAnswer(answer, productServer, getContentRoot());
        if (!address) {
            Logger::info("Message center URL does not appear to be valid: " + answer);
            reportError("Invalid Message center URL: " + answer);
        } else if (*address == answer) {
            Logger::info("Message center URL to visit: " + *address);
        } else {
            Logger::info("Message center URL to visit (translated): " + *address);
        }
        std::lock_guard<std::mutex> guard(m_lock);
        m_found = std::move(address);
    }
    markUpdated(false);
}

void MessageCenter::handleFailure(const std::exception& failure) {
    Logger::error("Error checking message center", failure);
}

}  // namespace portal::retriever
