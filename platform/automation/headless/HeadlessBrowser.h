#pragma once
// The in-memory automated browser, for tests: a test registers it under the
// browser's ProgID with a page source that answers every address the
// browser loads. Pages are parsed into a document tree (HeadlessDom.h) and
// reached through the same named properties and methods as the visible
// browser's; frames load with their page and complete before it. What the
// program fills, clicks, submits and loads is recorded.
//
// Loads run on the browser's event thread, which also raises its events
// ("DocumentComplete" with the frame's object (the browser for the page
// itself) and the address; "OnQuit"). A newer navigation replaces one not
// yet loaded. Links and submit and image buttons navigate when clicked;
// scripts do not run.
//
//   automation::headless::HeadlessWeb web([](const Fetch& f) { return Response::page("<form>..."); });
//   ... the program creates "InternetExplorer.Application.1" and drives it ...
//   web.waitIdle();
//   for (auto& r : web.browser()->records()) ...

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "platform/automation/EventThread.h"
#include "platform/automation/headless/HeadlessDom.h"

namespace automation::headless {

struct Fetch {
    std::string method;  // "GET" or "POST"
    std::string url;
    std::string body;
};

struct Response {
    int status = 200;
    std::string location;  // a redirect when not empty
    std::string html;
    static Response page(std::string html) { return {200, "", std::move(html)}; }
    static Response redirect(std::string location) { return {302, std::move(location), ""}; }
};

using PageSource = std::function<Response(const Fetch&)>;

// One thing the browser was asked to do or did.
struct Record {
    enum class Kind {
        SetProperty,   // a browser property: name, value
        Navigate,      // asked to load: url, method, body; name "follow" when a link or form led there
        Load,          // a page loaded: url
        Event,         // an event raised: name, url (DocumentComplete)
        Fill,          // a control's value set: element, form, value
        SetAttribute,  // another property of an element set: element, form, name, value
        Click,         // element, form
        Submit,        // form, url (action), method, body, fields; element = the button, if any
        Cookie,        // value
        Quit,
    };
    Record() = default;
    explicit Record(Kind k) : kind(k) {}

    Kind kind = Kind::SetProperty;
    std::string event;    // the address of the event being handled when it happened ("" outside events)
    int eventIndex = -1;  // which event that was (the count of events raised before it), -1 outside
    std::string name;
    std::string value;
    std::string url;
    std::string method;
    std::string body;
    std::string form;    // the form's name, else its id, else "#" + its index; "" outside forms
    int formIndex = -1;  // the form's position among the page's forms
    std::map<std::string, std::string> element;  // "tag" (upper case) and the element's attributes
    std::vector<std::pair<std::string, std::string>> fields;
};

std::string describe(const Record& record);

class HeadlessBrowser;

class HeadlessWeb {
public:
    static constexpr const char* DEFAULT_PROG_ID = "InternetExplorer.Application.1";

    explicit HeadlessWeb(PageSource source, std::string progId = DEFAULT_PROG_ID);
    // Unregisters the ProgID and ends every browser's thread.
    ~HeadlessWeb();
    HeadlessWeb(const HeadlessWeb&) = delete;
    HeadlessWeb& operator=(const HeadlessWeb&) = delete;

    // The next creation fails with this reason (once).
    void failNextCreation(std::string reason);
    size_t browserCount() const;
    // A browser by creation order; the latest by default; nullptr if none.
    std::shared_ptr<HeadlessBrowser> browser(int index = -1) const;
    // Waits until no browser has work queued or running.
    bool waitIdle(int timeoutMs = 10000);

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::string m_progId;
};

class HeadlessBrowser : public Dispatch, public std::enable_shared_from_this<HeadlessBrowser> {
public:
    HeadlessBrowser(PageSource source, std::string progId);
    ~HeadlessBrowser() override;

    Variant get(const std::string& name) override;
    void put(const std::string& name, const Variant& value) override;
    Variant call(const std::string& name, const std::vector<Variant>& args) override;
    std::string progId() const override { return m_progId; }
    int advise(std::shared_ptr<EventSink> sink) override;
    void unadvise(int cookie) override;

    // For tests.
    std::vector<Record> records() const;
    bool property(const std::string& name) const;
    size_t sinkCount() const;
    std::string currentUrl() const;
    bool hasQuit() const;
    // The user closes the window: "OnQuit" is raised.
    void userCloses();
    bool waitIdle(int timeoutMs) { return m_events.waitIdle(timeoutMs); }
    void stop() { m_events.stop(); }

    // A navigation the page itself asks for (a link, a form).
    void follow(const std::string& url, const std::string& method, const std::string& body);

    // Used by the document objects.
    struct State;
    std::shared_ptr<State> state() const { return m_state; }

private:
    void navigate(const std::string& url, const std::string& method, const std::string& body, bool byPage);
    void load(uint64_t serial, Fetch fetch);
    void raise(const std::string& event, std::vector<Variant> args, const std::string& url);

    std::shared_ptr<State> m_state;
    std::string m_progId;
    EventThread m_events;
};

}  // namespace automation::headless
