#include "platform/toolkit/Browser.h"

#include "platform/system/Ascii.h"
#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Display.h"


namespace tk {

namespace {

bool isWebAddress(const std::string& url) {
    const std::string scheme = sys::asciiLower(url.substr(0, url.find(':')));
    return (scheme == "http" || scheme == "https") && url.compare(scheme.size(), 3, "://") == 0 &&
           url.size() > scheme.size() + 3;
}

// A Set-Cookie field sets something when the part before its first ";"
// holds "=" after a name.
bool setsCookie(const std::string& field) {
    const std::string pair = field.substr(0, field.find(';'));
    const size_t equals = pair.find('=');
    if (equals == std::string::npos) return false;
    for (size_t i = 0; i < equals; ++i) {
        if (!sys::isAsciiSpace(pair[i])) return true;
    }
    return false;
}

}  // namespace

bool Browser::setCookie(const std::string& url, const std::string& setCookie) {
    Display* display = Display::getCurrent();
    if (display == nullptr || display->isDisposed()) return false;
    if (!isWebAddress(url) || !setsCookie(setCookie)) return false;
    for (unsigned char c : setCookie) {
        if (c < 0x20 && c != '\t') return false;
    }
    return display->setBrowserCookie(url, setCookie);
}

Browser::Browser(Token, Composite* parent, int style) : Control(displayOf(parent), parent, style) {}

void Browser::attach() {
    attachTo(getDisplay()->backend().createBrowser(static_cast<BrowserSite&>(*this), *parentPeer(), getStyle()));
}

BrowserPeer* Browser::getBrowserPeer() const { return static_cast<BrowserPeer*>(m_peer.get()); }

bool Browser::changing(const std::string& location, bool top) {
    Event event;
    event.location = location;
    event.top = top;
    sendEvent(LocationChanging, event);
    return event.doit && !isDisposed();
}

bool Browser::setUrl(const std::string& url) {
    checkWidget();
    if (!changing(url, true)) return false;
    apply([&] { getBrowserPeer()->navigate(url); });
    return true;
}

std::string Browser::getUrl() const {
    checkWidget();
    return m_url;
}

bool Browser::setText(const std::string& html) {
    checkWidget();
    apply([&] { getBrowserPeer()->setText(html); });
    return true;
}

void Browser::refresh() {
    checkWidget();
    apply([this] { getBrowserPeer()->refresh(); });
}

bool Browser::back() {
    checkWidget();
    // History steps go through the changing listeners like a click.
    return getBrowserPeer()->back();
}

bool Browser::forward() {
    checkWidget();
    return getBrowserPeer()->forward();
}

bool Browser::isBackEnabled() const {
    checkWidget();
    return getBrowserPeer()->isBackEnabled();
}

bool Browser::isForwardEnabled() const {
    checkWidget();
    return getBrowserPeer()->isForwardEnabled();
}

void Browser::stop() {
    checkWidget();
    apply([this] { getBrowserPeer()->stop(); });
}

bool Browser::execCommand(int command, int option) {
    checkWidget();
    bool done = false;
    getDisplay()->runModal([&] { done = getBrowserPeer()->execCommand(command, option); });
    return done;
}

std::shared_ptr<Browser> Browser::openWindow() {
    Event event;
    sendEvent(OpenWindow, event);
    if (event.browser && event.browser->isDisposed()) return nullptr;
    return event.browser;
}

bool Browser::userChanging(const std::string& location, bool top) {
    bool proceed = false;
    fromUser([&] { proceed = changing(location, top); });
    return proceed;
}

void Browser::userChanged(const std::string& location, bool top) {
    fromUser([&] {
        if (top) m_url = location;
        Event event;
        event.location = location;
        event.top = top;
        sendEvent(LocationChanged, event);
    });
}

void Browser::userCompleted() {
    fromUser([this] { sendEvent(ProgressCompleted); });
}

BrowserPeer* Browser::userOpenWindow() {
    BrowserPeer* taken = nullptr;
    fromUser([&] {
        auto browser = openWindow();
        if (browser) taken = browser->getBrowserPeer();
    });
    return taken;
}

void Browser::userVisibility(bool show) {
    fromUser([&] { sendEvent(show ? VisibilityShow : VisibilityHide); });
}

void Browser::userCloseWindow() {
    fromUser([this] { sendEvent(CloseWindow); });
}

void Browser::userTitle(const std::string& title) {
    fromUser([&] {
        Event event;
        event.text = title;
        sendEvent(TitleChanged, event);
    });
}

}  // namespace tk
