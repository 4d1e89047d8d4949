#include "tests/tracker/adapters/Scenario.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>

#include "tests/support/ImitationWeb.h"
#include "tests/support/TempWorkDir.h"
#include "tracker/core/RLPreferences.h"

namespace rltest {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One escape at text[i] == '\\'; appends its byte and advances i past it.
void takeEscape(const std::string& text, size_t& i, std::string& out) {
    if (i + 1 >= text.size()) throw std::invalid_argument("a lone \\ at the end");
    const char c = text[i + 1];
    switch (c) {
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case '{': out += '{'; break;
        case '}': out += '}'; break;
        case 'x': {
            const int hi = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
            const int lo = i + 3 < text.size() ? hexValue(text[i + 3]) : -1;
            if (hi < 0 || lo < 0) throw std::invalid_argument("\\x needs two hexadecimal digits");
            out += static_cast<char>(hi * 16 + lo);
            i += 4;
            return;
        }
        default: throw std::invalid_argument(std::string("unknown escape \\") + c);
    }
    i += 2;
}

std::string trim(const std::string& text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t' || text[b] == '\r')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r')) --e;
    return text.substr(b, e - b);
}

bool parseInt(const std::string& text, int64_t& value) {
    if (text.empty() || text.size() > 15) return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    value = std::stoll(text);
    return true;
}

}  // namespace

// ---- Pattern -------------------------------------------------------------------

Pattern::Pattern(const std::string& source) : m_source(source) {
    std::string literal;
    auto flush = [&]() {
        if (!literal.empty()) m_tokens.push_back({Token::Literal, literal, 0, 0});
        literal.clear();
    };
    size_t i = 0;
    while (i < source.size()) {
        const char c = source[i];
        if (c == '\\') {
            takeEscape(source, i, literal);
        } else if (c == '{') {
            const size_t close = source.find('}', i);
            if (close == std::string::npos) throw std::invalid_argument("a { without }: write \\{ for a brace");
            const std::string inner = source.substr(i + 1, close - i - 1);
            flush();
            if (inner == "*") {
                m_tokens.push_back({Token::Any, "", 0, 0});
            } else {
                const size_t dots = inner.find("..");
                int64_t lo = 0;
                int64_t hi = 0;
                if (dots == std::string::npos || !parseInt(inner.substr(0, dots), lo) ||
                    !parseInt(inner.substr(dots + 2), hi) || lo > hi) {
                    throw std::invalid_argument("{" + inner + "} is neither {*} nor {A..B}: write \\{ for a brace");
                }
                m_tokens.push_back({Token::Range, "", lo, hi});
            }
            i = close + 1;
        } else {
            literal += c;
            ++i;
        }
    }
    flush();
}

bool Pattern::matches(const std::string& text) const { return matchFrom(text, 0, 0); }

bool Pattern::foundIn(const std::string& text) const {
    // An open end: the rest of the text is free.
    Pattern open = *this;
    open.m_tokens.push_back({Token::Any, "", 0, 0});
    for (size_t start = 0; start <= text.size(); ++start) {
        if (open.matchFrom(text, start, 0)) return true;
        if (!m_tokens.empty() && m_tokens[0].kind == Token::Literal) {
            // Jump to the next place the first literal occurs.
            const size_t next = text.find(m_tokens[0].text, start + 1);
            if (next == std::string::npos) return false;
            start = next - 1;
        }
    }
    return false;
}

namespace {
thread_local int t_rangeEnd = 0;
}  // namespace

void Pattern::setRangeEnd(int end) { t_rangeEnd = end; }

bool Pattern::hasClickRange() const {
    return std::any_of(m_tokens.begin(), m_tokens.end(),
                       [](const Token& t) { return t.kind == Token::Range && t.lo == 1; });
}

bool Pattern::matchFrom(const std::string& text, size_t pos, size_t token) const {
    if (token == m_tokens.size()) return pos == text.size();
    const Token& t = m_tokens[token];
    switch (t.kind) {
        case Token::Literal:
            if (text.compare(pos, t.text.size(), t.text) != 0) return false;
            return matchFrom(text, pos + t.text.size(), token + 1);
        case Token::Range: {
            size_t end = pos;
            while (end < text.size() && end - pos < 15 && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
            // Every length of the digit run, longest first.
            for (size_t e = end; e > pos; --e) {
                const int64_t value = std::stoll(text.substr(pos, e - pos));
                const int end = t.lo == 1 ? t_rangeEnd : 0;
                const bool inRange =
                    end < 0 ? value == t.lo : end > 0 ? value == t.hi : value >= t.lo && value <= t.hi;
                if (inRange && matchFrom(text, e, token + 1)) return true;
            }
            return false;
        }
        case Token::Any:
            for (size_t e = pos; e <= text.size(); ++e) {
                if (matchFrom(text, e, token + 1)) return true;
            }
            return false;
    }
    return false;
}

// ---- Texts ---------------------------------------------------------------------

std::string unescape(const std::string& text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\\') {
            takeEscape(text, i, out);
        } else {
            out += text[i++];
        }
    }
    return out;
}

Address parseAddress(const std::string& url) {
    const size_t sep = url.find("://");
    if (sep == std::string::npos) throw std::invalid_argument("not an address: " + url);
    Address a;
    a.scheme = url.substr(0, sep);
    if (a.scheme != "http" && a.scheme != "https") throw std::invalid_argument("scheme must be http or https: " + url);
    const size_t slash = url.find('/', sep + 3);
    a.host = url.substr(sep + 3, slash == std::string::npos ? std::string::npos : slash - sep - 3);
    a.target = slash == std::string::npos ? "/" : url.substr(slash);
    if (a.host.empty()) throw std::invalid_argument("no host in " + url);
    std::transform(a.host.begin(), a.host.end(), a.host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return a;
}

std::optional<std::string> statusText(const std::string& name) {
    using tracker::RLPreferences;
    static const std::map<std::string, const std::string*> names = {
        {"InvalidLogin", &RLPreferences::DISPLAY_INVALID_LOGIN},
        {"LoginLength", &RLPreferences::DISPLAY_LOGIN_LENGTH},
        {"BlockedLogin", &RLPreferences::DISPLAY_BLOCKED_LOGIN},
        {"InteractionRequired", &RLPreferences::DISPLAY_INTERACTION_REQUIRED},
        {"Maintenance", &RLPreferences::DISPLAY_MAINTENANCE},
        {"NonFunctional", &RLPreferences::DISPLAY_NON_FUNCTIONAL},
        {"ProviderProblem", &RLPreferences::DISPLAY_PROVIDER_PROBLEM},
        {"TimedOut", &RLPreferences::DISPLAY_TIMEOUT},
        {"Unknown", &RLPreferences::DISPLAY_UNKNOWN},
    };
    auto it = names.find(name);
    if (it == names.end()) return std::nullopt;
    return *it->second;
}

// ---- Scenario --------------------------------------------------------------------

bool Scenario::hasTag(const std::string& tag) const {
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

std::string Scenario::testName() const {
    std::string slug;
    bool gap = false;
    for (char c : title) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            if (gap && !slug.empty()) slug += '_';
            slug += c;
            gap = false;
        } else {
            gap = true;
        }
        if (slug.size() >= 100) break;
    }
    std::string keyPart;
    for (char c : key) keyPart += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    const std::string clicks = clickEnd < 0 ? "_least_clicks" : clickEnd > 0 ? "_greatest_clicks" : "";
    return keyPart + "_" + std::to_string(index) + (slug.empty() ? "" : "_" + slug) + clicks;
}

namespace {

class Parser {
public:
    Parser(const std::string& key, const std::string& fileName, const std::string& text)
        : m_key(key), m_file(fileName) {
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            m_lines.push_back(line);
            if (end == text.size()) break;
            start = end + 1;
        }
    }

    std::vector<Scenario> run() {
        while (m_next < m_lines.size()) {
            const int lineNumber = static_cast<int>(m_next) + 1;
            const std::string raw = m_lines[m_next++];
            const std::string line = trim(raw);
            if (line.empty() || line[0] == '#') continue;
            const size_t colon = line.find(':');
            if (colon == std::string::npos) {
                fail(lineNumber, "expected \"keyword: value\", got: " + line);
                continue;
            }
            const std::string keyword = trim(line.substr(0, colon));
            const std::string value = trim(line.substr(colon + 1));
            try {
                take(lineNumber, keyword, value);
            } catch (const std::exception& failure) {
                fail(lineNumber, failure.what());
            }
        }
        finish();
        return std::move(m_out);
    }

private:
    enum class Block { None, Serve, Expect };

    void take(int lineNumber, const std::string& keyword, const std::string& value) {
        if (keyword == "shared") {
            finish();
            if (m_shared) throw std::invalid_argument("a second \"shared:\" block");
            m_current.emplace();
            m_current->key = m_key;
            m_current->file = m_file;
            m_current->line = lineNumber;
            m_current->title = "shared";
            m_inShared = true;
            m_seen.clear();
            m_block = Block::None;
            return;
        }
        if (keyword == "scenario" || keyword == "markers") {
            finish();
            m_seen.clear();
            m_markerBlock = keyword == "markers";
            m_markers.clear();
            m_lengths.clear();
            m_current.emplace();
            m_current->key = m_key;
            m_current->file = m_file;
            m_current->line = lineNumber;
            m_current->title = value;
            m_current->index = static_cast<int>(m_out.size()) + 1;
            m_block = Block::None;
            return;
        }
        if (!m_current) throw std::invalid_argument("\"" + keyword + ":\" before the first \"scenario:\"");
        Scenario& s = *m_current;

        // Lines that belong to the block above them.
        if (m_block == Block::Serve) {
            ServedAnswer& a = s.served.back();
            if (keyword == "answer") {
                int64_t status = 0;
                if (!parseInt(value, status) || status < 100 || status > 599) {
                    throw std::invalid_argument("answer needs an HTTP status: " + value);
                }
                a.status = static_cast<int>(status);
                return;
            }
            if (keyword == "header") {
                const size_t colon = value.find(':');
                if (colon == std::string::npos) throw std::invalid_argument("header needs \"Name: value\"");
                a.headers.emplace_back(trim(value.substr(0, colon)), unescape(trim(value.substr(colon + 1))));
                return;
            }
            if (keyword == "body") {
                if (value == "[markers]") {
                    if (!m_markerBlock) throw std::invalid_argument("body: [markers] outside a \"markers:\" block");
                    a.underTest = true;
                    a.body.clear();
                } else {
                    a.body = bodyText(value, true);
                }
                return;
            }
        } else if (m_block == Block::Expect) {
            ExpectedRequest& r = s.expected.back();
            if (keyword == "body") {
                r.body = Pattern(bodyText(value, false));
                return;
            }
            if (keyword == "cookie") {
                const size_t eq = value.find('=');
                if (eq == std::string::npos || eq == 0) throw std::invalid_argument("cookie needs name=value");
                r.cookies.emplace_back(value.substr(0, eq), unescape(value.substr(eq + 1)));
                return;
            }
            if (keyword == "no-cookies") {
                r.noCookies = true;
                return;
            }
            if (keyword == "after") {
                int64_t ms = 0;
                if (!parseInt(value, ms) || ms > 600000) throw std::invalid_argument("after needs milliseconds: " + value);
                r.afterMs = static_cast<int>(ms);
                return;
            }
        }
        m_block = Block::None;
        m_seen.insert(keyword);
        const bool accountOrSite = keyword == "user" || keyword == "password" || keyword == "password2" ||
                                   keyword == "today" || keyword == "serve";
        if (m_inShared && !accountOrSite) {
            throw std::invalid_argument("\"" + keyword + ":\" in the shared block (only the account and serve)");
        }
        if (m_markerBlock && !accountOrSite && keyword != "expect") {
            takeMarkerLine(lineNumber, keyword, value);
            return;
        }

        if (keyword == "user") {
            s.user = unescape(value);
        } else if (keyword == "password") {
            s.password = unescape(value);
        } else if (keyword == "password2") {
            s.password2 = unescape(value);
        } else if (keyword == "today") {
            int64_t y = 0, m = 0, d = 0;
            if (value.size() != 10 || value[4] != '-' || value[7] != '-' || !parseInt(value.substr(0, 4), y) ||
                !parseInt(value.substr(5, 2), m) || !parseInt(value.substr(8, 2), d) || m < 1 || m > 12 || d < 1 ||
                d > 31) {
                throw std::invalid_argument("today needs a date YYYY-MM-DD: " + value);
            }
            s.today = value;
        } else if (keyword == "serve") {
            ServedAnswer a;
            splitRequestLine(value, a.method, a.address);
            a.line = lineNumber;
            s.served.push_back(std::move(a));
            m_block = Block::Serve;
        } else if (keyword == "expect") {
            ExpectedRequest r;
            Address address;
            std::string method;
            const size_t blank = value.find(' ');
            if (blank == std::string::npos) throw std::invalid_argument("expect needs METHOD and URL");
            r.method = value.substr(0, blank);
            const std::string url = trim(value.substr(blank + 1));
            const size_t sep = url.find("://");
            if (sep == std::string::npos) throw std::invalid_argument("not an address: " + url);
            const size_t slash = url.find('/', sep + 3);
            address = parseAddress(slash == std::string::npos ? url : url.substr(0, slash));
            r.scheme = address.scheme;
            r.host = address.host;
            r.target = Pattern(slash == std::string::npos ? "/" : url.substr(slash));
            r.line = lineNumber;
            s.expected.push_back(std::move(r));
            m_block = Block::Expect;
        } else if (keyword == "balance") {
            s.balance = unescape(value);
        } else if (keyword == "status") {
            if (!statusText(value)) throw std::invalid_argument("unknown status name: " + value);
            s.status = value;
        } else if (keyword == "details" || keyword == "activity") {
            stored(keyword == "details" ? s.details : s.activity, value, keyword == "activity");
        } else if (keyword == "details-contains") {
            s.details.contains.emplace_back(value);
        } else if (keyword == "details-lacks") {
            s.details.lacks.emplace_back(value);
        } else if (keyword == "activity-contains") {
            s.activity.contains.emplace_back(value);
        } else if (keyword == "activity-lacks") {
            s.activity.lacks.emplace_back(value);
        } else if (keyword == "report") {
            if (value == "[none]") {
                s.noReport = true;
            } else {
                s.report = Pattern(value);
            }
        } else if (keyword == "log") {
            s.log.emplace_back(value);
        } else if (keyword == "no-log") {
            s.noLog.emplace_back(value);
        } else if (keyword == "tag") {
            s.tags.push_back(value);
        } else {
            throw std::invalid_argument("unknown keyword \"" + keyword + ":\"");
        }
    }

    // A marker or length line of a "markers:" block.
    void takeMarkerLine(int lineNumber, const std::string& keyword, const std::string& value) {
        static const std::map<std::string, std::string> kinds = {
            {"provider", "ProviderProblem"}, {"maintenance", "Maintenance"},
            {"blocked", "BlockedLogin"},     {"interaction", "InteractionRequired"},
            {"invalid", "InvalidLogin"},
        };
        if (auto kind = kinds.find(keyword); kind != kinds.end()) {
            addMarker(lineNumber, kind->second, value);
        } else if (keyword == "bad-login") {
            const size_t colon = value.find(':');
            if (colon == std::string::npos) throw std::invalid_argument("bad-login needs \"<Status>: <marker>\"");
            const std::string status = trim(value.substr(0, colon));
            if (!statusText(status)) throw std::invalid_argument("unknown status name: " + status);
            addMarker(lineNumber, status, trim(value.substr(colon + 1)));
        } else if (keyword == "length") {
            m_lengths.push_back(lengthRule(lineNumber, value));
        } else {
            throw std::invalid_argument("\"" + keyword + ":\" in a markers block");
        }
    }

    void addMarker(int lineNumber, const std::string& status, const std::string& value) {
        const std::string text = unescape(value);
        if (text.empty()) throw std::invalid_argument("an empty marker");
        m_markers.push_back({status, text, lineNumber});
    }

    static LengthRule lengthRule(int lineNumber, const std::string& value) {
        LengthRule rule;
        rule.line = lineNumber;
        const size_t blank = value.find(' ');
        rule.field = value.substr(0, blank);
        if (rule.field != "user" && rule.field != "password" && rule.field != "password2") {
            throw std::invalid_argument("length names user, password or password2: " + value);
        }
        const std::string limits = blank == std::string::npos ? "" : trim(value.substr(blank + 1));
        const size_t dots = limits.find("..");
        int64_t a = 0;
        int64_t b = 0;
        const bool ok =
            dots == std::string::npos
                ? parseInt(limits, a) && a > 0
                : (dots == 0 || parseInt(limits.substr(0, dots), a)) &&
                      (dots + 2 == limits.size() || parseInt(limits.substr(dots + 2), b)) && (a > 0 || b > 0) &&
                      (b == 0 || a <= b);
        if (!ok) throw std::invalid_argument("length needs N, N.., ..N or N..M: " + value);
        if (dots == std::string::npos) {
            rule.exact = static_cast<int>(a);
        } else {
            rule.min = static_cast<int>(a);
            rule.max = static_cast<int>(b);
        }
        return rule;
    }

    // The status of the first marker of the table that the page holds.
    std::string firstStatus(const std::string& page) const {
        for (const MarkerLine& m : m_markers) {
            if (page.find(m.text) != std::string::npos) return m.status;
        }
        return "";
    }

    // A credential of the given length made from the block's own: cut, or
    // lengthened with digits.
    static std::string fitted(const std::string& value, int length) {
        const size_t n = static_cast<size_t>(length);
        if (value.size() >= n) return value.substr(0, n);
        std::string out = value;
        while (out.size() < n) out += static_cast<char>('1' + (out.size() - value.size()) % 9);
        return out;
    }

    // The scenarios a "markers:" block stands for.
    void expandMarkers(Scenario& block) {
        if (!block.error.empty()) {
            m_out.push_back(std::move(block));
            return;
        }
        const auto underTest = std::count_if(block.served.begin(), block.served.end(),
                                             [](const ServedAnswer& a) { return a.underTest; });
        auto fail = [&](const std::string& message) {
            block.error = block.where() + ": " + message;
            m_out.push_back(std::move(block));
        };
        if (m_markers.empty() && m_lengths.empty()) return fail("a markers block without markers or lengths");
        if (underTest > 1) return fail("more than one page under test (body: [markers])");
        if (!m_markers.empty() && underTest == 0) return fail("no page under test (body: [markers])");

        auto make = [&](const std::string& title, const std::string& page) {
            Scenario s = block;
            s.title = block.title + ": " + title;
            s.index = static_cast<int>(m_out.size()) + 1;
            for (ServedAnswer& a : s.served) {
                if (a.underTest) a.body = page;
            }
            return s;
        };
        auto statusOnly = [](Scenario& s, const std::string& status) {
            s.status = status;
            s.details.kind = StoredCheck::StatusOnly;
            s.activity.kind = StoredCheck::StatusOnly;
            s.noReport = true;
            s.noLog.emplace_back("Possible invalid");
        };

        for (size_t i = 0; i < m_markers.size(); ++i) {
            const MarkerLine& m = m_markers[i];
            const std::string name = "marker " + std::to_string(i + 1) + " " + m.status;
            Scenario alone = make(name + " alone", m.text);
            alone.line = m.line;
            statusOnly(alone, firstStatus(m.text));
            m_out.push_back(std::move(alone));

            // Each other status among the later markers: all of them in the
            // page before this one.
            std::vector<std::string> statuses;
            for (size_t j = i + 1; j < m_markers.size(); ++j) {
                const std::string& other = m_markers[j].status;
                if (other != m.status && std::find(statuses.begin(), statuses.end(), other) == statuses.end()) {
                    statuses.push_back(other);
                }
            }
            for (const std::string& other : statuses) {
                std::string page;
                for (size_t j = m_markers.size(); j-- > i + 1;) {
                    if (m_markers[j].status == other) page += m_markers[j].text + "\n<br>\n";
                }
                page += m.text;
                Scenario order = make(name + " before the later " + other + " markers", page);
                order.line = m.line;
                statusOnly(order, firstStatus(page));
                m_out.push_back(std::move(order));
            }

            // The marker cut short at either end is no longer the marker.
            if (m.text.size() < 2) continue;
            for (const bool atEnd : {true, false}) {
                const std::string cut = atEnd ? m.text.substr(0, m.text.size() - 1) : m.text.substr(1);
                Scenario shortened = make(name + (atEnd ? " cut by its last character" : " cut by its first character"),
                                          cut);
                shortened.line = m.line;
                if (const std::string other = firstStatus(cut); !other.empty()) {
                    statusOnly(shortened, other);
                } else {
                    shortened.notStatus = m.status;
                    shortened.requestsUnchecked = true;
                }
                m_out.push_back(std::move(shortened));
            }
        }

        // The page of the length cases, and what it records inside and
        // outside a rule.
        const MarkerLine* served = nullptr;
        for (const MarkerLine& m : m_markers) {
            if (m.status == "InvalidLogin") {
                served = &m;
                break;
            }
        }
        if (!served && !m_markers.empty()) served = &m_markers.front();
        for (const LengthRule& rule : m_lengths) {
            std::string& (*field)(Scenario&) = nullptr;
            if (rule.field == "user") {
                field = [](Scenario& s) -> std::string& { return s.user; };
            } else if (rule.field == "password") {
                field = [](Scenario& s) -> std::string& { return s.password; };
            } else {
                field = [](Scenario& s) -> std::string& { return s.password2; };
            }
            const std::string what = rule.field == "user" ? "username" : rule.field;
            const int own = static_cast<int>(field(block).size());
            if ((rule.exact && own != rule.exact) || (rule.min && own < rule.min) || (rule.max && own > rule.max)) {
                return fail("the block's own " + rule.field + " breaks its length rule (line " +
                            std::to_string(rule.line) + ")");
            }
            struct Case {
                int length;
                std::string broken;  // the end of the log line; "" inside
            };
            std::vector<Case> cases;
            auto text = [](int a, const char* op, int b) { return std::to_string(a) + op + std::to_string(b); };
            if (rule.exact) {
                cases.push_back({rule.exact, ""});
                if (rule.exact > 1) cases.push_back({rule.exact - 1, text(rule.exact, " != ", rule.exact - 1)});
                cases.push_back({rule.exact + 1, text(rule.exact, " != ", rule.exact + 1)});
            }
            if (rule.min) {
                cases.push_back({rule.min, ""});
                if (rule.min > 1) cases.push_back({rule.min - 1, text(rule.min - 1, " < ", rule.min)});
            }
            if (rule.max) {
                cases.push_back({rule.max, ""});
                cases.push_back({rule.max + 1, text(rule.max + 1, " > ", rule.max)});
            }
            for (const Case& c : cases) {
                const bool inside = c.broken.empty();
                Scenario s = make(rule.field + " of " + std::to_string(c.length) +
                                      (inside ? " characters passes its rule" : " characters breaks its rule"),
                                  served ? served->text : std::string());
                s.line = rule.line;
                field(s) = fitted(field(block), c.length);
                s.requestShapeOnly = true;
                if (served) {
                    s.status = served->status == "InvalidLogin" && !inside ? "LoginLength" : served->status;
                }
                if (inside) {
                    s.noLog.emplace_back("Possible invalid");
                } else {
                    s.log.emplace_back("Possible invalid " + what + " length for {*}: " + c.broken + "\n");
                }
                m_out.push_back(std::move(s));
            }
        }
    }

    void stored(StoredCheck& check, const std::string& value, bool activity) {
        if (value == "[not-tracked]") {
            check.kind = StoredCheck::NotTracked;
        } else if (value == "[blank]") {
            check.kind = StoredCheck::Blank;
        } else if (value == "[untouched]") {
            check.kind = StoredCheck::Untouched;
        } else if (activity && value == "[no-recent]") {
            check.kind = StoredCheck::NoRecent;
        } else if (!value.empty() && value[0] == '[' && value.back() == ']') {
            throw std::invalid_argument("unknown fixed row " + value);
        } else {
            check.kind = StoredCheck::Exact;
            check.exact = Pattern(bodyText(value, false));
        }
    }

    // A one-line value, or the lines of a here-document up to its word.
    // Served bodies are unescaped here; patterns keep their escapes.
    std::string bodyText(const std::string& value, bool unescapeIt) {
        if (value.rfind("<<", 0) != 0) return unescapeIt ? unescape(value) : value;
        const std::string word = trim(value.substr(2));
        if (word.empty()) throw std::invalid_argument("<< needs an end word");
        const size_t first = m_next;
        std::string text;
        bool joinNext = true;
        while (m_next < m_lines.size()) {
            std::string line = m_lines[m_next++];
            if (line == word) return text;
            if (!joinNext) text += '\n';
            // A line ending in a lone backslash continues on the next line.
            size_t trailing = 0;
            while (trailing < line.size() && line[line.size() - 1 - trailing] == '\\') ++trailing;
            joinNext = trailing % 2 == 1;
            if (joinNext) line.pop_back();
            int64_t pad = 0;
            if (line.rfind("@@pad ", 0) == 0 && parseInt(trim(line.substr(6)), pad)) {
                text += std::string(static_cast<size_t>(pad), '.');
            } else {
                text += unescapeIt ? unescape(line) : line;
            }
        }
        throw std::invalid_argument("body from line " + std::to_string(first) + " has no end line \"" + word +
                                    "\"");
    }

    static void splitRequestLine(const std::string& value, std::string& method, Address& address) {
        const size_t blank = value.find(' ');
        if (blank == std::string::npos) throw std::invalid_argument("needs METHOD and URL");
        method = value.substr(0, blank);
        address = parseAddress(trim(value.substr(blank + 1)));
    }

    void fail(int lineNumber, const std::string& message) {
        const std::string text = m_file + ":" + std::to_string(lineNumber) + ": " + message;
        if (!m_current) {
            m_current.emplace();
            m_current->key = m_key;
            m_current->file = m_file;
            m_current->line = lineNumber;
            m_current->title = "file problem";
            m_current->index = static_cast<int>(m_out.size()) + 1;
        }
        if (m_current->error.empty()) m_current->error = text;
    }

    void finish() {
        if (!m_current) return;
        Scenario& s = *m_current;
        if (m_inShared) {
            m_inShared = false;
            if (!s.error.empty()) {
                s.index = static_cast<int>(m_out.size()) + 1;
                m_out.push_back(std::move(s));
            } else {
                m_shared = std::move(s);
            }
            m_current.reset();
            m_block = Block::None;
            return;
        }
        if (m_shared) applyShared(s);
        if (m_markerBlock) {
            m_markerBlock = false;
            expandMarkers(s);
            m_current.reset();
            m_block = Block::None;
            return;
        }
        if (s.error.empty() && !s.balance && !s.status && !s.notStatus) {
            s.error = s.where() + ": scenario \"" + s.title + "\" names neither balance nor status";
        }
        m_out.push_back(std::move(s));
        m_current.reset();
        m_block = Block::None;
    }

    // The shared block's account, unless the scenario names its own, and its
    // answers for every route the scenario does not serve itself.
    void applyShared(Scenario& s) const {
        if (!m_seen.count("user")) s.user = m_shared->user;
        if (!m_seen.count("password")) s.password = m_shared->password;
        if (!m_seen.count("password2")) s.password2 = m_shared->password2;
        if (!m_seen.count("today")) s.today = m_shared->today;
        std::vector<ServedAnswer> served;
        for (const ServedAnswer& a : m_shared->served) {
            const bool own = std::any_of(s.served.begin(), s.served.end(), [&a](const ServedAnswer& b) {
                return a.method == b.method && a.address.host == b.address.host &&
                       a.address.target == b.address.target;
            });
            if (!own) served.push_back(a);
        }
        for (ServedAnswer& a : s.served) served.push_back(std::move(a));
        s.served = std::move(served);
    }

    std::string m_key;
    std::string m_file;
    std::vector<std::string> m_lines;
    std::optional<Scenario> m_shared;
    std::set<std::string> m_seen;
    bool m_inShared = false;
    bool m_markerBlock = false;
    std::vector<MarkerLine> m_markers;
    std::vector<LengthRule> m_lengths;
    size_t m_next = 0;
    std::optional<Scenario> m_current;
    Block m_block = Block::None;
    std::vector<Scenario> m_out;
};

}  // namespace

std::vector<Scenario> parseScenarios(const std::string& key, const std::string& fileName, const std::string& text) {
    return Parser(key, fileName, text).run();
}

std::vector<Scenario> loadScenarios(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.path().extension() == ".scenarios") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<Scenario> out;
    if (ec || files.empty()) {
        Scenario s;
        s.key = "none";
        s.title = "no scenario files";
        s.file = folder;
        s.index = 1;
        s.error = "no *.scenarios file in " + folder + (ec ? ": " + ec.message() : "");
        out.push_back(std::move(s));
        return out;
    }
    for (const auto& path : files) {
        auto scenarios = parseScenarios(path.stem().string(), path.filename().string(), readFile(path.string()));
        if (scenarios.empty()) {
            Scenario s;
            s.key = path.stem().string();
            s.title = "empty file";
            s.file = path.filename().string();
            s.index = 1;
            s.error = path.filename().string() + ": no scenario in the file";
            scenarios.push_back(std::move(s));
        }
        for (auto& s : scenarios) out.push_back(std::move(s));
    }
    return out;
}

void serveAll(ImitationWeb& web, const std::vector<const Scenario*>& scenarios) {
    // Answers of one method and target, in the order served.
    std::map<std::tuple<std::string, std::string, std::string>, std::vector<Answer>> routes;
    std::vector<std::tuple<std::string, std::string, std::string>> order;
    for (const Scenario* s : scenarios) {
        for (const ServedAnswer& served : s->served) {
            Answer answer = Answer::page(served.body, served.status);
            for (const auto& [name, value] : served.headers) answer.header(name, value);
            auto routeKey = std::make_tuple(served.address.host, served.method, served.address.target);
            auto& list = routes[routeKey];
            if (list.empty()) order.push_back(routeKey);
            list.push_back(std::move(answer));
        }
    }
    for (const auto& routeKey : order) {
        const auto& [host, method, target] = routeKey;
        auto& answers = routes[routeKey];
        if (answers.size() == 1) {
            web.site(host).on(method, target, answers.front());
        } else {
            web.site(host).onSequence(method, target, answers);
        }
    }
}

}  // namespace rltest
