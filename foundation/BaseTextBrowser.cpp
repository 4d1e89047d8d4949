#include "foundation/BaseTextBrowser.h"

#include <algorithm>
#include <chrono>

#include "foundation/Logger.h"
#include "foundation/SecretMask.h"
#include "foundation/ThreadUtil.h"

namespace foundation {

BaseTextBrowser::BaseTextBrowser(bool persistDownloads, int niceLevelMs)
    : m_niceLevel(niceLevelMs), m_persistDownloads(persistDownloads) {
    touch();
}

int64_t BaseTextBrowser::currentTimeMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string BaseTextBrowser::repairURL(const std::string& url) const {
    if (url.find(' ') == std::string::npos) return url;
    Logger::verbose("Replacing spaces in URL with +: " + SecretMask::mask(url, m_secrets));
    std::string repaired = url;
    std::replace(repaired.begin(), repaired.end(), ' ', '+');
    return repaired;
}

void BaseTextBrowser::postProcessDownload(const std::string& content) {
    m_firstDownload = false;
    if (m_persistDownloads) persistPage(content);
}

void BaseTextBrowser::beNice(int ms) {
    if (m_firstDownload) return;
    int wait = std::max(m_niceLevel, ms);
    if (wait > 0) ThreadUtil::sleepWithoutAlarm(wait);
}

std::string BaseTextBrowser::dumpFileStem(const std::string& name) {
    std::string stem = name;
    for (char& c : stem) {
        bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                    c == '_' || c == '@' || c == '-';
        if (!keep) c = '_';
    }
    return stem;
}

std::string BaseTextBrowser::repairLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 10);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && i > 0 && text[i - 1] != '\r') out += '\r';
        out += text[i];
    }
    return out;
}

void BaseTextBrowser::persistPage(const std::string& content) {
    std::string file = dumpFileStem(m_name) + "-" + std::to_string(m_persistCount) + "-" +
                       std::to_string(currentTimeMillis()) + ".html";
    Logger::verbose("Writing to file: " + file);
    Logger::writeFile(file, SecretMask::mask(content, m_secrets));
    ++m_persistCount;
}

}  // namespace foundation
