#include "portal/MessageCenter.h"

#include <memory>

#include "foundation/Logger.h"
#include "platform/system/NumberText.h"
#include "platform/toolkit/Toolkit.h"
#include "portal/LBApp.h"
#include "tracker/ui/SWTUtil.h"

namespace portal {

using foundation::Logger;

namespace {

// The whole number between the marker and the next "&" after it.
int parseValue(const std::string& url, const std::string& marker) {
    const size_t start = url.find(marker);
    if (start == std::string::npos) throw std::invalid_argument(marker + " is missing");
    const size_t from = start + marker.size();
    const size_t end = url.find('&', from);
    if (end == std::string::npos) throw std::invalid_argument(marker + " is not ended by &");
    const std::string text = url.substr(from, end - from);
    const std::optional<int> value = sys::parseNumber<int>(text);
    if (!value) throw std::invalid_argument(marker + " is not a number");
    return *value;
}

}  // namespace

tk::Point MessageCenter::contentSize(const std::string& url) {
    tk::Point size{DEFAULT_WIDTH, DEFAULT_HEIGHT};
    try {
        size.x = parseValue(url, "w=");
        size.y = parseValue(url, "h=");
    } catch (const std::exception&) {
        Logger::error("Unable to parse size from message center URL: " + url);
    }
    return size;
}

MessageCenter::MessageCenter(tk::Display* display, tk::Shell* parentShell, const std::string& url) {
    auto shell = tk::make<tk::Shell>(parentShell, tk::TOOL | tk::TITLE | tk::CLOSE | tk::APPLICATION_MODAL);
    shell->setText(TITLE);
    auto browser = tk::make<tk::Browser>(shell, tk::NONE);
    const tk::Point size = contentSize(url);
    browser->setBounds(0, 0, size.x + 18, size.y + 22);
    browser->setUrl(url);
    // Only now: the first load of the message page is never acted on.
    std::weak_ptr<tk::Shell> weak = shell;
    browser->addLocationChangingListener([weak](tk::Event& event) {
        // The page's own frames load in place.
        if (!event.top) return;
        Logger::info("Message center URL clicked: " + event.location);
        event.doit = false;
        if (event.location.find("CloseWindow") == std::string::npos) {
            LBApp::navigateExternally(event.location);
            return;
        }
        auto held = weak.lock();
        if (!held || held->isDisposed()) return;
        held->getDisplay()->asyncExec([weak] {
            auto done = weak.lock();
            if (done && !done->isDisposed()) done->dispose();
        });
    });
    tracker::ui::SWTUtil::initializeBrowserForPopups(display, *browser);
    shell->setSize(size.x + 8, size.y + 23);
    const tk::Point parent = parentShell->getLocation();
    shell->setLocation(parent.x + LBApp::SHELL_WIDTH - shell->getSize().x,
                       parent.y + 686 - shell->getSize().y);
    shell->open();
    while (!shell->isDisposed()) {
        if (!display->readAndDispatch()) display->sleep();
    }
}

}  // namespace portal
