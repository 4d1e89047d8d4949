#pragma once
// An embedded web browser.
//
// LocationChanging runs before every navigation, the program's own (setUrl)
// included, with Event::location and Event::top (false for a sub-frame); a
// listener clears doit to cancel it. LocationChanged follows each committed
// navigation, ProgressCompleted the load of the top document. A page's
// request for a new window sends OpenWindow: a listener puts the browser
// that takes it into Event::browser (none: the window is refused); that
// browser then gets VisibilityShow before it navigates. setUrl runs the
// changing listeners before it returns; the rest arrives from the event
// loop.

#include "platform/toolkit/Control.h"

#include <functional>
#include <memory>
#include <string>

namespace tk {

class Browser : public Control, private BrowserSite {
public:
    // Commands of execCommand.
    static constexpr int CMD_SAVE_AS = 4;
    static constexpr int CMD_PRINT = 6;
    static constexpr int CMD_PRINT_PREVIEW = 7;
    static constexpr int CMD_PAGE_SETUP = 8;
    static constexpr int OPT_DEFAULT = 0;
    static constexpr int OPT_PROMPT_USER = 1;
    static constexpr int OPT_DONT_PROMPT_USER = 2;

    Browser(Token, Composite* parent, int style);

    // False when a changing listener cancelled it.
    bool setUrl(const std::string& url);
    // The committed address of the top document ("" before the first).
    std::string getUrl() const;
    // Shows markup without the changing listeners.
    bool setText(const std::string& html);
    void refresh();
    bool back();
    bool forward();
    bool isBackEnabled() const;
    bool isForwardEnabled() const;
    void stop();
    // Runs a standard browser command (CMD_*, OPT_*); false when the
    // command is not supported.
    bool execCommand(int command, int option);

    // Listener helpers.
    int addLocationChangingListener(Listener listener) { return addListener(LocationChanging, std::move(listener)); }
    int addLocationChangedListener(Listener listener) { return addListener(LocationChanged, std::move(listener)); }
    int addCompletedListener(Listener listener) { return addListener(ProgressCompleted, std::move(listener)); }
    int addOpenWindowListener(Listener listener) { return addListener(OpenWindow, std::move(listener)); }
    int addVisibilityShowListener(Listener listener) { return addListener(VisibilityShow, std::move(listener)); }
    int addVisibilityHideListener(Listener listener) { return addListener(VisibilityHide, std::move(listener)); }
    int addCloseWindowListener(Listener listener) { return addListener(CloseWindow, std::move(listener)); }

    BrowserPeer* getBrowserPeer() const;

    // Puts a cookie that a web request of the program received into the
    // cookie store the browsers of the calling thread's display share, so
    // that their page loads send it as if they had received it themselves:
    // setCookie is the Set-Cookie field, url the address that set it. User-
    // interface thread only; false on another thread, for a field that sets
    // nothing or an address that is no http or https address.
    static bool setCookie(const std::string& url, const std::string& setCookie);

protected:
    void attach() override;

private:
    TK_CONTROL_SITE_FORWARDS
    bool userChanging(const std::string& location, bool top) override;
    void userChanged(const std::string& location, bool top) override;
    void userCompleted() override;
    BrowserPeer* userOpenWindow() override;
    void userVisibility(bool show) override;
    void userCloseWindow() override;
    void userTitle(const std::string& title) override;

    bool changing(const std::string& location, bool top);
    std::shared_ptr<Browser> openWindow();

    std::string m_url;

    friend class TestDriver;
};

}  // namespace tk
