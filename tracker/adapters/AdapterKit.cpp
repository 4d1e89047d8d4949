#include "tracker/adapters/AdapterKit.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>

#include "foundation/Logger.h"
#include "foundation/MathUtil.h"
#include "foundation/StrUtil.h"
#include "foundation/TextBrowser.h"
#include "platform/system/Ascii.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/core/SourceConfig.h"

namespace tracker::adapters {

using foundation::StrUtil;

std::string credential(std::string_view value) { return RLSource::encodeFormValue(value); }

namespace {

// The code points of a text through one case mapping, back as UTF-8.
template <class Map>
std::string mapCase(std::string_view value, Map map) {
    std::string out;
    out.reserve(value.size());
    size_t pos = 0;
    while (pos < value.size()) {
        size_t length = 0;
        const char32_t c = StrUtil::charAt(value, pos, length);
        if (length == 0) break;
        map(out, c);
        pos += length;
    }
    return out;
}

}  // namespace

std::string lowerCase(std::string_view value) {
    return mapCase(value, [](std::string& out, char32_t c) {
        const bool upper = (c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
        StrUtil::appendUtf8(out, upper ? c + 0x20 : c);
    });
}

std::string upperCase(std::string_view value) {
    return mapCase(value, [](std::string& out, char32_t c) {
        if (c == 0xDF) {
            out += "SS";
            return;
        }
        const bool lower = (c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
        StrUtil::appendUtf8(out, lower ? c - 0x20 : c);
    });
}

std::optional<std::string> inPageEncoding(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        size_t length = 0;
        const char32_t c = StrUtil::charAt(text, pos, length);
        if (c > 0xFF) return std::nullopt;
        out += static_cast<char>(c);
        pos += length;
    }
    return out;
}

std::string group(std::string_view text, size_t from, size_t length) {
    if (from >= text.size()) return "";
    return std::string(text.substr(from, length));
}

bool firstMarker(RLSource& source, std::string_view page, const Markers& markers) {
    for (const Marker& marker : markers) {
        bool found = false;
        switch (marker.kind) {
            case MarkerKind::Provider: found = source.isProviderProblem(page, marker.text); break;
            case MarkerKind::Maintenance: found = source.isMaintenance(page, marker.text); break;
            case MarkerKind::Blocked: found = source.isBlockedLogin(page, marker.text); break;
            case MarkerKind::Interaction: found = source.isInteractionRequired(page, marker.text); break;
            case MarkerKind::Invalid: found = source.isInvalidLogin(page, marker.text); break;
            case MarkerKind::BadLogin: found = source.isBadLogin(page, marker.text, marker.status); break;
        }
        if (found) return true;
    }
    return false;
}

int positionOf(std::string_view page, std::string_view text, int from) {
    if (from < 0) from = 0;
    if (static_cast<size_t>(from) > page.size()) return -1;
    const size_t pos = page.find(text, static_cast<size_t>(from));
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

int positionAfter(std::string_view page, std::string_view text, int from) {
    const int at = positionOf(page, text, from);
    return at < 0 ? -1 : at + static_cast<int>(text.size());
}

int chainedPosition(std::string_view page, std::initializer_list<std::string_view> labels, int from) {
    int at = from;
    bool first = true;
    for (std::string_view label : labels) {
        at = positionOf(page, label, first ? at : at + 1);
        if (at < 0) return -1;
        first = false;
    }
    return at;
}

int nthPosition(std::string_view page, std::string_view text, int n, int from) {
    if (n < 1) return -1;
    int at = positionOf(page, text, from);
    for (int i = 1; i < n && at >= 0; ++i) at = positionOf(page, text, at + 1);
    return at;
}

int positionOr(std::string_view page, std::string_view text, int from, int fallback) {
    if (from < 0) return -1;
    const int at = positionOf(page, text, from);
    return at < 0 ? fallback : at;
}

std::string between(std::string_view page, std::string_view start, std::string_view end) {
    return StrUtil::extract(page, start, end, 0);
}

std::string betweenFrom(std::string_view page, int position, std::string_view start, std::string_view end) {
    if (position < 0) return "";
    return StrUtil::extract(page, start, end, position);
}

std::string valueAfter(std::string_view page, std::string_view label, std::string_view start,
                       std::string_view end) {
    return betweenFrom(page, positionOf(page, label), start, end);
}

std::string valueAfterChain(std::string_view page, std::initializer_list<std::string_view> labels,
                            std::string_view start, std::string_view end) {
    return betweenFrom(page, chainedPosition(page, labels), start, end);
}

std::optional<std::string> sumOfIntegers(const std::vector<std::string>& texts) {
    int64_t sum = 0;
    for (const std::string& text : texts) {
        const std::optional<int32_t> value = StrUtil::parseInt(text);
        if (!value) return std::nullopt;
        sum += *value;
    }
    return std::to_string(sum);
}

std::string escapeLifted(std::string_view value, HexCase hexCase) {
    if (hexCase == HexCase::Upper) return StrUtil::replaceGremlins(value);
    std::string out;
    for (char c : value) {
        std::string escaped = StrUtil::replaceGremlins(std::string_view(&c, 1));
        if (escaped.size() == 3 && escaped[0] == '%') {
            escaped = sys::asciiLower(escaped);
        }
        out += escaped;
    }
    return out;
}

std::string liftViewState(std::string_view page) {
    return escapeLifted(lift(page, "name=\"__VIEWSTATE\" value=\"", "\""));
}

std::optional<std::string> resolveLifted(const std::string& pageAddress, std::string_view lifted) {
    const std::string address = StrUtil::trim(lifted);
    if (address.empty()) return std::nullopt;
    return foundation::TextBrowser::resolveRedirect(pageAddress, address);
}

std::string liftValueAfter(std::string_view page, std::string_view anchor) {
    return betweenFrom(page, positionAfter(page, anchor), "value=\"", "\"");
}

std::string liftNextViewState(std::string_view page) {
    return escapeLifted(liftValueAfter(page, "name=\"__VIEWSTATE\""));
}

std::optional<std::string> relayHiddenFields(std::string_view page, const HiddenFieldRelay& relay) {
    const int formAt = positionOf(page, relay.form);
    if (formAt < 0) return std::nullopt;
    std::string_view form = page.substr(static_cast<size_t>(formAt) + relay.form.size());
    if (!relay.formEnd.empty()) form = form.substr(0, form.find(relay.formEnd));

    std::string body;
    int fields = 0;
    size_t at = form.find(relay.input);
    while (at != std::string_view::npos) {
        if (++fields > relay.maxFields) return std::nullopt;
        const size_t nameStart = at + relay.input.size();
        const size_t nameEnd = form.find('"', nameStart);
        const std::string_view name =
            form.substr(nameStart, nameEnd == std::string_view::npos ? std::string_view::npos : nameEnd - nameStart);
        std::string value =
            nameEnd == std::string_view::npos ? std::string() : StrUtil::extract(form, relay.value, "\"", nameEnd);
        if (relay.escapeEquals) value = StrUtil::replace(value, "=", "%3D");
        if (relay.joined && fields > 1) body += "&";
        body.append(name).append("=").append(value);
        if (!relay.joined) body += "&";
        if (!relay.stopAfter.empty() && name == relay.stopAfter) return body;
        at = form.find(relay.input, nameStart);
    }
    if (!relay.stopAfter.empty()) return std::nullopt;
    return body;
}

std::string replaceKept(std::string text, const std::vector<KeptText>& kept) {
    for (const KeptText& k : kept) text = StrUtil::replace(text, k.text, k.placeholder);
    return text;
}

std::string restoreKept(std::string rows, const std::vector<KeptText>& kept) {
    for (const KeptText& k : kept) rows = StrUtil::replace(rows, k.placeholder, k.restored);
    return rows;
}

// ---- Dates ---------------------------------------------------------------------

namespace {

constexpr std::array<const char*, 12> MONTHS = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A decimal number as a page's form gives it: an optional sign and at most
// nine digits.
int decimal(std::string_view text, const char* what) {
    const size_t sign = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    const std::optional<int32_t> value = text.size() - sign <= 9 ? StrUtil::parseInt(text) : std::nullopt;
    if (!value) throw NumberFormatError(std::string("Not a decimal ") + what + ": \"" + std::string(text) + "\"");
    return *value;
}

std::mutex& clockLock() {
    static std::mutex instance;
    return instance;
}

AdapterClock::Now& clockSlot() {
    static AdapterClock::Now instance;
    return instance;
}

}  // namespace

int convertMonthToNum(std::string_view month) {
    for (size_t i = 0; i < MONTHS.size(); ++i) {
        if (month == MONTHS[i]) return static_cast<int>(i);
    }
    return -1;
}

std::string convertMonthToStr(int month) {
    if (month < 0 || month >= static_cast<int>(MONTHS.size())) return "";
    return MONTHS[static_cast<size_t>(month)];
}

std::string buildPreviousDateStr(std::string_view month, std::string_view day, std::string_view year,
                                 int monthsBack, std::string_view monthKey, std::string_view dayKey,
                                 std::string_view yearKey) {
    using namespace std::chrono;
    const int monthNumber = convertMonthToNum(month);
    if (monthNumber < 0) throw NumberFormatError("Not a month name: \"" + std::string(month) + "\"");
    const int dayNumber = decimal(day, "day");
    const int yearNumber = decimal(year, "year");

    // The day counts on from the first of the month, so a day past the
    // month's end runs into the next one.
    const year_month_day given{sys_days{std::chrono::year{yearNumber} / (monthNumber + 1) / 1} +
                               days{dayNumber - 1}};
    year_month_day earlier = given - months{monthsBack};
    if (!earlier.ok()) earlier = earlier.year() / earlier.month() / last;

    return std::string(monthKey) + "=" + convertMonthToStr(static_cast<int>(unsigned(earlier.month())) - 1) + "&" +
           std::string(dayKey) + "=" + std::to_string(unsigned(earlier.day())) + "&" + std::string(yearKey) + "=" +
           std::to_string(int(earlier.year()));
}

namespace {

std::mutex& randomLock() {
    static std::mutex instance;
    return instance;
}

AdapterRandom::Source& randomSlot() {
    static AdapterRandom::Source instance;
    return instance;
}

}  // namespace

void AdapterRandom::set(Source source) {
    std::lock_guard<std::mutex> guard(randomLock());
    randomSlot() = std::move(source);
}

int AdapterRandom::rand(int lo, int hi) {
    Source source;
    {
        std::lock_guard<std::mutex> guard(randomLock());
        source = randomSlot();
    }
    return source ? source(lo, hi) : foundation::MathUtil::rand(lo, hi);
}

void AdapterClock::set(Now now) {
    std::lock_guard<std::mutex> guard(clockLock());
    clockSlot() = std::move(now);
}

std::chrono::system_clock::time_point AdapterClock::now() {
    Now now;
    {
        std::lock_guard<std::mutex> guard(clockLock());
        now = clockSlot();
    }
    return now ? now() : std::chrono::system_clock::now();
}

int AdapterClock::currentYear() {
    const std::time_t t = std::chrono::system_clock::to_time_t(now());
    std::tm local{};
    localtime_r(&t, &local);
    return local.tm_year + 1900;
}

// ---- Configuration -------------------------------------------------------------

const SourceConfig& programConfig(const char* key) {
    if (const SourceConfig* config = RLPreferences::getConfig(key)) return *config;
    // Not reached for the adapters of the table; a record that allows
    // nothing keeps a stray adapter from retrieving or offering navigation.
    static std::mutex lock;
    static std::map<std::string, std::unique_ptr<SourceConfig>> strays;
    std::lock_guard<std::mutex> guard(lock);
    auto& slot = strays[key];
    if (!slot) {
        foundation::Logger::error(std::string("No program table row for adapter ") + key);
        slot = std::make_unique<SourceConfig>(SourceClass(), key, key, "", "", "", "", "", "", 0, 0, 1.0f, false,
                                              false, false, false);
    }
    return *slot;
}

// ---- Reports -----------------------------------------------------------------

std::mutex& AdapterReports::lock() {
    static std::mutex instance;
    return instance;
}

AdapterReports::Observer& AdapterReports::observer() {
    static Observer instance;
    return instance;
}

void AdapterReports::setObserver(Observer observer) {
    std::lock_guard<std::mutex> guard(lock());
    AdapterReports::observer() = std::move(observer);
}

void AdapterReports::notify(const std::string& key, const std::string& userTag, const std::string& reportText) {
    Observer current;
    {
        std::lock_guard<std::mutex> guard(lock());
        current = observer();
    }
    if (!current) return;
    try {
        current(key, userTag, reportText);
    } catch (const std::exception& failure) {
        foundation::Logger::error("Report observer failed", failure);
    }
}

}  // namespace tracker::adapters
