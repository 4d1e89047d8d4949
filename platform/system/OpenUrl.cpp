#include "platform/system/OpenUrl.h"

#include <cctype>
#include <mutex>

#include "platform/system/Process.h"

namespace sys {

namespace {

std::mutex g_openerLock;
std::vector<std::string>& opener() {
    static std::vector<std::string> command{"xdg-open"};
    return command;
}

bool startsWithNoCase(const std::string& text, const char* prefix) {
    size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= text.size()) return false;
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return text.size() > i;
}

}  // namespace

bool isOpenableUrl(const std::string& url) {
    // Control characters never belong in an address handed to another program.
    for (unsigned char c : url) {
        if (c < 0x20 || c == 0x7F) return false;
    }
    return startsWithNoCase(url, "http://") || startsWithNoCase(url, "https://") || startsWithNoCase(url, "mailto:");
}

bool openUrl(const std::string& url) {
    if (!isOpenableUrl(url)) return false;
    std::vector<std::string> argv = getUrlOpener();
    argv.push_back(url);
    startDetached(argv);
    return true;
}

void setUrlOpener(std::vector<std::string> command) {
    std::lock_guard<std::mutex> guard(g_openerLock);
    opener() = command.empty() ? std::vector<std::string>{"xdg-open"} : std::move(command);
}

std::vector<std::string> getUrlOpener() {
    std::lock_guard<std::mutex> guard(g_openerLock);
    return opener();
}

}  // namespace sys
