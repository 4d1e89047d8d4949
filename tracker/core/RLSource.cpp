#include "tracker/core/RLSource.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "foundation/ExceptionUtil.h"
#include "foundation/Logger.h"
#include "foundation/MathUtil.h"
#include "foundation/Messages.h"
#include "foundation/StrUtil.h"
#include "foundation/TextBrowser.h"
#include "foundation/TextBrowserException.h"
#include "platform/system/NumberText.h"
#include "tracker/core/BaseEngine.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/SourceConfig.h"
#include "tracker/ui/BaseRLApp.h"

namespace tracker {

using foundation::ExceptionUtil;
using foundation::Logger;
using foundation::StrUtil;

namespace {

// Characters (UTF-8 sequences or single bytes) in a text.
size_t charCount(std::string_view text) {
    size_t count = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t length = 0;
        StrUtil::charAt(text, pos, length);
        if (length == 0) break;
        pos += length;
        ++count;
    }
    return count;
}

// The position of marker at or after from; -1 when missing or from is out
// of the page.
int findFrom(std::string_view page, std::string_view marker, int from) {
    if (from < 0) from = 0;
    if (static_cast<size_t>(from) > page.size()) return -1;
    const size_t pos = page.find(marker, static_cast<size_t>(from));
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

// A number as the platform's float parser takes it: optional sign, digits
// with at most one point, at least one digit.
bool parseFloatText(const std::string& text, float& value) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    bool digits = false;
    bool point = false;
    for (size_t j = i; j < text.size(); ++j) {
        const char c = text[j];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digits) return false;
    const std::optional<float> number = sys::parseNumber<float>(text);
    if (!number) return false;
    value = *number;
    return true;
}

std::string removeChars(std::string text, char c) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        if (ch != c) out += ch;
    }
    return out;
}

}  // namespace

RLSource::RLSource() = default;
RLSource::~RLSource() = default;

// --- thread and account --------------------------------------------------

void RLSource::update() { registerAllZero(); }

void RLSource::logTextBrowserException(const foundation::TextBrowserException& failure) {
    // The failure alone, as an entry without a message shows it: its report
    // text once.
    Logger::error(maskSecrets(ExceptionUtil::getStackTrace(failure)));
    const bool networkRelated = failure.isExceptionNetworkRelated();
    registerBalance(RLPreferences::DISPLAY_UNKNOWN, false, networkRelated, -1);
}

void RLSource::init() {
    BaseSource::init();
    auto client = std::make_shared<foundation::TextBrowser>(RLPreferences::getPersistDownloads(),
                                                            RLPreferences::getNiceLevel());
    client->setName(getKey() + "-" + m_username);
    client->setSecrets(secrets());
    std::lock_guard<std::mutex> lock(m_tbLock);
    m_tb = std::move(client);
}

void RLSource::validateLoginLengths(int usernameExact, int usernameMin, int usernameMax, int passwordExact,
                                    int passwordMin, int passwordMax, int password2Exact, int password2Min,
                                    int password2Max) {
    const std::string display = getDisplay();
    // One rule set: exact, then minimum, then maximum; the first broken one
    // is logged. A length that passes the exact rule still faces the other two.
    auto check = [&display](const char* what, size_t lengthValue, int exact, int min, int max) {
        const int length = static_cast<int>(lengthValue);
        const std::string head = std::string("Possible invalid ") + what + " length for " + display + ": ";
        if (exact > 0 && length != exact) {
            Logger::error(head + std::to_string(exact) + " != " + std::to_string(length));
            return false;
        } else if (min > 0 && length < min) {
            Logger::error(head + std::to_string(length) + " < " + std::to_string(min));
            return false;
        } else if (max > 0 && length > max) {
            Logger::error(head + std::to_string(length) + " > " + std::to_string(max));
            return false;
        }
        return true;
    };
    if (!check("username", charCount(m_username), usernameExact, usernameMin, usernameMax)) {
        usernameLengthMayBeInvalid = true;
    }
    if (!check("password", charCount(m_password), passwordExact, passwordMin, passwordMax)) {
        passwordLengthMayBeInvalid = true;
        return;
    }
    if (!check("password2", charCount(m_password2), password2Exact, password2Min, password2Max)) {
        passwordLengthMayBeInvalid = true;
    }
}

void RLSource::validateLoginLengths(int usernameExact, int usernameMin, int usernameMax, int passwordExact,
                                    int passwordMin, int passwordMax) {
    validateLoginLengths(usernameExact, usernameMin, usernameMax, passwordExact, passwordMin, passwordMax, 0, 0,
                         0);
}

void RLSource::setUser(int user) {
    m_user = user;
    const std::string key = getKey();
    m_username = StrUtil::trim(RLPreferences::getUsername(user, key));
    m_password = RLPreferences::getPassword(user, key);
    m_password2 = RLPreferences::getPassword2(user, key);
}

void RLSource::handleBodyFailure(const std::exception* failure) {
    BaseSource::handleBodyFailure(failure);
    if (failure) {
        reportError(*failure);
    } else {
        reportError(std::string("Unknown failure"));
    }
    if (!isBalanceRecorded()) registerBalance(RLPreferences::DISPLAY_UNKNOWN, false);
}

void RLSource::afterUpdate() {
    if (isBalanceRecorded()) return;
    // A path through the adapter that recorded nothing would leave the
    // account pending for ever.
    Logger::error("No balance recorded for " + getKey());
    registerBalance(RLPreferences::DISPLAY_UNKNOWN, false);
}

// --- recording -------------------------------------------------------------

bool RLSource::mayRecord() const { return m_engineRecording || !isStopRequested(); }

void RLSource::markDataUpdated() {
    if (std::shared_ptr<BaseEngine> engine = lockEngine()) engine->setDataUpdated(true);
}

void RLSource::storeBalance(const std::string& value) {
    RLPreferences::setCurrentBalance(m_user, getKey(), value);
    m_balanceRecorded.store(true, std::memory_order_release);
    markDataUpdated();
}

void RLSource::storeDetails(const std::string& html) {
    RLPreferences::setDetails(m_user, getKey(), html);
    markDataUpdated();
}

void RLSource::storeTransactions(const std::string& html) {
    RLPreferences::setTransactions(m_user, getKey(), html);
    markDataUpdated();
}

void RLSource::registerZeroBalance() { registerBalance("0", false); }

void RLSource::registerTransactionsNotTracked() {
    std::lock_guard<std::recursive_mutex> lock(m_recordLock);
    if (!mayRecord()) return;
    Logger::verbose("registerTransactions: not tracked");
    storeTransactions("<tr class=d><td>&nbsp;" + foundation::Messages::get("RLSource.TransactionsNotTracked") +
                      "</td></tr>");
}

void RLSource::registerNoRecentTransactions() {
    std::lock_guard<std::recursive_mutex> lock(m_recordLock);
    if (!mayRecord()) return;
    Logger::verbose("registerTransactions: no recent");
    storeTransactions("<tr class=d><td>&nbsp;" + foundation::Messages::get("RLSource.NoRecentTransactions") +
                      "</td></tr>");
}

void RLSource::registerDetailsNotTracked() {
    std::lock_guard<std::recursive_mutex> lock(m_recordLock);
    if (!mayRecord()) return;
    Logger::verbose("registerDetails: not tracked");
    storeDetails("<tr class=d><td colspan=2>&nbsp;" + foundation::Messages::get("RLSource.DetailsNotTracked") +
                 "</td></tr>");
}

void RLSource::registerTransactions(const std::string& rows) {
    if (ui::BaseRLApp::isAppTypeFarhaven()) return;
    std::lock_guard<std::recursive_mutex> lock(m_recordLock);
    if (!mayRecord()) return;
    const std::string text = toRecordedText(rows);
    Logger::verbose(maskSecrets("registerTransactions: " + std::to_string(rows.size()) + ": " + text));
    storeTransactions(foldQuotes(text));
}

void RLSource::registerDetails(const std::string& rows) {
    if (ui::BaseRLApp::isAppTypeFarhaven()) return;
    std::lock_guard<std::recursive_mutex> lock(m_recordLock);
    if (!mayRecord()) return;
    const std::string text = toRecordedText(rows);
    Logger::verbose(maskSecrets("registerDetails: " + std::to_string(rows.size()) + ": " + text));
    storeDetails(foldQuotes(text));
}

void RLSource::registerProviderProblem() { registerBalance(RLPreferences::DISPLAY_PROVIDER_PROBLEM, false); }

void RLSource::registerLoginLength() { registerBalance(RLPreferences::DISPLAY_LOGIN_LENGTH, false); }

void RLSource::registerBlankTransactions() { registerTransactions(""); }

void RLSource::registerBlankDetails() { registerDetails(""); }

bool RLSource::registerBalance(const std::string& value, bool isNumber, bool noUnknownReport, int subtractFrom) {
    std::lock_guard<std::recursive_mutex> lock(m_recordLock);
    if (!mayRecord()) return false;
    Logger::verbose(maskSecrets("registerBalance: " + toRecordedText(value)));

    std::string stored;
    bool result = true;
    if (isNumber) {
        std::string v = StrUtil::trim(value);
        while (v.size() > 1 && v[0] == '0') v.erase(0, 1);

        std::string w;
        std::string logLine;
        std::string reportText;
        float number = 0;
        const size_t vLength = charCount(v);
        if (v.empty() || vLength > 12) {
            const std::string shown = toRecordedText(v);
            logLine = "registerBalance: '" + shown + "' - no or too many trimmed characters";
            reportText = "Unknown balance (a - no or too many trimmed characters) - " + shown;
        } else {
            size_t pos = 0;
            while (pos < v.size()) {
                size_t length = 0;
                const char32_t c = StrUtil::charAt(v, pos, length);
                if (length == 0) break;
                if (c == U'.' || c == U'-' || StrUtil::isDecimalDigit(c)) w.append(v, pos, length);
                pos += length;
            }
            const size_t wLength = charCount(w);
            if (w.empty() || wLength > 9) {
                logLine = "registerBalance: '" + w + "' - no or too many numeric characters";
                reportText = "Unknown balance (b - no or too many trimmed characters) - " + w;
            } else if (!parseFloatText(w, number)) {
                logLine = "registerBalance: '" + w + "' - still non-numeric after stripping characters";
                reportText = "Unknown balance (c - still non-numeric after stripping characters) - " + w;
            }
        }
        if (!logLine.empty()) {
            Logger::error(maskSecrets(logLine));
            reportError(reportText);
            stored = RLPreferences::DISPLAY_UNKNOWN;
            result = false;
        } else if (subtractFrom > 0) {
            stored = floatToText(static_cast<float>(subtractFrom) - number);
        } else {
            stored = w;
        }
    } else {
        if (!noUnknownReport && value == RLPreferences::DISPLAY_UNKNOWN) {
            reportError(std::string("Unknown balance (d - unknown)"));
        }
        stored = toRecordedText(value);
    }

    storeBalance(stored);
    if (!areDetailsTracked()) registerDetailsNotTracked();
    if (!areTransactionsTracked()) registerTransactionsNotTracked();
    return result;
}

bool RLSource::registerBalance(const std::string& value, bool isNumber) {
    return registerBalance(value, isNumber, false, -1);
}

bool RLSource::registerBalance(const std::string& value) { return registerBalance(value, true, false, -1); }

void RLSource::registerAllZero() {
    registerZeroBalance();
    registerDetails("");
    registerBlankTransactions();
}

void RLSource::registerAllUnknown() {
    registerBalance(RLPreferences::DISPLAY_UNKNOWN, false);
    registerDetails("");
    registerBlankTransactions();
}

std::string RLSource::rebuildTable(std::string_view html, const std::vector<std::string>& headings,
                                   const std::vector<std::string>& alignments, int firstCell,
                                   bool stripLineBreaks) {
    return rebuildTable(html, headings, alignments, firstCell, stripLineBreaks, 0, 0);
}

std::string RLSource::rebuildTable(std::string_view html, const std::vector<std::string>& headings,
                                   const std::vector<std::string>& alignments, int firstCell,
                                   bool stripLineBreaks, int minLeftoverCells, int maxLeftoverCells) {
    std::string out;
    if (ui::BaseRLApp::isAppTypeFarhaven()) return out;
    if (headings.empty()) {
        Logger::error("rebuildTable: no headings for " + getKey());
        return out;
    }
    if (firstCell < 0) {
        Logger::error("rebuildTable: first cell " + std::to_string(firstCell) + " for " + getKey());
        return out;
    }
    try {
        const std::vector<std::string> cells = StrUtil::parseOutHTMLTags(html, stripLineBreaks);
        const size_t columns = headings.size();
        const size_t first = static_cast<size_t>(firstCell);
        if (first >= cells.size()) return out;

        if (Logger::getLevel() >= Logger::LEVEL_VERBOSE) {
            for (size_t i = 0; i < cells.size(); ++i) {
                Logger::verbose(maskSecrets("transaction cell " + std::to_string(i + 1) + ": " +
                                            toRecordedText(cells[i])));
                if ((i + 1) % columns == 0) Logger::verbose("transaction end row");
            }
        }

        const size_t usable = cells.size() - first;
        const size_t leftover = usable % columns;
        if (leftover != 0 && (static_cast<long long>(leftover) < minLeftoverCells ||
                              static_cast<long long>(leftover) > maxLeftoverCells)) {
            reportError("Unable to parse transaction cells: " + std::to_string(cells.size()) + " cells (skipping " +
                        std::to_string(firstCell) + ") for " + std::to_string(columns) + " columns");
        }
        const size_t rows = usable / columns;

        out += "<tr>";
        for (const std::string& heading : headings) out += "<th>" + heading + "</th>";
        out += "</tr>";

        if (alignments.size() < columns) {
            Logger::error("rebuildTable: " + std::to_string(alignments.size()) + " alignments for " +
                          std::to_string(columns) + " columns of " + getKey());
            Logger::error(maskSecrets("Produced before exception: " + toRecordedText(out)));
            return out;
        }

        size_t next = first;
        for (size_t r = 1; r <= rows; ++r) {
            std::string row = "<tr class=" + rowClassForIndex(static_cast<int>(r)) + ">";
            for (size_t c = 0; c < columns; ++c) {
                const std::string& alignment = alignments[c];
                row += alignment == "l" ? std::string("<td>") : "<td class=" + alignment + ">";
                row += cells[next++];
                row += "</td>";
            }
            row += "</tr>";
            out += row;
        }
    } catch (const std::exception& failure) {
        Logger::error(failure);
        Logger::error(maskSecrets("Produced before exception: " + toRecordedText(out)));
    }
    return out;
}

std::string RLSource::nextRowClass() {
    ++m_rowCount;
    return (m_rowCount % 2 == 1) ? "d" : "l";
}

std::string RLSource::rowClassForIndex(int n) { return (n % 2 != 0) ? "d" : "l"; }

bool RLSource::isProviderProblem(std::string_view page, std::string_view marker) {
    return isBadLogin(page, marker, RLPreferences::DISPLAY_PROVIDER_PROBLEM);
}

bool RLSource::isMaintenance(std::string_view page, std::string_view marker) {
    return isBadLogin(page, marker, RLPreferences::DISPLAY_MAINTENANCE);
}

bool RLSource::isInvalidLogin(std::string_view page, std::string_view marker) {
    const bool lengthSuspect = usernameLengthMayBeInvalid || passwordLengthMayBeInvalid;
    return isBadLogin(page, marker,
                      lengthSuspect ? RLPreferences::DISPLAY_LOGIN_LENGTH : RLPreferences::DISPLAY_INVALID_LOGIN);
}

bool RLSource::isInteractionRequired(std::string_view page, std::string_view marker) {
    return isBadLogin(page, marker, RLPreferences::DISPLAY_INTERACTION_REQUIRED);
}

bool RLSource::isBlockedLogin(std::string_view page, std::string_view marker) {
    return isBadLogin(page, marker, RLPreferences::DISPLAY_BLOCKED_LOGIN);
}

bool RLSource::isBadLogin(std::string_view page, std::string_view marker, const std::string& status) {
    if (page.find(marker) == std::string_view::npos) return false;
    registerBalance(status, false);
    return true;
}

std::string RLSource::getDisplay() const { return getSourceConfig().getDisplay(); }

std::string RLSource::blobCheck(std::string_view value, int minLength, int maxLength) {
    const std::string trimmed = StrUtil::trim(value);
    if (trimmed.empty()) return "&nbsp;";
    const long long length = static_cast<long long>(trimmed.size());
    if (length < minLength || length > maxLength) return "&nbsp;" + RLPreferences::DISPLAY_UNKNOWN;
    return trimmed;
}

void RLSource::appendInputImage(std::string& body, std::string_view name, int xMax, int yMax) {
    const std::string prefix = name.empty() ? std::string() : std::string(name) + ".";
    body += "&" + prefix + "x=" + std::to_string(foundation::MathUtil::rand(1, xMax));
    body += "&" + prefix + "y=" + std::to_string(foundation::MathUtil::rand(1, yMax));
}

int RLSource::addDetailsRowB2(std::string& rows, std::string_view label, std::string_view marker, int minLength,
                              int maxLength, int fromIndex, std::string_view page, std::string_view before,
                              std::string_view after) {
    return addDetailsRowB1(rows, label, marker, std::string_view(), minLength, maxLength, fromIndex, page, before,
                           after, false);
}

int RLSource::addDetailsRowB1(std::string& rows, std::string_view label, std::string_view marker1,
                              std::string_view marker2, int minLength, int maxLength, int fromIndex,
                              std::string_view page, std::string_view before, std::string_view after,
                              bool stripLineBreaks) {
    rows += "<tr class=" + nextRowClass() + "><td>&nbsp;" + std::string(label) + "</td><td class=r>&nbsp;";
    // The search goes on after the previous label; after the largest index
    // there is nothing left to find.
    const int from = fromIndex < 0 ? 0 : (fromIndex == std::numeric_limits<int>::max() ? fromIndex : fromIndex + 1);
    int p = findFrom(page, marker1, from);
    if (p >= 0 && !marker2.empty()) p = findFrom(page, marker2, p + 1);

    // A label that is missing gives no value: a value found from the top of
    // the page would belong to some other label.
    std::string value;
    if (p >= 0) {
        const int b = findFrom(page, before, p + 1);
        if (b >= 0) {
            const size_t start = static_cast<size_t>(b) + before.size();
            const int e = findFrom(page, after, static_cast<int>(start));
            if (e >= 0) value = std::string(page.substr(start, static_cast<size_t>(e) - start));
        }
    }
    value = blobCheck(value, minLength, maxLength);
    if (stripLineBreaks) value = removeChars(removeChars(value, '\r'), '\n');
    rows += value + "</td></tr>";
    return p;
}

int RLSource::addDetailsRowB1(std::string& rows, std::string_view label, std::string_view marker1,
                              std::string_view marker2, int minLength, int maxLength, int fromIndex,
                              std::string_view page, std::string_view before, std::string_view after) {
    return addDetailsRowB1(rows, label, marker1, marker2, minLength, maxLength, fromIndex, page, before, after,
                           false);
}

int RLSource::addDetailsRowA(std::string& rows, std::string_view label, std::string_view marker1,
                             std::string_view marker2, std::string_view before, std::string_view after,
                             int minLength, int maxLength, int fromIndex, std::string_view page) {
    return addDetailsRowB1(rows, label, marker1, marker2, minLength, maxLength, fromIndex, page, before, after,
                           false);
}

void RLSource::addDetailsRow(std::string& rows, std::string_view label, std::string_view value) {
    rows += "<tr class=" + nextRowClass() + "><td>&nbsp;" + std::string(label) + "</td><td class=r>&nbsp;" +
            std::string(value) + "</td></tr>";
}

// --- getters -----------------------------------------------------------------

bool RLSource::isSourcingAllowed() const { return getSourceConfig().isSourcingAllowed(); }
bool RLSource::isNavigationAllowed() const { return getSourceConfig().isNavigationAllowed(); }
std::string RLSource::getUsernameLabel() const { return getSourceConfig().getUsernameLabel(); }
std::string RLSource::getPasswordLabel() const { return getSourceConfig().getPasswordLabel(); }
std::string RLSource::getPassword2Label() const { return getSourceConfig().getPassword2Label(); }
float RLSource::getNormalizeFactor() const { return getSourceConfig().getNormalizeFactor(); }
int RLSource::getMinDecimals() const { return getSourceConfig().getMinDecimals(); }
int RLSource::getMaxDecimals() const { return getSourceConfig().getMaxDecimals(); }
std::string RLSource::getITYTURL() const { return getSourceConfig().getITYTURL(); }
std::string RLSource::getFlyerTalkURL() const { return getSourceConfig().getFlyerTalkURL(); }
std::string RLSource::getAbbreviation() const { return getSourceConfig().getAbbreviation(); }
bool RLSource::areTransactionsTracked() const { return getSourceConfig().areTransactionsTracked(); }
bool RLSource::areDetailsTracked() const { return getSourceConfig().areDetailsTracked(); }

// --- engine side -------------------------------------------------------------

void RLSource::timeOut() {
    // The one count is claimed before the stop is requested: a body that
    // ends right after the request drops its engine and leaves the count
    // to whoever stopped it.
    std::shared_ptr<BaseEngine> engine = lockEngine();
    const bool first = engine ? engine->countCompletedOnce(*this) : claimCompletion();
    {
        std::lock_guard<std::recursive_mutex> lock(m_recordLock);
        setRunning(false);
        requestStop();
        // A body that ended and counted itself first keeps its outcome.
        if (first) {
            m_engineRecording = true;
            try {
                registerBalance(RLPreferences::DISPLAY_TIMEOUT, false);
            } catch (const std::exception& failure) {
                Logger::error("Cannot record the time-out of " + getKey(), failure);
            }
            m_engineRecording = false;
        }
    }
    if (first && engine) engine->threadDone();
}

void RLSource::cancel() {
    std::shared_ptr<BaseEngine> engine = lockEngine();
    const bool first = engine ? engine->countCompletedOnce(*this) : claimCompletion();
    {
        std::lock_guard<std::recursive_mutex> lock(m_recordLock);
        setRunning(false);
        requestStop();
    }
    if (first && engine) engine->threadDone();
}

// --- shared helpers ----------------------------------------------------------

std::string RLSource::encodeFormValue(std::string_view value) { return StrUtil::encodeFormValue(value); }

std::string RLSource::toRecordedText(std::string_view text) {
    // Valid UTF-8 (plain ASCII included) is taken as it is.
    bool valid = true;
    for (size_t i = 0; i < text.size() && valid;) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t extra = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
        } else {
            valid = false;
            break;
        }
        if (i + extra >= text.size()) {
            valid = false;
            break;
        }
        for (size_t k = 1; k <= extra; ++k) {
            const unsigned char d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80) valid = false;
        }
        if (valid && extra == 2) {
            const unsigned char d = static_cast<unsigned char>(text[i + 1]);
            if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d > 0x9F)) valid = false;
        }
        if (valid && extra == 3) {
            const unsigned char d = static_cast<unsigned char>(text[i + 1]);
            if ((c == 0xF0 && d < 0x90) || (c == 0xF4 && d > 0x8F)) valid = false;
        }
        i += extra + 1;
    }
    if (valid) return std::string(text);
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string RLSource::foldQuotes(std::string_view text) {
    std::string out = StrUtil::replace(text, "\\", "\\\\");
    out = StrUtil::replace(out, "'", "\\'");
    out = StrUtil::replace(out, "&#39;", "\\'");
    out = StrUtil::replace(out, "\"", "\\'");
    out = StrUtil::replace(out, "&#34;", "\\'");
    out = StrUtil::replace(out, "\r", "\\r");
    out = StrUtil::replace(out, "\n", "\\n");
    out = StrUtil::replace(out, "</", "<\\/");
    return out;
}

std::string RLSource::floatToText(float value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    if (value == 0.0f) return std::signbit(value) ? "-0.0" : "0.0";

    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::scientific);
    const std::string sci(buffer, result.ptr);
    const size_t e = sci.find('e');
    std::string mantissa = sci.substr(0, e);
    const int exponent = sys::parseNumber<int>(std::string_view(sci).substr(e + 1)).value_or(0);
    std::string sign;
    if (!mantissa.empty() && mantissa[0] == '-') {
        sign = "-";
        mantissa.erase(0, 1);
    }
    std::string digits;
    for (char c : mantissa) {
        if (c != '.') digits += c;
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    const float magnitude = std::fabs(value);
    if (magnitude >= 1e-3f && magnitude < 1e7f) {
        std::string out;
        if (exponent >= 0) {
            const size_t intLength = static_cast<size_t>(exponent) + 1;
            std::string intPart = digits.substr(0, std::min(intLength, digits.size()));
            while (intPart.size() < intLength) intPart += '0';
            std::string fraction = digits.size() > intLength ? digits.substr(intLength) : std::string("0");
            out = intPart + "." + fraction;
        } else {
            out = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
        }
        return sign + out;
    }
    const std::string fraction = digits.size() > 1 ? digits.substr(1) : std::string("0");
    return sign + digits.substr(0, 1) + "." + fraction + "E" + std::to_string(exponent);
}

std::vector<std::string> RLSource::secrets() const { return {m_password, m_password2}; }

std::string RLSource::maskSecrets(const std::string& text) const { return StrUtil::maskSecrets(text, secrets()); }

}  // namespace tracker
