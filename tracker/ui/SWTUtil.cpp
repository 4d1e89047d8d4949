#include "tracker/ui/SWTUtil.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <system_error>

#include "foundation/HostTable.h"
#include "foundation/Logger.h"
#include "foundation/Messages.h"
#include "foundation/QuietEnd.h"
#include "foundation/StrUtil.h"
#include "platform/system/OpenUrl.h"
#include "platform/toolkit/Toolkit.h"

using foundation::HostTable;
using foundation::Logger;
using foundation::Messages;
using foundation::StrUtil;

namespace tracker::ui {

namespace {

const char* const AD_TRACKING_IMAGE = "AdTracking.image";
const char* const AD_SERVERS[] = {"AdServer1.site", "AdServer2.site", "AdServer3.site"};
const char* const AD_FRAME_MARKERS[] = {"ad-160x600-", "ad-300x250-"};

bool contains(const std::string& text, const std::string& part) {
    return !part.empty() && text.find(part) != std::string::npos;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The local path a file address names: "file://" with an empty or
// "localhost" host (or "file:" and the path alone), its query and fragment
// dropped, percent-decoded. Empty when it is no such address.
std::string localPathOfFileUrl(const std::string& url) {
    if (!StrUtil::startsWithIgnoreCase(url, "file:")) return "";
    std::string rest = url.substr(5);
    if (rest.compare(0, 2, "//") == 0) {
        rest.erase(0, 2);
        const size_t slash = rest.find('/');
        if (slash == std::string::npos) return "";
        const std::string host = rest.substr(0, slash);
        const bool local = host.empty() || (host.size() == 9 && StrUtil::startsWithIgnoreCase(host, "localhost"));
        if (!local) return "";
        rest.erase(0, slash);
    }
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::string path = StrUtil::percentDecode(rest);
    if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) return "";
    return path;
}

// Whether path names a regular file inside the working folder once every
// symbolic link and "." or ".." is resolved; the resolved path is kept.
bool isFileOfWorkingFolder(const std::string& path, std::filesystem::path& resolved) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::canonical(fs::current_path(ec), ec);
    if (ec) return false;
    resolved = fs::canonical(fs::path(path), ec);
    if (ec || !fs::is_regular_file(resolved, ec)) return false;
    const auto [end, unused] = std::mismatch(folder.begin(), folder.end(), resolved.begin(), resolved.end());
    (void)unused;
    return end == folder.end();
}

}  // namespace

// ---- Message boxes ----------------------------------------------------------------

int SWTUtil::showMessageBox(tk::Shell* shell, const std::string& text, const std::string& title, int style) {
    if (shell && !foundation::QuietEnd::isRequested()) {
        try {
            tk::MessageBox box(shell, style);
            box.setText(title);
            box.setMessage(text);
            return box.open();
        } catch (const std::exception& failure) {
            Logger::error("Unable to show the message box \"" + title + "\"", failure);
        }
    }
    Logger::info("Message not shown: " + title + ": " + text);
    return tk::MessageBox::closeAnswer(style);
}

int SWTUtil::showMessageBoxTitleKey(tk::Shell* shell, const std::string& text, const std::string& applicationName,
                                    const std::string& titleKey, int style) {
    return showMessageBox(shell, text, applicationName + " - " + Messages::get(titleKey), style);
}

int SWTUtil::showMessageBoxAllKeys(tk::Shell* shell, const std::string& textKey, const std::string& applicationName,
                                   const std::string& titleKey, int style) {
    return showMessageBoxTitleKey(shell, Messages::get(textKey), applicationName, titleKey, style);
}

// ---- Fonts and colours ------------------------------------------------------------

tk::Font SWTUtil::getBoldedFont(const tk::Font& font) {
    tk::FontData data = font.getFontData();
    data.style |= tk::BOLD;
    return tk::Font(data);
}

void SWTUtil::boldFontOnControl(tk::Control& control) { control.setFont(getBoldedFont(control.getFont())); }

tk::Color SWTUtil::getColor(int systemColourId) {
    tk::Display* display = tk::Display::getCurrent();
    if (!display) display = tk::Display::getDefault();
    return display->getSystemColor(systemColourId);
}

tk::Color SWTUtil::getColor(int red, int green, int blue) { return tk::Color(red, green, blue); }

tk::RGB SWTUtil::hexToRGB(const std::string& text) {
    int parts[3] = {0, 0, 0};
    bool valid = text.size() == 6;
    for (size_t i = 0; valid && i < 6; i += 2) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        valid = high >= 0 && low >= 0;
        parts[i / 2] = high * 16 + low;
    }
    if (!valid) throw std::invalid_argument("Not a colour of six hexadecimal digits: \"" + text + "\"");
    return tk::RGB{parts[0], parts[1], parts[2]};
}

std::string SWTUtil::rgbToHexString(const tk::RGB& rgb) {
    return convertIntToHex(rgb.red) + convertIntToHex(rgb.green) + convertIntToHex(rgb.blue);
}

std::string SWTUtil::convertIntToHex(int value) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    unsigned int rest = static_cast<unsigned int>(value);
    do {
        text.insert(text.begin(), digits[rest % 16]);
        rest /= 16;
    } while (rest != 0);
    while (text.size() < 2) text.insert(text.begin(), '0');
    return text;
}

// ---- Placement ------------------------------------------------------------------------

tk::Point SWTUtil::calculateCenter(const tk::Point& size, const tk::Rectangle& area) {
    return tk::Point{area.x + (area.width - size.x) / 2, area.y + (area.height - size.y) / 2};
}

void SWTUtil::centerComposite(tk::Control& control, const tk::Rectangle& area) {
    control.setLocation(calculateCenter(control.getSize(), area));
}

void SWTUtil::removeSizeMenuItemsFromShell(tk::Shell& shell) { shell.removeSizeCommands(); }

// ---- Browser commands ---------------------------------------------------------------

bool SWTUtil::oleExecNoArgs(tk::Browser& browser, int commandId, int option) {
    return browser.execCommand(commandId, option);
}

// ---- Outside navigation ---------------------------------------------------------------

bool SWTUtil::isURLForAboutBlank(const std::string& url) { return url.compare(0, 11, "about:blank") == 0; }

void SWTUtil::navigateExternally(const std::string& url) {
    if (isURLForAboutBlank(url)) {
        Logger::verbose("Not navigating externally to blank page");
        return;
    }
    const std::string tracking = HostTable::get(AD_TRACKING_IMAGE);
    if (!tracking.empty() && url == tracking) return;
    Logger::verbose("navigateExternally: " + url);
    try {
        if (StrUtil::startsWithIgnoreCase(url, "file:")) {
            // Only the pages the tracker wrote itself open outside; anything
            // else on the disk stays closed.
            std::filesystem::path resolved;
            if (!isFileOfWorkingFolder(localPathOfFileUrl(url), resolved)) {
                Logger::info("Not navigating externally to " + url + ": not a file of the working folder");
            } else if (!sys::openFile(resolved.string())) {
                Logger::info("Not navigating externally to " + url + ": the file cannot be opened");
            }
            return;
        }
        if (!sys::openUrl(url)) Logger::info("Not navigating externally to " + url + ": not a web or mail address");
    } catch (const std::exception& failure) {
        Logger::error("Cannot navigate externally to " + url, failure);
    }
}

void SWTUtil::initializeBrowserForPopups(tk::Display* display, tk::Browser& browser) {
    browser.addOpenWindowListener([display](tk::Event& event) {
        // A shell that is never opened holds the browser that takes the window.
        auto shell = tk::make<tk::Shell>(display, tk::NONE);
        auto hidden = tk::make<tk::Browser>(shell, tk::NONE);
        std::weak_ptr<tk::Shell> weakShell = shell;
        hidden->addVisibilityShowListener([weakShell](tk::Event& shown) {
            auto* popup = static_cast<tk::Browser*>(shown.widget);
            popup->addLocationChangingListener([](tk::Event& changing) {
                if (changing.top) Logger::verbose("Popup changing: " + changing.location);
            });
            popup->addLocationChangedListener([weakShell](tk::Event& changed) {
                if (!changed.top) return;
                Logger::verbose("Popup changed: " + changed.location);
                SWTUtil::navigateExternally(changed.location);
                if (isURLForAboutBlank(changed.location)) return;
                // Handed on: the hidden window has served its purpose.
                auto held = weakShell.lock();
                if (!held || held->isDisposed()) return;
                held->getDisplay()->asyncExec([weakShell] {
                    auto done = weakShell.lock();
                    if (done && !done->isDisposed()) done->dispose();
                });
            });
        });
        event.browser = hidden;
    });
}

bool SWTUtil::isAdAddress(const std::string& url) {
    for (const char* marker : AD_FRAME_MARKERS) {
        if (contains(url, marker)) return true;
    }
    for (const char* role : AD_SERVERS) {
        if (contains(url, HostTable::get(role))) return true;
    }
    return false;
}

void SWTUtil::launchBrowserLinksExternally(tk::Browser& browser, const std::string& keepPrefix) {
    browser.addLocationChangingListener([keepPrefix](tk::Event& event) {
        if (contains(event.location, keepPrefix) || isAdAddress(event.location)) return;
        event.doit = false;
        navigateExternally(event.location);
    });
}

}  // namespace tracker::ui
