#include "portal/retriever/MoviefoneHeader.h"

#include "foundation/HostTable.h"
#include "tracker/adapters/AdapterKit.h"

namespace portal::retriever {

void MoviefoneHeader::retrieve() {
    // The list changes daily: a manual refresh does not fetch it again.
    if (updatedWithin(INTERVAL_MS, "Moviefone Header", false)) return;
    const std::optional<std::string> pattern = updateFromTemplate(getName(), getName());
    if (!pattern) return;

    const std::string page =
        fetch(foundation::HostTable::url("Moviefone.site", "/search/main.adp?_pgtyp=pdct&tab=movies"), 30000);
    const std::string movies = tracker::adapters::between(page, "Select a Movie</option>", "</select>");

    if (writePage(outputPath(), fillPlaceholders(*pattern, {pageText(movies)}))) markUpdated(false);
}

}  // namespace portal::retriever
