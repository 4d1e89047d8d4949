#pragma once
// Facts about the machine for reports: operating system, working folder,
// screen, processor, browser. An unavailable fact is "Unknown", never a
// failure. Machine facts are read from the local-machine registry root.

#include <functional>
#include <string>
#include <utility>

namespace foundation {

class EnvUtil {
public:
    // The operating system's name ("Linux").
    static std::string getOperatingSystem();
    // The working folder; with withSeparator a "/" is added unless it ends
    // with one. File paths use true, reports false.
    static std::string getWorkingDirectory(bool withSeparator);
    static std::string getWorkingDirectory() { return getWorkingDirectory(true); }
    // The screen as width "x" height, from the window layer's provider;
    // "Unknown" while there is none.
    static std::string getResolution();
    static void setResolutionProvider(std::function<std::pair<int, int>()> provider);
    // The service-pack text, else the version number and its sub-version.
    static std::string getOperatingSystemDetails();
    static std::string getMHz();
    static std::string getProcessorName();
    // The embedded browser's version.
    static std::string getIEVersion();
    // "Enabled", "Prompt", "Disabled" or "Unknown" for a browser zone.
    static std::string getJavaScriptEnabled(const std::string& zone);
    // A window caption's height in pixels from the window layer's provider;
    // 26 while there is none.
    static int getTitleBarHeight();
    static void setTitleBarHeightProvider(std::function<int()> provider);
};

}  // namespace foundation
