#include "portal/retriever/BloombergHeader.h"

#include "foundation/HostTable.h"
#include "foundation/StrUtil.h"
#include "tracker/adapters/AdapterKit.h"

namespace portal::retriever {

using tracker::adapters::betweenFrom;
using tracker::adapters::positionOf;

std::string BloombergHeader::marketsPageURL() {
    return foundation::HostTable::url("Bloomberg.site", "/markets/index.html");
}

std::string BloombergHeader::imageFolder() { return foundation::HostTable::url("Bloomberg.site", "/images"); }

void BloombergHeader::retrieve() {
    const std::optional<std::string> pattern = updateFromTemplate(getName(), getName());
    if (!pattern) return;

    const std::string page = fetch(marketsPageURL(), 7000);
    const std::string row = "<tr bgcolor=\"#4B4B4B\">";
    const int logo = positionOf(page, "bblogo.gif");
    const int rowAt = logo < 0 ? -1 : positionOf(page, row, logo + 1);
    std::string ticker = betweenFrom(page, rowAt, row, "</tr>");
    ticker = foundation::StrUtil::replace(ticker, "src=\"" + imageFolder() + "/1x1.gif\"",
                                          "src=\"images/bloomberg/1x1.gif\"");

    writePage(outputPath(), fillPlaceholders(*pattern, {pageText(ticker)}));
}

}  // namespace portal::retriever
