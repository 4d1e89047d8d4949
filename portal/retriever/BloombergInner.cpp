#include "portal/retriever/BloombergInner.h"

#include "foundation/HostTable.h"
#include "foundation/StrUtil.h"
#include "portal/retriever/BloombergHeader.h"
#include "tracker/adapters/AdapterKit.h"

namespace portal::retriever {

using tracker::adapters::betweenFrom;
using tracker::adapters::positionOf;

void BloombergInner::retrieve() {
    const std::optional<std::string> pattern = updateFromTemplate(getName(), getName());
    if (!pattern) return;

    const std::string page = fetch(BloombergHeader::marketsPageURL());
    const std::string images = BloombergHeader::imageFolder() + "/";
    const int snapshot = positionOf(page, "<img usemap=\"#snapshot\"");
    const int from = snapshot < 0 ? -1 : snapshot + 1;
    const std::string rates = betweenFrom(
        page, from, "<table width=\"100%\" border=\"0\" cellspacing=\"5\" cellpadding=\"1\">", "*Quarterly rate</span>");
    std::string indices = betweenFrom(page, from, "<table width=\"300\" border=\"0\" cellpadding=\"0\" cellspacing=\"0\">",
                                      "<img src=\"" + images + "arrow_nospace.gif\" border=\"0\">");
    indices = foundation::StrUtil::replace(indices, images, "images/bloomberg/");

    if (updatedWithin(INTERVAL_MS, "Bloomberg currency", false)) {
        // The script was fetched with a page of this day already.
    } else {
        downloadCurrencyDataScript();
    }

    if (writePage(outputPath(), fillPlaceholders(*pattern, {pageText(rates), pageText(indices)}))) {
        markUpdated(false);
    }
}

void BloombergInner::downloadCurrencyDataScript() {
    download(foundation::HostTable::url("Bloomberg.site", "/jscommon/calculators/currdata.js"), CURRENCY_SCRIPT, false);
}

}  // namespace portal::retriever
