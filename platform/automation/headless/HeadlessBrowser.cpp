#include "platform/automation/headless/HeadlessBrowser.h"

#include <algorithm>

#include "platform/automation/Automation.h"
#include "platform/automation/AutomationException.h"
#include "platform/automation/Names.h"

namespace automation::headless {

struct HeadlessBrowser::State {
    mutable std::recursive_mutex lock;
    PageSource source;
    std::weak_ptr<HeadlessBrowser> browser;
    std::shared_ptr<Document> document;
    std::map<std::string, bool> properties{{"visible", false}, {"silent", false}, {"menubar", true},
                                           {"addressbar", true}};
    std::vector<Record> records;
    std::string currentEvent;
    int currentEventIndex = -1;
    int events = 0;
    std::map<int, std::shared_ptr<EventSink>> sinks;
    int lastCookie = 0;
    std::recursive_mutex delivering;
    uint64_t navigation = 0;
    bool quit = false;
    std::string cookie;

    void record(Record r) {
        std::lock_guard<std::recursive_mutex> guard(lock);
        r.event = currentEvent;
        r.eventIndex = currentEventIndex;
        records.push_back(std::move(r));
    }
};

namespace {

using State = HeadlessBrowser::State;

[[noreturn]] void unsupported(const std::string& name) {
    throw AutomationException("Object doesn't support this property or method: " + name);
}

std::map<std::string, std::string> elementInfo(const Node& node) {
    std::map<std::string, std::string> info;
    for (auto& [name, value] : node.attributes) info[name] = value;
    info["tag"] = upperCase(node.tag);
    return info;
}

int formIndex(const Document& document, const Node* form) {
    if (!form) return -1;
    auto forms = document.elementsNamed("form");
    auto at = std::find(forms.begin(), forms.end(), form);
    return at == forms.end() ? -1 : static_cast<int>(at - forms.begin());
}

std::string formLabel(const Document& document, const Node* form) {
    if (!form) return "";
    if (const std::string* name = form->attribute("name"); name && !name->empty()) return *name;
    if (const std::string* id = form->attribute("id"); id && !id->empty()) return *id;
    return "#" + std::to_string(formIndex(document, form));
}

bool isNamed(const Node& n, const std::string& name) {
    const std::string* a = n.attribute("name");
    const std::string* b = n.attribute("id");
    return (a && *a == name) || (b && *b == name);
}

void navigateFrom(const std::shared_ptr<State>& s, const std::string& url, const std::string& method,
                  const std::string& body);

class DocumentObject;
class ElementObject;

DispatchPtr elementObject(std::shared_ptr<State> s, std::shared_ptr<Document> d, Node* n);
DispatchPtr documentObject(std::shared_ptr<State> s, std::shared_ptr<Document> d);

// A list of elements: the document's "All", "Forms", "Images" or the
// elements that share a name.
class CollectionObject : public Dispatch {
public:
    enum class Kind { All, Forms, Images, List };
    CollectionObject(std::shared_ptr<State> s, std::shared_ptr<Document> d, Kind kind, std::vector<Node*> list = {})
        : m_s(std::move(s)), m_d(std::move(d)), m_kind(kind), m_list(std::move(list)) {}

    std::vector<Node*> items() const {
        switch (m_kind) {
            case Kind::All: return m_d->elements();
            case Kind::Forms: return m_d->elementsNamed("form");
            case Kind::Images: return m_d->elementsNamed("img");
            case Kind::List: return m_list;
        }
        return {};
    }

    Variant get(const std::string& name) override {
        std::lock_guard<std::recursive_mutex> guard(m_s->lock);
        if (lowerCase(name) == "length") return Variant(static_cast<int64_t>(items().size()));
        unsupported(name);
    }
    void put(const std::string& name, const Variant&) override { unsupported(name); }
    Variant call(const std::string& name, const std::vector<Variant>& args) override {
        std::lock_guard<std::recursive_mutex> guard(m_s->lock);
        if (lowerCase(name) != "item" || args.empty()) unsupported(name);
        std::vector<Node*> all = items();
        if (args[0].type() == Variant::Type::Int) {
            int64_t i = args[0].toInt();
            if (i < 0 || i >= static_cast<int64_t>(all.size())) return Variant::null();
            return Variant(elementObject(m_s, m_d, all[static_cast<size_t>(i)]));
        }
        const std::string key = args[0].toString();
        std::vector<Node*> named;
        for (Node* n : all) {
            if (isNamed(*n, key)) named.push_back(n);
        }
        if (named.empty()) return Variant::null();
        if (named.size() == 1) return Variant(elementObject(m_s, m_d, named[0]));
        return Variant(std::make_shared<CollectionObject>(m_s, m_d, Kind::List, named));
    }

private:
    std::shared_ptr<State> m_s;
    std::shared_ptr<Document> m_d;
    Kind m_kind;
    std::vector<Node*> m_list;
};

// A window: the page's own (its "Frames") or a frame's.
class WindowObject : public Dispatch {
public:
    WindowObject(std::shared_ptr<State> s, std::shared_ptr<Document> d, std::string name)
        : m_s(std::move(s)), m_d(std::move(d)), m_name(std::move(name)) {}

    Variant get(const std::string& name) override {
        std::lock_guard<std::recursive_mutex> guard(m_s->lock);
        const std::string key = lowerCase(name);
        if (key == "document") return Variant(documentObject(m_s, m_d));
        if (key == "length") return Variant(static_cast<int64_t>(m_d->frames.size()));
        if (key == "name") return Variant(m_name);
        if (key == "location" || key == "url") return Variant(m_d->url);
        unsupported(name);
    }
    void put(const std::string& name, const Variant&) override { unsupported(name); }
    Variant call(const std::string& name, const std::vector<Variant>& args) override {
        std::lock_guard<std::recursive_mutex> guard(m_s->lock);
        if (lowerCase(name) != "item" || args.empty()) unsupported(name);
        const Frame* frame = nullptr;
        if (args[0].type() == Variant::Type::Int) {
            int64_t i = args[0].toInt();
            if (i >= 0 && i < static_cast<int64_t>(m_d->frames.size())) frame = &m_d->frames[static_cast<size_t>(i)];
        } else {
            for (const Frame& f : m_d->frames) {
                if (isNamed(*f.element, args[0].toString())) {
                    frame = &f;
                    break;
                }
            }
        }
        if (!frame) return Variant::null();
        return Variant(std::make_shared<WindowObject>(m_s, frame->document, frame->element->attributeOr("name")));
    }

private:
    std::shared_ptr<State> m_s;
    std::shared_ptr<Document> m_d;
    std::string m_name;
};

class DocumentObject : public Dispatch {
public:
    DocumentObject(std::shared_ptr<State> s, std::shared_ptr<Document> d) : m_s(std::move(s)), m_d(std::move(d)) {}

    Variant get(const std::string& name) override {
        std::lock_guard<std::recursive_mutex> guard(m_s->lock);
        const std::string key = lowerCase(name);
        using Kind = CollectionObject::Kind;
        if (key == "all") return Variant(std::make_shared<CollectionObject>(m_s, m_d, Kind::All));
        if (key == "forms") return Variant(std::make_shared<CollectionObject>(m_s, m_d, Kind::Forms));
        if (key == "images") return Variant(std::make_shared<CollectionObject>(m_s, m_d, Kind::Images));
        if (key == "frames") return Variant(std::make_shared<WindowObject>(m_s, m_d, ""));
        if (key == "documentelement") return Variant(elementObject(m_s, m_d, m_d->documentElement()));
        if (key == "body") return Variant(elementObject(m_s, m_d, m_d->body()));
        if (key == "cookie") return Variant(m_s->cookie);
        if (key == "url") return Variant(m_d->url);
        if (key == "title") {
            auto titles = m_d->elementsNamed("title");
            return Variant(titles.empty() ? std::string() : textContent(*titles[0]));
        }
        unsupported(name);
    }
    void put(const std::string& name, const Variant& value) override {
        std::lock_guard<std::recursive_mutex> guard(m_s->lock);
        if (lowerCase(name) != "cookie") unsupported(name);
        const std::string text = value.toString();
        std::string pair = text.substr(0, text.find(';'));
        m_s->cookie += (m_s->cookie.empty() ? "" : "; ") + pair;
        Record r{Record::Kind::Cookie};
        r.value = text;
        m_s->record(std::move(r));
    }
    Variant call(const std::string& name, const std::vector<Variant>&) override { unsupported(name); }

private:
    std::shared_ptr<State> m_s;
    std::shared_ptr<Document> m_d;
};

class ElementObject : public Dispatch {
public:
    ElementObject(std::shared_ptr<State> s, std::shared_ptr<Document> d, Node* n)
        : m_s(std::move(s)), m_d(std::move(d)), m_n(n) {}

    Variant get(const std::string& name) override {
        std::lock_guard<std::recursive_mutex> guard(m_s->lock);
        const std::string key = lowerCase(name);
        const Node& n = *m_n;
        if (key == "tagname") return Variant(upperCase(n.tag));
        if (key == "innerhtml") return Variant(innerMarkup(n));
        if (key == "outerhtml") return Variant(outerMarkup(n));
        if (key == "innertext") return Variant(textContent(n));
        if (key == "form") return Variant(elementObject(m_s, m_d, formOwner(*m_d, n)));
        if (isControl()) {
            if (key == "value") return Variant(controlValue(n));
            if (key == "type") return Variant(controlType(n));
            if (key == "checked") return Variant(n.checked);
        }
        if (n.tag == "form") {
            if (key == "length") return Variant(static_cast<int64_t>(formControls(*m_d, n).size()));
            if (key == "action" || key == "name" || key == "method") return Variant(n.attributeOr(key));
        }
        if ((key == "src" && hasSource()) || (key == "href" && (n.tag == "a" || n.tag == "area" || n.tag == "link"))) {
            const std::string* value = n.attribute(key);
            return Variant(value ? resolveUrl(m_d->url, *value) : std::string());
        }
        if (key == "name" || key == "id") return Variant(n.attributeOr(key));
        if (const std::string* value = n.attribute(key)) return Variant(*value);
        return Variant::null();
    }

    void put(const std::string& name, const Variant& value) override {
        std::lock_guard<std::recursive_mutex> guard(m_s->lock);
        const std::string key = lowerCase(name);
        Node& n = *m_n;
        Record r{Record::Kind::SetAttribute};
        r.element = elementInfo(n);
        const Node* owner = n.tag == "form" ? &n : formOwner(*m_d, n);
        r.form = formLabel(*m_d, owner);
        r.formIndex = formIndex(*m_d, owner);
        r.name = name;
        r.value = value.toString();
        if (isControl() && key == "value") {
            n.valueSet = true;
            n.value = r.value;
            r.kind = Record::Kind::Fill;
        } else if (isControl() && key == "checked") {
            n.checked = value.toBool();
        } else {
            n.setAttribute(key, r.value);
        }
        m_s->record(std::move(r));
    }

    Variant call(const std::string& name, const std::vector<Variant>& args) override {
        std::lock_guard<std::recursive_mutex> guard(m_s->lock);
        const std::string key = lowerCase(name);
        if (key == "click") {
            click();
            return Variant();
        }
        if (m_n->tag == "form" && key == "submit") {
            submit(nullptr);
            return Variant();
        }
        if (m_n->tag == "form" && key == "item" && !args.empty()) {
            std::vector<Node*> controls = formControls(*m_d, *m_n);
            if (args[0].type() == Variant::Type::Int) {
                int64_t i = args[0].toInt();
                if (i < 0 || i >= static_cast<int64_t>(controls.size())) return Variant::null();
                return Variant(elementObject(m_s, m_d, controls[static_cast<size_t>(i)]));
            }
            std::vector<Node*> named;
            for (Node* c : controls) {
                if (isNamed(*c, args[0].toString())) named.push_back(c);
            }
            if (named.empty()) return Variant::null();
            if (named.size() == 1) return Variant(elementObject(m_s, m_d, named[0]));
            return Variant(std::make_shared<CollectionObject>(m_s, m_d, CollectionObject::Kind::List, named));
        }
        unsupported(name);
    }

private:
    bool isControl() const {
        const std::string& t = m_n->tag;
        return t == "input" || t == "textarea" || t == "select" || t == "button";
    }
    bool hasSource() const {
        const std::string& t = m_n->tag;
        return t == "img" || t == "input" || t == "frame" || t == "iframe" || t == "script";
    }

    void click() {
        Node& n = *m_n;
        Record r{Record::Kind::Click};
        r.element = elementInfo(n);
        r.form = formLabel(*m_d, formOwner(*m_d, n));
        r.formIndex = formIndex(*m_d, formOwner(*m_d, n));
        m_s->record(std::move(r));
        const std::string type = isControl() ? controlType(n) : "";
        if ((n.tag == "input" && (type == "submit" || type == "image")) || (n.tag == "button" && type == "submit")) {
            if (formOwner(*m_d, n)) submit(&n);
            return;
        }
        if (n.tag == "input" && type == "checkbox") {
            n.checked = !n.checked;
            return;
        }
        if (n.tag == "input" && type == "radio") {
            for (Node* other : m_d->elementsNamed("input")) {
                if (other->attributeOr("name") == n.attributeOr("name") && controlType(*other) == "radio") {
                    other->checked = false;
                }
            }
            n.checked = true;
            return;
        }
        for (Node* p = &n; p != nullptr; p = p->parent) {
            if (p->isElement("a") && p->attribute("href")) {
                follow(resolveUrl(m_d->url, *p->attribute("href")), "GET", "");
                return;
            }
        }
    }

    void submit(Node* submitter) {
        Node* form = m_n->tag == "form" ? m_n : formOwner(*m_d, *m_n);
        Record r{Record::Kind::Submit};
        r.form = formLabel(*m_d, form);
        r.formIndex = formIndex(*m_d, form);
        if (submitter) r.element = elementInfo(*submitter);
        r.fields = formData(*m_d, *form, submitter);
        const std::string action = form->attributeOr("action");
        r.url = resolveUrl(m_d->url, action.empty() ? m_d->url : action);
        r.method = upperCase(form->attributeOr("method", "GET")) == "POST" ? "POST" : "GET";
        const std::string encoded = encodeFormData(r.fields);
        std::string target = r.url;
        if (r.method == "GET") {
            target = target.substr(0, target.find_first_of("?#")) + "?" + encoded;
        } else {
            r.body = encoded;
        }
        const std::string method = r.method;
        const std::string body = r.body;
        m_s->record(std::move(r));
        follow(target, method, body);
    }

    void follow(const std::string& url, const std::string& method, const std::string& body) {
        if (lowerCase(url).rfind("javascript:", 0) == 0) return;
        navigateFrom(m_s, url, method, body);
    }

    std::shared_ptr<State> m_s;
    std::shared_ptr<Document> m_d;
    Node* m_n;
};

DispatchPtr elementObject(std::shared_ptr<State> s, std::shared_ptr<Document> d, Node* n) {
    if (!n) return nullptr;
    return std::make_shared<ElementObject>(std::move(s), std::move(d), n);
}

DispatchPtr documentObject(std::shared_ptr<State> s, std::shared_ptr<Document> d) {
    return std::make_shared<DocumentObject>(std::move(s), std::move(d));
}

void navigateFrom(const std::shared_ptr<State>& s, const std::string& url, const std::string& method,
                  const std::string& body) {
    std::shared_ptr<HeadlessBrowser> browser = s->browser.lock();
    if (browser) browser->follow(url, method, body);
}

bool isWebAddress(const std::string& url) {
    std::string l = lowerCase(url);
    return l.rfind("http://", 0) == 0 || l.rfind("https://", 0) == 0;
}

}  // namespace

std::string describe(const Record& r) {
    static const char* const names[] = {"set",  "navigate", "load",   "event", "fill",
                                        "attr", "click",    "submit", "cookie", "quit"};
    std::string out = names[static_cast<int>(r.kind)];
    if (!r.name.empty()) out += " " + r.name;
    if (!r.form.empty()) out += " form=" + r.form;
    if (!r.element.empty()) {
        out += " <" + r.element.at("tag");
        for (auto& [k, v] : r.element) {
            if (k != "tag") out += " " + k + "=" + v;
        }
        out += ">";
    }
    if (!r.value.empty()) out += " value=" + r.value;
    if (!r.method.empty()) out += " " + r.method;
    if (!r.url.empty()) out += " " + r.url;
    if (!r.body.empty()) out += " body=" + r.body;
    if (!r.event.empty()) out += " (during " + r.event + ")";
    return out;
}

HeadlessBrowser::HeadlessBrowser(PageSource source, std::string progId)
    : m_state(std::make_shared<State>()), m_progId(std::move(progId)) {
    m_state->source = std::move(source);
}

HeadlessBrowser::~HeadlessBrowser() { m_events.stop(); }

Variant HeadlessBrowser::get(const std::string& name) {
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    if (m_state->quit) throw AutomationException("The browser has closed");
    const std::string key = lowerCase(name);
    if (auto found = m_state->properties.find(key); found != m_state->properties.end()) return Variant(found->second);
    if (key == "document") {
        if (!m_state->document) m_state->document = parseDocument("", "about:blank");
        return Variant(documentObject(m_state, m_state->document));
    }
    if (key == "locationurl") return Variant(m_state->document ? m_state->document->url : std::string());
    unsupported(name);
}

void HeadlessBrowser::put(const std::string& name, const Variant& value) {
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    if (m_state->quit) throw AutomationException("The browser has closed");
    auto found = m_state->properties.find(lowerCase(name));
    if (found == m_state->properties.end()) unsupported(name);
    found->second = value.toBool();
    Record r{Record::Kind::SetProperty};
    r.name = name;
    r.value = value.toString();
    m_state->record(std::move(r));
}

Variant HeadlessBrowser::call(const std::string& name, const std::vector<Variant>& args) {
    const std::string key = lowerCase(name);
    if (key == "navigate") {
        if (args.empty()) throw AutomationException("Navigate needs an address");
        const std::string post = args.size() > 3 ? args[3].toString() : "";
        navigate(args[0].toString(), post.empty() ? "GET" : "POST", post, false);
        return Variant();
    }
    if (key == "quit") {
        {
            std::lock_guard<std::recursive_mutex> guard(m_state->lock);
            if (m_state->quit) throw AutomationException("The browser has closed");
            m_state->record(Record{Record::Kind::Quit});
        }
        userCloses();
        return Variant();
    }
    unsupported(name);
}

int HeadlessBrowser::advise(std::shared_ptr<EventSink> sink) {
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    int cookie = ++m_state->lastCookie;
    m_state->sinks[cookie] = std::move(sink);
    return cookie;
}

void HeadlessBrowser::unadvise(int cookie) {
    {
        std::lock_guard<std::recursive_mutex> guard(m_state->lock);
        m_state->sinks.erase(cookie);
    }
    std::lock_guard<std::recursive_mutex> delivering(m_state->delivering);
}

std::vector<Record> HeadlessBrowser::records() const {
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    return m_state->records;
}

bool HeadlessBrowser::property(const std::string& name) const {
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    return m_state->properties.at(lowerCase(name));
}

size_t HeadlessBrowser::sinkCount() const {
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    return m_state->sinks.size();
}

std::string HeadlessBrowser::currentUrl() const {
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    return m_state->document ? m_state->document->url : "";
}

bool HeadlessBrowser::hasQuit() const {
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    return m_state->quit;
}

void HeadlessBrowser::userCloses() {
    std::weak_ptr<HeadlessBrowser> self = weak_from_this();
    m_events.post([self] {
        auto browser = self.lock();
        if (!browser) return;
        {
            std::lock_guard<std::recursive_mutex> guard(browser->m_state->lock);
            if (browser->m_state->quit) return;
            browser->m_state->quit = true;
            ++browser->m_state->navigation;
        }
        browser->raise("OnQuit", {}, "");
    });
}

void HeadlessBrowser::follow(const std::string& url, const std::string& method, const std::string& body) {
    try {
        navigate(url, method, body, true);
    } catch (const std::exception&) {
        // The browser has closed: the page goes nowhere.
    }
}

void HeadlessBrowser::navigate(const std::string& url, const std::string& method, const std::string& body,
                               bool byPage) {
    uint64_t serial;
    {
        std::lock_guard<std::recursive_mutex> guard(m_state->lock);
        if (m_state->quit) throw AutomationException("The browser has closed");
        serial = ++m_state->navigation;
        Record r{Record::Kind::Navigate};
        if (byPage) r.name = "follow";
        r.url = url;
        r.method = method;
        r.body = body;
        m_state->record(std::move(r));
    }
    std::weak_ptr<HeadlessBrowser> self = weak_from_this();
    Fetch fetch{method, url, body};
    m_events.post([self, serial, fetch] {
        if (auto browser = self.lock()) browser->load(serial, fetch);
    });
}

void HeadlessBrowser::load(uint64_t serial, Fetch fetch) {
    auto current = [&] {
        std::lock_guard<std::recursive_mutex> guard(m_state->lock);
        return serial == m_state->navigation;
    };
    if (!current()) return;
    auto retrieve = [&](Fetch f) {
        for (int hop = 0; hop < 20; ++hop) {
            Response response = isWebAddress(f.url) ? m_state->source(f) : Response::page("");
            if (response.location.empty()) return std::make_pair(f.url, response.html);
            f = Fetch{"GET", resolveUrl(f.url, response.location), ""};
        }
        return std::make_pair(f.url, std::string("<html><body>Too many redirects</body></html>"));
    };
    auto [url, html] = retrieve(fetch);
    std::shared_ptr<Document> page = parseDocument(html, url);
    std::function<void(Document&, int)> loadFrames = [&](Document& document, int depth) {
        for (Node* element : document.frameElements()) {
            std::string src = element->attributeOr("src", "about:blank");
            std::string address = isWebAddress(src) || src.find(':') == std::string::npos || src[0] == '/'
                                      ? resolveUrl(document.url, src)
                                      : src;
            std::shared_ptr<Document> sub;
            if (isWebAddress(address)) {
                auto [frameUrl, frameHtml] = retrieve(Fetch{"GET", address, ""});
                sub = parseDocument(frameHtml, frameUrl);
                address = frameUrl;
            } else {
                sub = parseDocument("", address);
            }
            if (depth < 4) loadFrames(*sub, depth + 1);
            document.frames.push_back(Frame{element, address, sub});
        }
    };
    loadFrames(*page, 0);
    {
        std::lock_guard<std::recursive_mutex> guard(m_state->lock);
        if (serial != m_state->navigation) return;
        m_state->document = page;
        Record r{Record::Kind::Load};
        r.url = url;
        m_state->record(std::move(r));
    }
    // Frames complete before the page that holds them, inner ones first.
    std::function<bool(const Document&)> completeFrames = [&](const Document& document) {
        for (const Frame& frame : document.frames) {
            if (!completeFrames(*frame.document) || !current()) return false;
            raise("DocumentComplete", {Variant::null(), Variant(frame.url)}, frame.url);
        }
        return current();
    };
    if (!completeFrames(*page)) return;
    raise("DocumentComplete", {Variant(shared_from_this()), Variant(url)}, url);
}

void HeadlessBrowser::raise(const std::string& event, std::vector<Variant> args, const std::string& url) {
    std::lock_guard<std::recursive_mutex> delivering(m_state->delivering);
    std::vector<std::shared_ptr<EventSink>> sinks;
    {
        std::lock_guard<std::recursive_mutex> guard(m_state->lock);
        for (auto& [cookie, sink] : m_state->sinks) sinks.push_back(sink);
        m_state->currentEvent = url.empty() ? event : url;
        m_state->currentEventIndex = m_state->events++;
        Record r{Record::Kind::Event};
        r.name = event;
        r.url = url;
        m_state->record(std::move(r));
    }
    for (auto& sink : sinks) {
        std::vector<Variant> copy = args;
        try {
            sink->invoke(event, copy);
        } catch (...) {
            // A sink's failure is its own; the browser goes on.
        }
    }
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    m_state->currentEvent.clear();
    m_state->currentEventIndex = -1;
}

struct HeadlessWeb::Shared {
    std::mutex lock;
    PageSource source;
    std::vector<std::shared_ptr<HeadlessBrowser>> browsers;
    std::string failure;
};

HeadlessWeb::HeadlessWeb(PageSource source, std::string progId)
    : m_shared(std::make_shared<Shared>()), m_progId(std::move(progId)) {
    m_shared->source = std::move(source);
    std::weak_ptr<Shared> weak = m_shared;
    const std::string id = m_progId;
    registerServer(m_progId, [weak, id]() -> DispatchPtr {
        auto shared = weak.lock();
        if (!shared) throw AutomationException("No automation server is registered for " + id);
        std::lock_guard<std::mutex> guard(shared->lock);
        if (!shared->failure.empty()) {
            std::string reason = std::move(shared->failure);
            shared->failure.clear();
            throw AutomationException(reason);
        }
        auto browser = std::make_shared<HeadlessBrowser>(shared->source, id);
        browser->state()->browser = browser;
        shared->browsers.push_back(browser);
        return browser;
    });
}

HeadlessWeb::~HeadlessWeb() {
    unregisterServer(m_progId);
    std::vector<std::shared_ptr<HeadlessBrowser>> browsers;
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        browsers.swap(m_shared->browsers);
    }
    for (auto& b : browsers) b->stop();
}

void HeadlessWeb::failNextCreation(std::string reason) {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    m_shared->failure = std::move(reason);
}

size_t HeadlessWeb::browserCount() const {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    return m_shared->browsers.size();
}

std::shared_ptr<HeadlessBrowser> HeadlessWeb::browser(int index) const {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    if (m_shared->browsers.empty()) return nullptr;
    if (index < 0) return m_shared->browsers.back();
    if (static_cast<size_t>(index) >= m_shared->browsers.size()) return nullptr;
    return m_shared->browsers[static_cast<size_t>(index)];
}

bool HeadlessWeb::waitIdle(int timeoutMs) {
    std::vector<std::shared_ptr<HeadlessBrowser>> browsers;
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        browsers = m_shared->browsers;
    }
    for (auto& b : browsers) {
        if (!b->waitIdle(timeoutMs)) return false;
    }
    return true;
}

}  // namespace automation::headless
