#pragma once
// What every adapter's update() is made of: credentials put into form bodies
// and queries, the markers that classify an answer page in a fixed order,
// values read after a label, values and hidden fields lifted from a page,
// groups cut from a user name, texts kept whole through the activity table
// builder, dates a number of months back, and the byte limits of fetches
// whose page matters only in part. The steps an adapter calls on itself
// (addresses, cookies, script redirects, log-outs) are in Adapter.h; the
// list of all of them is in README.md beside this file.
//
// Page texts are the web client's bytes, one char per byte; markers are
// compared byte for byte (a marker that is not ASCII is written with "\xNN"
// escapes). Positions are byte offsets, -1 standing for "not found".
//
// A value searched from the position of a label is empty when the label is
// missing: it is never taken from the top of the page, where it would belong
// to some other label. An empty value becomes the Unknown status when it is
// recorded as a balance.

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tracker {
class RLSource;
class SourceConfig;
}  // namespace tracker

namespace tracker::adapters {

// ---- Credentials ---------------------------------------------------------

// A credential for a form body or a query: "&", "=", "+", "%", "#", blank,
// control characters and characters above 0x7E are percent-encoded, every
// other character goes as typed.
std::string credential(std::string_view value);

// A text of the user's (UTF-8) as a page carries it, one byte a character
// (ISO 8859-1), for a marker that holds it; absent when one of its
// characters has no such byte, as then no page can hold it.
std::optional<std::string> inPageEncoding(std::string_view text);

// A credential in lower or upper case whatever the machine's locale: the
// letters of ASCII and Latin-1 change case ("\xC3\x9F" upper-cased is
// "SS"); every other character stays as typed.
std::string lowerCase(std::string_view value);
std::string upperCase(std::string_view value);

// Characters from..from+length-1 (0-based) of a text, clamped to its
// length: a short user name gives short or empty groups instead of a cut
// outside it.
std::string group(std::string_view text, size_t from, size_t length);

// ---- Markers ---------------------------------------------------------------

enum class MarkerKind {
    Provider,     // temporary problem with the site
    Maintenance,  // scheduled maintenance
    Blocked,      // too many wrong attempts
    Interaction,  // the user must log in by hand
    Invalid,      // wrong credentials (or their length, after a broken rule)
    BadLogin      // a status text of the adapter's choosing
};

struct Marker {
    MarkerKind kind;
    std::string text;
    std::string status;  // BadLogin only
};

inline Marker provider(std::string text) { return {MarkerKind::Provider, std::move(text), {}}; }
inline Marker maintenance(std::string text) { return {MarkerKind::Maintenance, std::move(text), {}}; }
inline Marker blocked(std::string text) { return {MarkerKind::Blocked, std::move(text), {}}; }
inline Marker interaction(std::string text) { return {MarkerKind::Interaction, std::move(text), {}}; }
inline Marker invalid(std::string text) { return {MarkerKind::Invalid, std::move(text), {}}; }
inline Marker badLogin(std::string text, std::string status) {
    return {MarkerKind::BadLogin, std::move(text), std::move(status)};
}

using Markers = std::vector<Marker>;

// Tests the markers in their order; the first one the page contains records
// its status through the source and the answer is true. False, with nothing
// recorded, when the page holds none of them.
bool firstMarker(RLSource& source, std::string_view page, const Markers& markers);

// ---- Reading values ------------------------------------------------------

// The position of text in the page at or after from (negative from counts
// as 0); -1 when missing.
int positionOf(std::string_view page, std::string_view text, int from = 0);

// The position just past the end of text, found as positionOf finds it;
// -1 when missing.
int positionAfter(std::string_view page, std::string_view text, int from = 0);

// The position of the last of labels, the first searched at or after
// from and each further one from one past the position of the one before
// it ("after A, then after B"); -1 as soon as one is missing.
int chainedPosition(std::string_view page, std::initializer_list<std::string_view> labels, int from = 0);

// The position of the n-th occurrence (from 1) of text at or after from,
// each searched from one past the one before; -1 when there are fewer.
int nthPosition(std::string_view page, std::string_view text, int n, int from = 0);

// The position of text at or after from; where the program names a place
// to search from when the text is missing there (0: the top of the page),
// that fallback. -1 when from is -1: the label before it was missing, and
// no fallback stands in for a missing label.
int positionOr(std::string_view page, std::string_view text, int from, int fallback);

// The text between start and the next end after it, searched from the
// first start in the page; "" when either is missing.
std::string between(std::string_view page, std::string_view start, std::string_view end);

// The text between the first start at or after position and the next end
// after it; "" when position is -1 (a label that was not found) or a marker
// is missing.
std::string betweenFrom(std::string_view page, int position, std::string_view start, std::string_view end);

// The text between start and end, searched from the position of label; ""
// when the label or a marker is missing.
std::string valueAfter(std::string_view page, std::string_view label, std::string_view start,
                       std::string_view end);

// The value after a chain of labels (chainedPosition); "" when a label or
// a marker is missing.
std::string valueAfterChain(std::string_view page, std::initializer_list<std::string_view> labels,
                            std::string_view start, std::string_view end);

// ---- Whole numbers ---------------------------------------------------------

// The sum of whole numbers, each read as StrUtil::parseInt reads it
// (sign and digits, within the 32-bit range), in decimal;
// absent when one of them is no whole number. Summed in 64 bits, so no sum
// of 32-bit figures wraps round.
std::optional<std::string> sumOfIntegers(const std::vector<std::string>& texts);

// ---- Lifting from a login page -------------------------------------------

// The text between prefix and the next suffix (a form's ACTION, a hidden
// input's value); "" when either is missing.
inline std::string lift(std::string_view page, std::string_view prefix, std::string_view suffix) {
    return between(page, prefix, suffix);
}

// The case of the hexadecimal digits of a percent escape.
enum class HexCase { Upper, Lower };

// A lifted value made fit for a form body: "/", "|", ":", "=", "+", "~",
// ",", "@" percent-encoded ("%2F", or "%2f" for sites that write their
// escapes in lower case).
std::string escapeLifted(std::string_view value, HexCase hexCase = HexCase::Upper);

// The "__VIEWSTATE" value of an ASP.NET form, escaped for the form body; ""
// when the page has none.
std::string liftViewState(std::string_view page);

// An address lifted from a page made absolute against the address of that
// page, as redirects are: absent when the lifted text is empty.
std::optional<std::string> resolveLifted(const std::string& pageAddress, std::string_view lifted);

// The value of the first value="..." after anchor, whatever attributes
// stand between them (<input name="x" id="y" value="...">); "" when either
// is missing. Not escaped.
std::string liftValueAfter(std::string_view page, std::string_view anchor);

// The view state as the value="..." that follows name="__VIEWSTATE"
// anywhere after it, escaped for the form body; "" when there is none.
std::string liftNextViewState(std::string_view page);

// The hidden inputs of a form relayed into the next form body.
struct HiddenFieldRelay {
    std::string_view form{};       // where the form starts (searched from the top)
    std::string_view formEnd{};    // where it ends; "" or missing: the end of the page
    std::string_view input{};      // the text before each field's name, such as <input type="hidden" name="
    std::string_view value{};      // the text before its value, such as value="
    int maxFields = 0;             // one field more fails the relay
    bool escapeEquals = false;     // "=" in a value written "%3D"
    std::string_view stopAfter{};  // the last field relayed; "": every field of the form
    bool joined = false;           // pairs joined by "&" (none after the last) instead of each followed by one
};

// The form's fields as "name=value&" pairs (joined: "name=value" pairs
// with "&" between them), in page order: each name runs to the next '"'
// after the input text, its value from the next value text after the name
// to the next '"'. Absent when the form is missing or holds more than
// maxFields fields. With a stop field the relay ends after that field and
// is absent when it is not among the first maxFields fields.
std::optional<std::string> relayHiddenFields(std::string_view page, const HiddenFieldRelay& relay);

// ---- Activity tables -------------------------------------------------------

// A text of a scraped table that must pass the table builder's cell
// splitting intact (a line break inside a cell, a link): it becomes the
// placeholder before the table is built, and the placeholder becomes
// restored in the rows built.
struct KeptText {
    std::string text;
    std::string placeholder;
    std::string restored;
};

std::string replaceKept(std::string text, const std::vector<KeptText>& kept);
std::string restoreKept(std::string rows, const std::vector<KeptText>& kept);

// ---- Dates -----------------------------------------------------------------

// A day or year text that is no decimal number, or a month text that is no
// month name.
class NumberFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Jan".."Dec" (exact case) as the calendar's months 0..11; -1 for any
// other text.
int convertMonthToNum(std::string_view month);
// 0..11 as "Jan".."Dec"; "" for any other number.
std::string convertMonthToStr(int month);

// The date monthsBack months before month/day/year (texts as a page's
// date selectors give them) as the query
// monthKey + "=" + month name + "&" + dayKey + "=" + day + "&" + yearKey + "=" + year.
// Calendar arithmetic: a day past the end of its month runs on into the
// next, the day stays where the earlier month has it, else it becomes
// that month's last day (31 May, 3 months back: 28 or 29 Feb), and the
// year goes back when the months pass January. Throws NumberFormatError
// for a day or year that is no decimal number or a month that is no
// month name.
std::string buildPreviousDateStr(std::string_view month, std::string_view day, std::string_view year,
                                 int monthsBack, std::string_view monthKey, std::string_view dayKey,
                                 std::string_view yearKey);

// The adapters' clock. Tests fix "now"; without a clock set it is the
// system's.
class AdapterClock {
public:
    using Now = std::function<std::chrono::system_clock::time_point()>;
    static void set(Now now);
    static std::chrono::system_clock::time_point now();
    // The calendar year of now, in the local time zone.
    static int currentYear();
};

// The random source of image-button clicks. Tests fix it; without a
// source set it is MathUtil::rand.
class AdapterRandom {
public:
    using Source = std::function<int(int lo, int hi)>;
    static void set(Source source);
    // A whole number from lo to hi, both included.
    static int rand(int lo, int hi);
};

// ---- Fetching --------------------------------------------------------------

// Byte limit of a request whose answer is not read (opening a site's
// cookies, relaying a login, signing off).
constexpr int PAGE_NOT_READ = 1;

// ---- Configuration ---------------------------------------------------------

// The program table's record of a key. A key that the table lacks is a
// fault of the build: it is logged once and answered with a record that
// allows nothing.
const SourceConfig& programConfig(const char* key);

}  // namespace tracker::adapters
