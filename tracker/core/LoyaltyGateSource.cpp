#include "tracker/core/LoyaltyGateSource.h"

#include <vector>

#include "foundation/StrUtil.h"

namespace tracker {

using foundation::StrUtil;

namespace {

const char* const FONT_TEXT = "<font class=\"text\">";
const char* const RIGHT_CELL = "align=\"right\">";

// The text between start and end, searched from the position just after a
// label; "" when the label is missing, so that no value is taken from some
// other part of the page.
std::string valueAfterLabel(std::string_view page, std::string_view label, std::string_view start,
                            std::string_view end, size_t from = 0) {
    const size_t at = page.find(label, from);
    if (at == std::string_view::npos) return "";
    return StrUtil::extract(page, start, end, static_cast<int>(at + 1));
}

}  // namespace

void LoyaltyGateSource::process(std::string_view page, bool detailed) {
    if (!detailed) {
        registerBalance(valueAfterLabel(page, "Today's mileage balance", FONT_TEXT, "<"));
        return;
    }

    std::string rows;
    rows += "<tr class=d><td>&nbsp;Membership Number</td><td>&nbsp;";
    rows += blobCheck(valueAfterLabel(page, "Membership number<", "\">", "<"), 1, 25);

    rows += "</td></tr><tr class=l><td>&nbsp;Date of Enrollment</td><td>&nbsp;";
    const size_t enrolment = page.find("Date of enrolment<");
    size_t from = 0;
    std::string enrolled;
    if (enrolment != std::string_view::npos) {
        from = enrolment + 1;
        enrolled = StrUtil::extract(page, "\">", "<", static_cast<int>(from));
    }
    rows += blobCheck(enrolled, 1, 25);

    std::string balance;
    const size_t today = page.find("Today's mileage balance<", from);
    if (today != std::string_view::npos) {
        from = today + 1;
        balance = StrUtil::extract(page, FONT_TEXT, "<", static_cast<int>(from));
    }

    const size_t accrued = page.find(">Club Miles accrued", from);
    rows += "</td></tr><tr class=d><td>&nbsp;Club Miles accrued since ";
    std::string since;
    std::string accruedMiles;
    if (accrued != std::string_view::npos) {
        since = StrUtil::extract(page, " since ", "<", static_cast<int>(accrued + 1));
        accruedMiles = StrUtil::replace(StrUtil::extract(page, RIGHT_CELL, "<", static_cast<int>(accrued + 1)),
                                        "&nbsp;", "");
        from = accrued + 1;
    }
    rows += blobCheck(since, 8, 8);
    rows += "</td><td>&nbsp;";
    rows += blobCheck(accruedMiles, 1, 11);

    const size_t needed = page.find(">Club Miles needed", from);
    if (needed != std::string_view::npos) {
        const int after = static_cast<int>(needed + 1);
        rows += "</td></tr><tr class=l><td>&nbsp;Club Miles needed for ";
        rows += blobCheck(StrUtil::extract(page, " for ", " qualification", after), 4, 20);
        rows += " qualification</td><td>&nbsp;";
        rows += blobCheck(StrUtil::replace(StrUtil::extract(page, RIGHT_CELL, "<", after), "&nbsp;", ""), 1, 11);
    }
    rows += "</td></tr>";
    registerDetails(rows);

    std::string table =
        StrUtil::extract(page, "<td width=\"69\" height=\"16\" class=\"tableRowOddPadding\">", ">Total miles this period<");
    // Spacer and marker cells carry nothing.
    for (const char* spacer : {"<td width=\"9\" class=\"tableRowOdd\">&nbsp;</td>",
                               "<td width=\"9\" class=\"tableRowEven\">&nbsp;</td>",
                               "<td width=\"9\" class=\"tableRowOdd\">*</td>",
                               "<td width=\"9\" class=\"tableRowEven\">*</td>"}) {
        table = StrUtil::replace(table, spacer, "");
    }
    table = StrUtil::replace(table, "<br>", BREAK_PLACEHOLDER);
    const std::vector<std::string> headings = {"Date", "Activities", "Miles<br>Credit"};
    const std::vector<std::string> alignments = {"r", "l", "r"};
    std::string activity = rebuildTable(table, headings, alignments, 0, true);
    registerTransactions(StrUtil::replace(activity, BREAK_PLACEHOLDER, "<br>"));

    registerBalance(balance);
}

}  // namespace tracker
