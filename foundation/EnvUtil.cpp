#include "foundation/EnvUtil.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <vector>

#include "foundation/RegistryUtil.h"
#include "foundation/StrUtil.h"

namespace foundation {

namespace {

const char* const UNKNOWN = "Unknown";
const char* const PROCESSOR_KEY = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
constexpr int DEFAULT_TITLE_BAR_HEIGHT = 26;

struct Providers {
    std::mutex mutex;
    std::function<std::pair<int, int>()> resolution;
    std::function<int()> titleBarHeight;
};

Providers& providers() {
    static Providers p;
    return p;
}

std::string machineString(const std::string& path, const std::string& name) {
    return RegistryUtil::getLocalMachineInstance(path).getString(name, UNKNOWN);
}

}  // namespace

std::string EnvUtil::getOperatingSystem() {
    struct utsname un {};
    if (::uname(&un) != 0 || !*un.sysname) return UNKNOWN;
    return un.sysname;
}

std::string EnvUtil::getWorkingDirectory(bool withSeparator) {
    std::vector<char> buf(4096);
    std::string dir;
    while (true) {
        if (::getcwd(buf.data(), buf.size())) {
            dir = buf.data();
            break;
        }
        if (errno != ERANGE) {
            // A folder without a name is still the working folder.
            dir = ".";
            break;
        }
        buf.resize(buf.size() * 2);
    }
    if (withSeparator && (dir.empty() || dir.back() != '/')) dir += '/';
    return dir;
}

std::string EnvUtil::getResolution() {
    std::function<std::pair<int, int>()> provider;
    {
        std::lock_guard<std::mutex> guard(providers().mutex);
        provider = providers().resolution;
    }
    if (!provider) return UNKNOWN;
    try {
        auto [width, height] = provider();
        if (width <= 0 || height <= 0) return UNKNOWN;
        return std::to_string(width) + "x" + std::to_string(height);
    } catch (...) {
        return UNKNOWN;
    }
}

void EnvUtil::setResolutionProvider(std::function<std::pair<int, int>()> provider) {
    std::lock_guard<std::mutex> guard(providers().mutex);
    providers().resolution = std::move(provider);
}

std::string EnvUtil::getOperatingSystemDetails() {
    std::string servicePack = machineString("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CSDVersion");
    if (servicePack != UNKNOWN) return servicePack;
    auto key = RegistryUtil::getLocalMachineInstance("SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
    std::string version = key.getString("VersionNumber", UNKNOWN);
    if (version == UNKNOWN) return UNKNOWN;
    return version + " " + StrUtil::trim(key.getString("SubVersionNumber", UNKNOWN));
}

std::string EnvUtil::getMHz() { return machineString(PROCESSOR_KEY, "~MHz"); }

std::string EnvUtil::getProcessorName() {
    std::string name = machineString(PROCESSOR_KEY, "ProcessorNameString");
    if (name == UNKNOWN) name = machineString(PROCESSOR_KEY, "Identifier");
    return StrUtil::trim(name);
}

std::string EnvUtil::getIEVersion() { return machineString("SOFTWARE\\Microsoft\\Internet Explorer", "Version"); }

std::string EnvUtil::getJavaScriptEnabled(const std::string& zone) {
    int setting = RegistryUtil::getLocalMachineInstance(
                      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\" + zone)
                      .getInt("1400", -1);
    switch (setting) {
        case 0: return "Enabled";
        case 1: return "Prompt";
        case 3: return "Disabled";
        default: return UNKNOWN;
    }
}

int EnvUtil::getTitleBarHeight() {
    std::function<int()> provider;
    {
        std::lock_guard<std::mutex> guard(providers().mutex);
        provider = providers().titleBarHeight;
    }
    if (!provider) return DEFAULT_TITLE_BAR_HEIGHT;
    try {
        int height = provider();
        return height > 0 ? height : DEFAULT_TITLE_BAR_HEIGHT;
    } catch (...) {
        return DEFAULT_TITLE_BAR_HEIGHT;
    }
}

void EnvUtil::setTitleBarHeightProvider(std::function<int()> provider) {
    std::lock_guard<std::mutex> guard(providers().mutex);
    providers().titleBarHeight = std::move(provider);
}

}  // namespace foundation
