// Every site navigator, run against login pages generated from what the
// site must do (sites.txt): the right fields filled in the right form, the
// right button pressed or form submitted, the right pages asked for and
// the right finish. The pages hold decoys that a wrong rule would take: a
// form of the same fields before a named form, buttons that almost match
// before the one to press.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>

#include "foundation/HostTable.h"
#include "foundation/StrUtil.h"
#include "navigator/RLNavigator.h"
#include "navigator/impl/Sites.h"
#include "platform/automation/Automation.h"
#include "platform/automation/headless/HeadlessBrowser.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempWorkDir.h"

namespace {

using automation::headless::Fetch;
using automation::headless::HeadlessWeb;
using automation::headless::Record;
using automation::headless::Response;

struct Press {
    std::string kind, arg, arg2;
};

struct Fill {
    std::string form;  // "" when looked up anywhere
    std::string name, value;
};

struct Event {
    bool frame = false;
    std::string url;
    std::string title;
    std::vector<std::string> html;
    std::vector<Fill> fills;
    std::vector<std::pair<std::string, std::string>> actions;
    std::vector<Press> presses;
    std::vector<std::string> submits;
    std::vector<std::string> navigates;
    std::string end;
};

struct Case {
    std::string site, name;
    int line = 0;
    std::string user = "Kb7 20&1";
    std::string password = "Se cret&9%";
    std::optional<std::string> second = std::string("Smith");
    std::string start;
    bool quiet = false;
    std::vector<Event> events;
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// Blank-separated words; double quotes keep blanks, anywhere in a word,
// and so do braces ("{host ROLE}").
std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::string current;
    bool quoted = false, any = false;
    int braces = 0;
    for (char c : line) {
        if (c == '{') ++braces;
        if (c == '}' && braces > 0) --braces;
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && braces == 0 && (c == ' ' || c == '\t')) {
            if (any) out.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any) out.push_back(current);
    return out;
}

std::string restOf(const std::string& line, const std::string& keyword) {
    std::string rest = line.substr(line.find(keyword) + keyword.size());
    return rest.empty() ? rest : rest.substr(1);
}

std::vector<Case> loadCases() {
    std::vector<Case> cases;
    std::ifstream in(rltest::sourceDir() + "/tests/navigator/sites.txt");
    std::string raw;
    int number = 0;
    std::string site;
    Case* current = nullptr;
    auto event = [&]() -> Event& {
        if (current->events.empty()) throw std::runtime_error("expectation before any page at line " + std::to_string(number));
        return current->events.back();
    };
    while (std::getline(in, raw)) {
        ++number;
        size_t b = raw.find_first_not_of(" \t");
        if (b == std::string::npos || raw[b] == '#') continue;
        std::string line = raw.substr(b);
        std::vector<std::string> w = words(line);
        const std::string& k = w[0];
        if (k == "site" || k == "case") {
            if (k == "site") site = w[1];
            cases.push_back(Case{});
            current = &cases.back();
            current->site = site;
            current->name = k == "site" ? "main" : restOf(line, "case");
            current->line = number;
        } else if (k == "user") {
            current->user = restOf(line, "user");
        } else if (k == "password") {
            current->password = restOf(line, "password");
        } else if (k == "second") {
            current->second = restOf(line, "second");
        } else if (k == "nosecond") {
            current->second.reset();
        } else if (k == "start") {
            current->start = w[1];
        } else if (k == "quiet") {
            current->quiet = true;
        } else if (k == "page" || k == "frame") {
            Event e;
            e.frame = k == "frame";
            e.url = w[1] == "start" ? current->start : w[1];
            current->events.push_back(e);
        } else if (k == "title") {
            event().title = restOf(line, "title");
        } else if (k == "html") {
            event().html.push_back(restOf(line, "html"));
        } else if (k == "fields" || k == "form") {
            size_t first = k == "form" ? 2 : 1;
            for (size_t i = first; i < w.size(); ++i) {
                size_t eq = w[i].find('=');
                event().fills.push_back(Fill{k == "form" ? w[1] : "", w[i].substr(0, eq), w[i].substr(eq + 1)});
            }
        } else if (k == "action") {
            event().actions.emplace_back(w[1], w[2]);
        } else if (k == "press") {
            event().presses.push_back(Press{w[1], w.size() > 2 ? w[2] : "", w.size() > 3 ? w[3] : ""});
        } else if (k == "submit") {
            event().submits.push_back(w[1]);
        } else if (k == "navigate") {
            event().navigates.push_back(w[1]);
        } else if (k == "end") {
            event().end = w[1];
        } else {
            throw std::runtime_error("unknown line " + std::to_string(number) + ": " + line);
        }
    }
    return cases;
}

const std::vector<Case>& allCases() {
    static const std::vector<Case> cases = loadCases();
    return cases;
}

std::string authority(const std::string& role) {
    std::string value = foundation::HostTable::get(role);
    size_t scheme = value.find("://");
    return scheme == std::string::npos ? value : value.substr(scheme + 3);
}

// {host} and {host ROLE} filled in.
std::string expand(const Case& c, const std::string& text) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t open = text.find("{host", pos);
        if (open == std::string::npos) {
            out += text.substr(pos);
            break;
        }
        size_t close = text.find('}', open);
        if (close == std::string::npos) throw std::runtime_error("unclosed {host in " + text);
        out += text.substr(pos, open - pos);
        std::string inside = text.substr(open + 1, close - open - 1);
        out += inside == "host" ? authority("Navigator." + c.site) : authority(inside.substr(5));
        pos = close + 1;
    }
    return out;
}

std::string value(const Case& c, const std::string& v) {
    if (v == "@user") return c.user;
    if (v == "@password") return c.password;
    if (v == "@second") return c.second.value_or("");
    if (v == "@lower-user") return lower(c.user);
    if (v == "@lower-password") return lower(c.password);
    return v;
}

std::string escape(const std::string& text) {
    return foundation::StrUtil::replace(foundation::StrUtil::replace(text, "&", "&amp;"), "\"", "&quot;");
}

// The generated attribute of a press target (what the rule must find).
std::string srcOf(const std::string& fragment) {
    return "/ASSETS" + std::string(fragment[0] == '/' ? "" : "/") + upper(fragment);
}

bool htmlHas(const std::vector<std::string>& html, const std::string& name) {
    for (const std::string& h : html) {
        if (h.find("name=" + name) != std::string::npos || h.find("name=\"" + name + "\"") != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The markup of a page: what its own event and the frames completing
// before it expect to find.
std::string pageMarkup(const Case& c, size_t index) {
    std::vector<const Event*> parts;
    size_t first = index;
    while (first > 0 && c.events[first - 1].frame) --first;
    for (size_t i = first; i <= index; ++i) parts.push_back(&c.events[i]);

    std::vector<std::string> formOrder;
    std::map<std::string, std::vector<std::string>> formFields, formExtras;
    std::vector<std::string> pageFields, pageExtras, bodyExtras, before;
    std::map<std::string, std::set<std::string>> seen;  // by form ("" for the page's own)
    std::vector<std::string> html;
    std::string title = "Generated";
    bool anywhere = false;
    for (const Event* e : parts) {
        html.insert(html.end(), e->html.begin(), e->html.end());
        if (!e->title.empty()) title = e->title;
        for (const Fill& f : e->fills) {
            if (f.form.empty()) anywhere = true;
        }
    }
    auto addForm = [&](const std::string& form) {
        if (std::find(formOrder.begin(), formOrder.end(), form) == formOrder.end()) formOrder.push_back(form);
    };
    for (const Event* e : parts) {
        // Named-form fields first, so that a field also filled through
        // "All" is made once, in its form.
        for (const Fill& f : e->fills) {
            if (f.form.empty() || htmlHas(html, f.form)) continue;
            addForm(f.form);
            if (!seen[f.form].insert(f.name).second) continue;
            std::string type = value(c, f.value) == c.password ? "password" : "text";
            formFields[f.form].push_back("<input type=" + type + " name=\"" + escape(f.name) + "\">");
        }
    }
    for (const Event* e : parts) {
        for (const Fill& f : e->fills) {
            if (!f.form.empty()) continue;
            // A field also filled in its form is that form's.
            bool inForm = std::any_of(seen.begin(), seen.end(), [&](const auto& s) { return s.second.count(f.name); });
            if (inForm || !seen[""].insert(f.name).second) continue;
            std::string type = value(c, f.value) == c.password ? "password" : "text";
            pageFields.push_back("<input type=" + type + " name=\"" + escape(f.name) + "\">");
        }
        for (const auto& [form, url] : e->actions) addForm(form);
        for (const std::string& form : e->submits) {
            if (!htmlHas(html, form) && form != "#0") addForm(form);
        }
        for (const Press& p : e->presses) {
            const std::string a = escape(p.arg);
            if (p.kind == "src") {
                pageExtras.push_back("<input type=image name=decoy-src src=\"/assets/decoy.gif\">");
                pageExtras.push_back("<input type=image name=press-src src=\"" + escape(srcOf(p.arg)) + "\">");
            } else if (p.kind == "image") {
                bodyExtras.push_back("<img src=\"/assets/decoy.gif\">");
                bodyExtras.push_back("<img src=\"" + escape(srcOf(p.arg)) + "\">");
            } else if (p.kind == "name") {
                pageExtras.push_back("<input type=submit name=\"" + a + "\" value=Go>");
            } else if (p.kind == "input-name") {
                pageExtras.push_back("<span name=\"" + a + "\">decoy</span>");
                pageExtras.push_back("<input type=submit name=\"" + a + "\" value=Go>");
            } else if (p.kind == "value") {
                if (upper(p.arg) != p.arg) pageExtras.push_back("<input type=button value=\"" + escape(upper(p.arg)) + "\">");
                pageExtras.push_back("<input type=submit value=\"" + a + "\">");
            } else if (p.kind == "submit") {
                pageExtras.push_back("<input type=button value=Help>");
                pageExtras.push_back("<input type=submit value=\"Sign in\">");
            } else if (p.kind == "item") {
                addForm(p.arg);
                formExtras[p.arg].push_back("<input type=submit name=\"" + escape(p.arg2) + "\" value=Go>");
            } else if (p.kind == "value-in") {
                before.push_back("<input type=submit value=\"" + escape(p.arg2) + "\">");
                addForm(p.arg);
                formExtras[p.arg].push_back("<input type=submit value=\"" + escape(p.arg2) + "\">");
            }
        }
    }
    std::string out = "<html><head><title>" + title + "</title></head><body>\n";
    for (const std::string& h : html) out += h + "\n";
    for (size_t i = first; i < index; ++i) out += "<iframe src=\"" + escape(expand(c, c.events[i].url)) + "\"></iframe>\n";
    for (const std::string& b : before) out += b + "\n";
    bool named = std::any_of(formOrder.begin(), formOrder.end(), [](const std::string& f) { return f[0] != '#'; });
    if (named && !anywhere) {
        // The same fields in another form first: a rule must take its form by name.
        out += "<form name=decoy method=post action=\"/decoy\">";
        for (const std::string& f : formOrder) {
            for (const std::string& field : formFields[f]) out += field;
        }
        out += "</form>\n";
    }
    // A form by position comes first of all.
    std::stable_sort(formOrder.begin(), formOrder.end(),
                     [](const std::string& a, const std::string& b) { return a[0] == '#' && b[0] != '#'; });
    for (const std::string& f : formOrder) {
        out += f[0] == '#' ? "<form method=post action=\"/posted\">" : "<form name=\"" + escape(f) + "\" method=post action=\"/posted\">";
        for (const std::string& field : formFields[f]) out += field;
        for (const std::string& extra : formExtras[f]) out += extra;
        out += "</form>\n";
    }
    if (!pageFields.empty() || !pageExtras.empty()) {
        out += "<form name=page method=post action=\"/posted\">";
        for (const std::string& field : pageFields) out += field;
        for (const std::string& extra : pageExtras) out += extra;
        out += "</form>\n";
    }
    for (const std::string& b : bodyExtras) out += b + "\n";
    return out + "</body></html>";
}

// Serves the case's pages in order: a page's own address gets it, any
// other address leads to the next page not yet served.
class Pages {
public:
    explicit Pages(const Case& c) {
        for (size_t i = 0; i < c.events.size(); ++i) {
            if (c.events[i].frame) {
                m_frames.insert(expand(c, c.events[i].url));
            } else {
                m_pages.emplace_back(expand(c, c.events[i].url), pageMarkup(c, i));
            }
        }
    }
    Response operator()(const Fetch& f) {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_frames.count(f.url)) return Response::page("<html><body>frame</body></html>");
        if (m_next < m_pages.size() && m_pages[m_next].first == f.url) return Response::page(m_pages[m_next++].second);
        for (size_t i = m_next; i-- > 0;) {
            if (m_pages[i].first == f.url) return Response::page(m_pages[i].second);
        }
        if (m_next < m_pages.size()) return Response::redirect(m_pages[m_next].first);
        return Response::page("<html><body>Thank you</body></html>");
    }

private:
    std::mutex m_lock;
    std::vector<std::pair<std::string, std::string>> m_pages;
    std::set<std::string> m_frames;
    size_t m_next = 0;
};

bool formMatches(const Record& r, const std::string& form) {
    if (form.empty()) return true;
    if (form[0] == '#') return r.formIndex == std::stoi(form.substr(1));
    return r.form == form;
}

bool pressMatches(const Record& r, const Press& p) {
    auto attr = [&](const std::string& name) {
        auto found = r.element.find(name);
        return found == r.element.end() ? std::string("<none>") : found->second;
    };
    if (p.kind == "src") return attr("tag") == "INPUT" && attr("src") == srcOf(p.arg);
    if (p.kind == "image") return attr("tag") == "IMG" && attr("src") == srcOf(p.arg);
    if (p.kind == "name") return attr("name") == p.arg;
    if (p.kind == "input-name") return attr("tag") == "INPUT" && attr("name") == p.arg;
    if (p.kind == "value") return attr("tag") == "INPUT" && attr("type") == "submit" && attr("value") == p.arg;
    if (p.kind == "submit") return attr("tag") == "INPUT" && attr("type") == "submit" && attr("value") == "Sign in";
    if (p.kind == "item") return attr("name") == p.arg2 && formMatches(r, p.arg);
    if (p.kind == "value-in") return attr("tag") == "INPUT" && attr("value") == p.arg2 && formMatches(r, p.arg);
    return false;
}

std::string listing(const std::vector<Record>& records) {
    std::string out;
    for (const Record& r : records) out += "  " + automation::headless::describe(r) + "\n";
    return out;
}

void PrintTo(const Case& c, std::ostream* out) { *out << c.site << " / " << c.name; }

class SiteRows : public ::testing::TestWithParam<Case> {
protected:
    void TearDown() override { automation::shutdown(); }
};

TEST_P(SiteRows, DoesWhatItsSiteNeeds) {
    const Case& c = GetParam();
    SCOPED_TRACE("sites.txt line " + std::to_string(c.line) + ": " + c.site + " / " + c.name);
    rltest::TempWorkDir dir;
    rltest::LogCapture log(foundation::Logger::LEVEL_VERBOSE);
    auto pages = std::make_shared<Pages>(c);
    HeadlessWeb web([pages](const Fetch& f) { return (*pages)(f); });
    bool done = false;
    size_t sinks = 0;
    bool visible = false, silent = false;
    auto browser = [&web] { return web.browser(); };
    {
        std::unique_ptr<navigator::RLNavigator> nav = navigator::impl::navigatorClass(c.site).create();
        nav->setUsername(c.user);
        nav->setPassword(c.password);
        nav->setPassword2(c.second);
        nav->go();
        ASSERT_TRUE(web.waitIdle(20000));
        done = nav->isDone();
        // Whether the navigator let the browser go, while it still could hold it.
        sinks = browser()->sinkCount();
        visible = browser()->property("Visible");
        silent = browser()->property("Silent");
    }
    const std::vector<Record> records = browser()->records();
    SCOPED_TRACE("records:\n" + listing(records));

    // Shown, quiet and without address bar from the start; quiet off
    // before the first page for the sites that want their dialogs.
    std::vector<std::string> settings;
    std::vector<std::string> asked;
    for (const Record& r : records) {
        if (r.kind == Record::Kind::SetProperty && asked.empty()) settings.push_back(r.name + "=" + r.value);
        if (r.kind == Record::Kind::Navigate && r.name != "follow") asked.push_back(r.url);
    }
    std::vector<std::string> expectedSettings{"Visible=true", "Silent=true", "AddressBar=false"};
    if (c.quiet) expectedSettings.push_back("Silent=false");
    EXPECT_EQ(settings, expectedSettings);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked[0], expand(c, c.start));

    std::vector<const Record*> events;
    for (const Record& r : records) {
        if (r.kind == Record::Kind::Event && r.name == "DocumentComplete") events.push_back(&r);
    }
    // The events the navigator takes: a page whose frame finished the
    // navigation completes unheeded, if at all.
    std::vector<const Event*> expected;
    for (const Event& e : c.events) {
        if (e.end != "unhandled") expected.push_back(&e);
    }
    for (size_t i = 0; i < expected.size(); ++i) {
        const Event& e = *expected[i];
        SCOPED_TRACE("event " + std::to_string(i) + " " + e.url);
        ASSERT_LT(i, events.size());
        EXPECT_EQ(events[i]->url, expand(c, e.url));
        const int index = events[i]->eventIndex;
        std::vector<const Record*> fills, clicks, submits, navigates, actions;
        for (const Record& r : records) {
            if (r.eventIndex != index || r.kind == Record::Kind::Event) continue;
            if (r.kind == Record::Kind::Fill) fills.push_back(&r);
            if (r.kind == Record::Kind::Click) clicks.push_back(&r);
            if (r.kind == Record::Kind::Submit && r.element.empty()) submits.push_back(&r);
            if (r.kind == Record::Kind::Navigate && r.name != "follow") navigates.push_back(&r);
            if (r.kind == Record::Kind::SetAttribute) actions.push_back(&r);
        }
        EXPECT_EQ(fills.size(), e.fills.size());
        for (const Fill& f : e.fills) {
            const std::string v = value(c, f.value);
            auto hit = std::find_if(fills.begin(), fills.end(), [&](const Record* r) {
                return r->element.count("name") && r->element.at("name") == f.name && r->value == v && formMatches(*r, f.form);
            });
            EXPECT_NE(hit, fills.end()) << "not filled: " << f.name << "=" << v << " in " << f.form;
            if (hit != fills.end()) fills.erase(hit);
        }
        EXPECT_EQ(clicks.size(), e.presses.size());
        for (const Press& p : e.presses) {
            auto hit = std::find_if(clicks.begin(), clicks.end(), [&](const Record* r) { return pressMatches(*r, p); });
            EXPECT_NE(hit, clicks.end()) << "not pressed: " << p.kind << " " << p.arg << " " << p.arg2;
            if (hit != clicks.end()) clicks.erase(hit);
        }
        ASSERT_EQ(submits.size(), e.submits.size());
        for (size_t s = 0; s < submits.size(); ++s) EXPECT_TRUE(formMatches(*submits[s], e.submits[s])) << e.submits[s];
        ASSERT_EQ(navigates.size(), e.navigates.size());
        for (size_t n = 0; n < navigates.size(); ++n) EXPECT_EQ(navigates[n]->url, expand(c, e.navigates[n]));
        ASSERT_EQ(actions.size(), e.actions.size());
        for (size_t a = 0; a < actions.size(); ++a) {
            EXPECT_EQ(lower(actions[a]->name), "action");
            EXPECT_TRUE(formMatches(*actions[a], e.actions[a].first));
            EXPECT_EQ(actions[a]->value, expand(c, e.actions[a].second));
        }
    }
    std::string end = expected.empty() ? "" : expected.back()->end;
    const bool finished = end == "finish" || end == "notify" || end == "fails";
    // Once finished, nothing is done on any later page.
    for (size_t i = expected.size(); finished && i < events.size(); ++i) {
        for (const Record& r : records) {
            if (r.eventIndex == events[i]->eventIndex) {
                EXPECT_TRUE(r.kind == Record::Kind::Event || r.kind == Record::Kind::Load ||
                            (r.kind == Record::Kind::Navigate && r.name == "follow"))
                    << automation::headless::describe(r);
            }
        }
    }
    if (finished) {
        EXPECT_EQ(log.count("URL: "), expected.size()) << log.text();
    }

    // The finish.
    if (end == "finish") {
        EXPECT_TRUE(done);
        EXPECT_EQ(sinks, 0u) << "released";
        EXPECT_TRUE(visible);
        EXPECT_FALSE(silent);
    } else if (end == "notify") {
        EXPECT_TRUE(done);
        EXPECT_EQ(sinks, 1u) << "not released";
        EXPECT_TRUE(visible);
        EXPECT_FALSE(silent);
    } else if (end == "fails") {
        EXPECT_TRUE(done);
        EXPECT_EQ(sinks, 1u);
        EXPECT_EQ(silent, !c.quiet);
        EXPECT_EQ(log.count("Unable to finish navigation: "), 1u) << log.text();
    } else {
        EXPECT_FALSE(done) << "still waiting for a page";
    }
    EXPECT_FALSE(log.contains("Unable to finish navigation") && end != "fails") << log.text();

    // No password reaches the log, as typed or as an address carries it.
    for (const std::string& secret : {c.password, c.second.value_or("")}) {
        if (secret.size() < 4) continue;
        EXPECT_FALSE(log.contains(secret)) << log.text();
        EXPECT_FALSE(log.contains(foundation::StrUtil::encodeFormValue(secret))) << log.text();
    }
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name = info.param.site + "_";
    for (char ch : info.param.name) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Sites, SiteRows, ::testing::ValuesIn(allCases()), caseName);

TEST(SiteTable, EveryNavigatorClassHasItsPages) {
    std::set<std::string> tested;
    for (const Case& c : allCases()) tested.insert(c.site);
    for (const std::string& name : navigator::impl::navigatorClassNames()) {
        EXPECT_TRUE(tested.count(name)) << name << " has no pages in sites.txt";
    }
    EXPECT_EQ(tested.size(), navigator::impl::navigatorClassNames().size());
}

}  // namespace
