#include "portal/retriever/MoviefoneInner.h"

#include <utility>
#include <vector>

#include "foundation/AsynchURL.h"
#include "foundation/HostTable.h"
#include "foundation/StrUtil.h"
#include "portal/retriever/MessageFormat.h"
#include "tracker/adapters/AdapterKit.h"

namespace portal::retriever {

namespace {

std::string site(const std::string& path) { return foundation::HostTable::url("Moviefone.site", path); }

}  // namespace

std::string MoviefoneInner::failureReport() const { return "Moviefone exception for zip code " + getParam(); }

std::string MoviefoneInner::rewriteShowtimes(const std::string& section) {
    const std::string form = "<form id=\"showtimeform\">";
    const std::string favourite = "<a class=\"generic\" onclick=\"window.open('" + site("/common/addfavorite.adp");
    const std::string key = "onClick=\"remote = window.open('theaterKey.adp','theaterKey','width=180,height=230'); "
                            "remote.focus();\">Key</a>";
    const std::string absoluteKey = "onClick=\"remote = window.open('" + site("/showtimes/theaterKey.adp") +
                                    "','theaterKey','width=180,height=230'); remote.focus(); return false;\">Key</a>";
    const std::vector<std::pair<std::string, std::string>> rewrites = {
        {"<span class=\"button off\" title=\"No Online Ticketing\">No Online Ticketing</span>", ""},
        {"<a class=\"button\"", "<!--<a class=\"button\""},
        {"Get Tickets</a>", "Get Tickets</a>-->"},
        {form, "<!--" + form},
        {"<!-- Your Location begins -->", "--><!-- Your Location begins --><!--"},
        {"<!-- Your Location ends -->", "--><!-- Your Location ends -->"},
        {form, "<form id=\"showtimeform\" action=\"" + site("/showtimes/closesttheaters.adp") + "\">"},
        {favourite, "<!--" + favourite},
        {">Add to My Theaters</a>", ">Add to My Theaters</a>-->"},
        {"src=\"" + site("/images/amenities/"), "src=\"images/moviefone/temp/"},
        {"\" width=\"26\" height=\"26\" ", ".gif\" width=\"26\" height=\"26\" "},
        {"<a href=\"javascript:void(0);\" class=\"generic\"", "<a href=\"#\""},
        {key, absoluteKey},
        {"href=\"/predir.adp", "href=\"" + site("/predir.adp")},
        {"href=\"/redir.adp", "href=\"" + site("/redir.adp")},
    };
    std::string out = section;
    for (const auto& [from, to] : rewrites) out = foundation::StrUtil::replace(out, from, to);
    return out;
}

void MoviefoneInner::retrieve() {
    const std::string& postalCode = getParam();
    // Show times change daily: a manual refresh for the same postal code
    // does not fetch them again.
    if (updatedWithin(INTERVAL_MS, "Moviefone Inner", true)) return;
    const std::optional<std::string> pattern = updateFromTemplate(getName() + " for " + postalCode, getName());
    if (!pattern) return;

    const std::string page = fetch(site("/search/locationresults.adp?zipcode=" +
                                        foundation::AsynchURL::formEncode(postalCode) + "&x=1&y=1"));
    const std::string section = tracker::adapters::between(
        page, "<div class=\"a1\" style=\"display:none;\"></div>", "<div id=\"right_v2\">");

    const std::string filled = MessageFormat::format(*pattern, {pageText(rewriteShowtimes(section))});
    if (writePage(outputPath(), filled)) markUpdated(true);
}

}  // namespace portal::retriever
