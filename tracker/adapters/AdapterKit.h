#pragma once
// What every adapter's update() is made of: credentials put into form bodies
// and queries, the markers that classify an answer page in a fixed order,
// values read after a label, values lifted from a login page, groups cut
// from a user name, and the byte limits of fetches whose page matters only
// in part.
//
// Page texts are the web client's bytes, one char per byte; markers are
// compared byte for byte (a marker that is not ASCII is written with "\xNN"
// escapes). Positions are byte offsets, -1 standing for "not found".
//
// A value searched from the position of a label is empty when the label is
// missing: it is never taken from the top of the page, where it would belong
// to some other label. An empty value becomes the Unknown status when it is
// recorded as a balance.

#include <initializer_list>
#include <optional>
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

// ---- Lifting from a login page -------------------------------------------

// The text between prefix and the next suffix (a form's ACTION, a hidden
// input's value); "" when either is missing.
inline std::string lift(std::string_view page, std::string_view prefix, std::string_view suffix) {
    return between(page, prefix, suffix);
}

// A lifted value made fit for a form body: "/", "|", ":", "=", "+", "~",
// ",", "@" percent-encoded.
std::string escapeLifted(std::string_view value);

// The "__VIEWSTATE" value of an ASP.NET form, escaped for the form body; ""
// when the page has none.
std::string liftViewState(std::string_view page);

// An address lifted from a page made absolute against the address of that
// page, as redirects are: absent when the lifted text is empty.
std::optional<std::string> resolveLifted(const std::string& pageAddress, std::string_view lifted);

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
