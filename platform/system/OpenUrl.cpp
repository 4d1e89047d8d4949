#include "platform/system/OpenUrl.h"

#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/system/Ascii.h"
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
        if (toAsciiLower(text[i]) != prefix[i]) return false;
    }
    return text.size() > i;
}

}  // namespace

std::string fileUrlOf(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                            c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 0x0F];
        }
    }
    return url;
}

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

bool openFile(const std::string& path) {
    if (path.empty() || path[0] != '/') return false;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::path(path), ec)) return false;
    std::vector<std::string> argv = getUrlOpener();
    argv.push_back(fileUrlOf(path));
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
