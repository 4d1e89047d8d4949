#include "platform/system/OpenUrl.h"

#include <mutex>
#include <system_error>

#include "platform/system/Process.h"

namespace sys {

namespace {

std::mutex g_openerMutex;
std::vector<std::string> g_opener;

bool startsWithScheme(const std::string& url, const std::string& scheme) {
    if (url.size() <= scheme.size()) return false;
    for (size_t i = 0; i < scheme.size(); ++i) {
        char c = url[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != scheme[i]) return false;
    }
    return true;
}

}  // namespace

bool isExternallyOpenable(const std::string& url) {
    return startsWithScheme(url, "http:") || startsWithScheme(url, "https:") || startsWithScheme(url, "mailto:");
}

bool openUrlExternally(const std::string& url) {
    if (!isExternallyOpenable(url)) return false;
    std::vector<std::string> argv;
    {
        std::lock_guard<std::mutex> guard(g_openerMutex);
        argv = g_opener.empty() ? std::vector<std::string>{"xdg-open"} : g_opener;
    }
    argv.push_back(url);
    try {
        startDetached(argv);
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void setUrlOpener(std::vector<std::string> command) {
    std::lock_guard<std::mutex> guard(g_openerMutex);
    g_opener = std::move(command);
}

}  // namespace sys
