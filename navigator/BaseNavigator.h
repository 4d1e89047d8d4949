#pragma once
// The base of every site navigator: it starts a visible browser through
// automation, keeps it quiet while the site logic drives it, hands each
// completed page to the site logic and, when that is finished, leaves the
// browser open in the user's hands.
//
// Events arrive on the browser's event thread and are handled one at a
// time under IEEvents' lock; the launcher's wait loop reads isDone from
// the main thread.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "navigator/HTMLDocument.h"
#include "platform/automation/DispatchEvents.h"

namespace navigator {

class IEEvents;

class BaseNavigator {
public:
    static constexpr const char* INTERNET_EXPLORER_PROG_ID = "InternetExplorer.Application.1";

    // Starts the browser: visible, quiet, without address bar.
    BaseNavigator();
    virtual ~BaseNavigator();
    BaseNavigator(const BaseNavigator&) = delete;
    BaseNavigator& operator=(const BaseNavigator&) = delete;

    virtual void setSilent(bool silent);
    virtual void setMenuBarVisible(bool visible);
    virtual void setDocument(std::shared_ptr<HTMLDocument> doc);
    virtual void setBrowserVisible(bool visible);
    virtual void setBooleanProperty(const std::string& name, bool value);
    virtual void setAddressBarVisible(bool visible);
    virtual void onDocumentCompleteImpl(const std::string& url) = 0;
    virtual void onDocumentComplete(const automation::DispatchPtr& frame, const automation::Variant& url);
    // Shows the browser if it is hidden and lets its dialogs show again.
    virtual void notifyComplete();
    // "Navigate" with flags, target frame, post data and headers; a failure
    // is written to standard output and goes no further.
    virtual void navigate(const std::string& url, const std::string& postData);
    virtual void navigate(const std::string& url);
    virtual bool isDone();
    virtual void go();
    virtual std::string getInitialURL() = 0;
    // Done; the browser is left visible and talkative, and released.
    virtual void dispose();
    virtual void closeExternalBrowser();

    // A page handler's failure: logged, and the navigator is done.
    void abandon(const std::exception& failure);
    // Waits for a page handler in progress and disconnects the events: no
    // handler runs for this navigator afterwards. Its owner calls it before
    // letting it go (the site logic may still be finishing when isDone
    // already answers true).
    void stopEvents();

protected:
    // Log texts pass through here; the family masks the credentials.
    virtual std::string maskSecrets(const std::string& text) const { return text; }
    void setDone() { m_done.store(true); }
    // The browser's dispatch; a failure once it has been released.
    automation::Dispatch& browser();

    automation::DispatchPtr m_ie;
    automation::DispatchPtr m_dispatch;
    std::shared_ptr<IEEvents> m_ieEvents;
    std::unique_ptr<automation::DispatchEvents> m_dispatchEvents;
    std::shared_ptr<HTMLDocument> m_doc;
    std::shared_ptr<HTMLElementCollection> m_all;
    std::atomic<bool> m_done{false};

};

// "message: " and the failure's description, on one entry.
std::string failureText(const std::string& message, const std::exception& failure);

}  // namespace navigator
