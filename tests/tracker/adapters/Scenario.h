#pragma once
// Adapter scenarios: for one adapter and one case, the pages its imitation
// site serves, the requests the site expects, and the outcome the adapter
// must record. Scenarios are data, one file per adapter:
// tests/tracker/adapters/scenarios/<Key>.scenarios; ScenarioTest runs every
// scenario of every file through the real adapter, the real web client and
// libcurl, each as a test case of its own ("<Key>_<n>_<title>").
//
// ---- The format -----------------------------------------------------------
//
// A line starting with "#" is a comment; blank lines are skipped outside
// bodies. Every other line is "keyword: value" (leading blanks are allowed,
// for the eye only). A scenario starts with
//
//   scenario: <title>
//
// and runs to the next "scenario:" or the end of the file. Inside it:
//
// A file may hold, before its scenarios, one block
//
//   shared: <anything>
//
// with account and "serve:" lines only: every scenario after it takes the
// shared account unless it names its own, and the shared answers of every
// route (method and URL) that it does not serve itself.
//
// The account (each optional, default empty):
//   user: <text>                the user name as the user typed it
//   password: <text>
//   password2: <text>
//
// The site. Each "serve:" adds one answer; serving the same method and URL
// again gives successive answers, the last one repeating. A URL with a
// query is matched with its query, one ending in "*" by its beginning, one
// without a query by its path alone. Its lines follow it:
//   serve: <METHOD> <scheme://host/path?query>
//     answer: <code>            the HTTP status (default 200)
//     header: <Name>: <value>   a header field of the answer (Set-Cookie,
//                               Location, ...), repeatable
//     body: <text>              the page on one line, or
//     body: <<WORD              the page on the lines up to a line that is
//     ...                       exactly WORD; the lines are joined by "\n"
//     WORD                      (a line ending in a lone "\" goes on with
//                               the next line without a line break; a line
//                               "@@pad N" stands for N "." bytes)
// A request that nothing serves gets 404 (which the web client fails on).
//
// The requests. Every request the adapter makes must be expected, in the
// order made, and nothing more; a scenario without "expect:" lines expects
// no request at all.
//   expect: <METHOD> <scheme://host/path?query pattern>
//     body: <pattern>  /  body: <<WORD ... WORD     the request body
//                               (unchecked when not given)
//     cookie: <name>=<value>    a cookie the request must carry, repeatable
//     no-cookies:               the request carries no Cookie field
//     after: <ms>               it came at least ms milliseconds after the
//                               request before it (a pause of the adapter)
//
// The outcome (at least balance or status):
//   balance: <text>             the stored balance, exactly ("12345")
//   status: <Name>              InvalidLogin, LoginLength, BlockedLogin,
//                               InteractionRequired, Maintenance,
//                               NonFunctional, ProviderProblem, TimedOut,
//                               Unknown
//   details: <pattern> / <<WORD ... WORD    the stored details, whole,
//                               written as the adapter builds them (the
//                               runner applies the storage's quote folding)
//   details: [not-tracked] / [blank] / [untouched]   the fixed row, the
//                               empty text, or nothing stored
//   details-contains: <pattern> a fragment of the details, repeatable
//   details-lacks: <pattern>    a fragment that must not be there
//   activity: ..., activity-contains: ..., activity-lacks: ...   the same
//                               for the activity ([no-recent] as well)
//   report: <pattern>           an error report was made and contains this
//   report: [none]              no error report was made
//   log: <pattern>              the log (verbose) contains this, repeatable
//   no-log: <pattern>           the log does not contain this
//   tag: <word>                 marks the scenario for other tests
//                               ("retrieve": the balance scenario that the
//                               headless retrieval test replays)
//
// The clock (optional): "today: 2006-05-31" fixes the adapters' clock
// (AdapterClock) at noon of that day, local time, for the scenario.
//
// ---- Marker tables --------------------------------------------------------
//
// A block
//
//   markers: <title>
//
// names one page at which the adapter tests markers and the markers it
// tests there, in the adapter's order; it stands for one scenario per
// marker and more (below), run like any other. It holds the account and
// "today:" like a scenario (the shared block applies), "serve:" lines with
// exactly one page written "body: [markers]" (the page under test), the
// "expect:" lines of the requests made up to and including that page, and
// in order:
//   provider: <marker>          a provider problem
//   maintenance: <marker>
//   blocked: <marker>
//   interaction: <marker>       interaction required
//   invalid: <marker>           invalid login (login length after a broken
//                               length rule)
//   bad-login: <Status>: <marker>   a status of the adapter's choosing
//   length: user|password|password2 <rule>   a length rule of the adapter:
//                               "10" (exactly), "5.." (at least), "..11" (at
//                               most), "6..12"
// Markers are written as they stand in the page (escapes as in bodies; a
// marker that starts or ends with a blank writes it  ).
//
// The scenarios it stands for:
// - each marker alone as the page under test records the status of the
//   first marker of the table that page holds (normally its own), makes
//   exactly the expected requests, stores no details or activity beyond
//   the not-tracked rows, and reports nothing;
// - each marker with all later markers of each other status in the page
//   (placed before it) records the status of the first marker of the table
//   the page holds: the first in order wins where kinds meet;
// - each marker cut by its last character, and by its first, as the page
//   under test does not record its status (unless another marker of the
//   table is in the cut text): the adapter's marker is not shorter than
//   the table's; the adapter goes on, so its requests are not checked;
// - each length rule at its boundary: the account's credential cut or
//   lengthened to the shortest and longest length inside the rule, and to
//   one character outside it, with the first invalid marker of the table
//   as the page under test (none: the first marker; no markers: no page).
//   Inside: no "Possible invalid" log line, and invalid login where an
//   invalid marker is served; outside: the line "Possible invalid <field>
//   length for <display>: ..." of the broken rule, and the login-length
//   status. Their requests are checked by method, scheme and host only
//   (credentials change the addresses); serve a route whose address holds
//   a credential with a trailing "*".
// The block's own account must pass every length rule.
//
// Escapes, in every value and body: \\ \n \r \t \xNN (one byte: page
// bodies are Latin-1 bytes), \{ and \}. The file itself is UTF-8, so a
// user name "M\xC3\xBCller" may also be written as it reads.
//
// Patterns (expected URLs and bodies, details, activity, report and log
// texts): {A..B} stands for a decimal number from A to B (the random click
// position of an image button), {*} for any text; a literal brace is
// written \{ or \}.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rltest {

class ImitationWeb;

// A text pattern: literal pieces, numbers in a range and wildcards.
class Pattern {
public:
    Pattern() = default;
    // Throws std::invalid_argument for a malformed pattern.
    explicit Pattern(const std::string& source);

    bool matches(const std::string& text) const;
    // Whether it holds a range from 1: a click position.
    bool hasClickRange() const;
    // Which numbers a range from 1 takes on this thread: 0 any from 1 to
    // B, -1 only 1, 1 only B (the random source fixed at one end).
    static void setRangeEnd(int end);
    bool foundIn(const std::string& text) const;
    const std::string& source() const { return m_source; }

private:
    struct Token {
        enum Kind { Literal, Range, Any } kind;
        std::string text;
        int64_t lo = 0;
        int64_t hi = 0;
    };
    bool matchFrom(const std::string& text, size_t pos, size_t token) const;

    std::string m_source;
    std::vector<Token> m_tokens;
};

// A parsed "scheme://host/target".
struct Address {
    std::string scheme;
    std::string host;
    std::string target;
};

struct ServedAnswer {
    std::string method;
    Address address;
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    int line = 0;
    bool underTest = false;  // "body: [markers]" of a marker table
};

// One line of a marker table: the status it records and its text.
struct MarkerLine {
    std::string status;  // a status name
    std::string text;
    int line = 0;
};

// A length rule of a marker table; 0 means no limit.
struct LengthRule {
    std::string field;  // "user", "password", "password2"
    int exact = 0;
    int min = 0;
    int max = 0;
    int line = 0;
};

struct ExpectedRequest {
    std::string method;
    std::string scheme;
    std::string host;
    Pattern target;
    std::optional<Pattern> body;
    std::vector<std::pair<std::string, std::string>> cookies;
    bool noCookies = false;
    int afterMs = 0;  // the least gap after the request before it
    int line = 0;
};

// What is stored for details or activity. StatusOnly: the not-tracked row
// when the program does not track it, else untouched (only a status was
// recorded).
struct StoredCheck {
    enum Kind { Unchecked, Exact, NotTracked, Blank, NoRecent, Untouched, StatusOnly } kind = Unchecked;
    Pattern exact;
    std::vector<Pattern> contains;
    std::vector<Pattern> lacks;
};

struct Scenario {
    std::string key;    // program key (the file's name)
    std::string title;
    std::string file;
    int line = 0;
    int index = 0;      // 1-based within its file

    std::string user;
    std::string password;
    std::string password2;

    std::string today;  // "YYYY-MM-DD", or "" for the system clock
    // The click positions drawn: 0 at random, -1 all at their least, 1 all
    // at their greatest (the ranges of the expected requests then name
    // that end alone).
    int clickEnd = 0;

    std::vector<ServedAnswer> served;
    std::vector<ExpectedRequest> expected;
    // Requests checked by method, scheme, host and number only.
    bool requestShapeOnly = false;
    // Requests not checked at all (the adapter goes on past the page).
    bool requestsUnchecked = false;

    std::optional<std::string> balance;
    std::optional<std::string> status;  // a status name
    std::optional<std::string> notStatus;  // a status name that must not be recorded
    StoredCheck details;
    StoredCheck activity;
    std::optional<Pattern> report;      // absent: unchecked
    bool noReport = false;
    std::vector<Pattern> log;
    std::vector<Pattern> noLog;
    std::vector<std::string> tags;

    // A problem of the file: the scenario fails with it.
    std::string error;

    bool hasTag(const std::string& tag) const;
    // "Aeroflot_3_balance_after_its_label"
    std::string testName() const;
    // "Aeroflot.scenarios:12"
    std::string where() const { return file + ":" + std::to_string(line); }
};

// The scenarios of one file's text; problems are kept in the scenarios'
// error fields (a problem before the first scenario gives a scenario of
// its own).
std::vector<Scenario> parseScenarios(const std::string& key, const std::string& fileName, const std::string& text);

// Every *.scenarios file of a folder, in file-name order.
std::vector<Scenario> loadScenarios(const std::string& folder);

// The escapes of the format turned into bytes (braces unescaped).
std::string unescape(const std::string& text);

// Parses "scheme://host/target"; throws std::invalid_argument.
Address parseAddress(const std::string& url);

// The status text stored for a status name; absent for an unknown name.
std::optional<std::string> statusText(const std::string& name);

// Scripts the site answers of the scenarios into the imitation web.
void serveAll(ImitationWeb& web, const std::vector<const Scenario*>& scenarios);

}  // namespace rltest
