#include "tracker/core/HistoryEntry.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

#include "foundation/StrUtil.h"
#include "platform/system/Ascii.h"
#include "platform/system/NumberText.h"

namespace tracker {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Next blank-separated field of the line; empty at the end.
std::string_view nextField(std::string_view line, size_t& pos) {
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    size_t start = pos;
    while (pos < line.size() && !isBlank(line[pos])) ++pos;
    return line.substr(start, pos - start);
}

// The common balance ("12345", "1234.5"): at most 7 digits and 10
// decimals. The digits and the power of ten are then exact floats, so one
// float division is the correctly rounded value, as from_chars gives.
constexpr float POWERS_OF_TEN[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

bool parsePlainFloat(std::string_view text, float& out) {
    uint32_t digits = 0;
    int count = 0;
    int decimals = -1;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digits = digits * 10 + static_cast<uint32_t>(c - '0');
            if (decimals >= 0) ++decimals;
            if (++count > 7 || decimals > 10) return false;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            return false;
        }
    }
    if (count == 0) return false;
    out = decimals > 0 ? static_cast<float>(digits) / POWERS_OF_TEN[decimals] : static_cast<float>(digits);
    return true;
}

// Reads the unsigned decimal number that starts at p and ends at a single
// blank, at most maxDigits long; p is left after the blank.
template <typename T>
bool takeNumber(const char*& p, const char* end, int maxDigits, T& out) {
    const char* start = p;
    T value = 0;
    while (p < end && static_cast<unsigned>(*p - '0') < 10) {
        if (p - start == maxDigits) return false;  // before it could overflow
        value = value * 10 + static_cast<T>(*p++ - '0');
    }
    if (p == start || p == end || *p != ' ') return false;
    ++p;
    out = value;
    return true;
}

// The line as the program writes it: single blanks, plain numbers. A long
// history is millions of these; anything else takes the general path.
bool parseWritten(std::string_view line, int& user, std::string_view& source, int64_t& date, float& balance) {
    const char* p = line.data();
    const char* end = p + line.size();
    if (!takeNumber(p, end, 9, user)) return false;
    const char* first = p;
    while (p < end && !isBlank(*p)) ++p;
    if (p == first || p == end || *p != ' ') return false;
    source = std::string_view(first, static_cast<size_t>(p - first));
    ++p;
    return takeNumber(p, end, 18, date) && parsePlainFloat(std::string_view(p, static_cast<size_t>(end - p)), balance);
}

// Reads the decimal digits at p into out (count in n), wrapping around
// when there are too many; answers the position after them. Stops only at
// a byte that is not a digit.
template <typename T>
const char* digitsAt(const char* p, T& out, unsigned& n) {
    const char* start = p;
    T value = 0;
    unsigned digit;
    while ((digit = static_cast<unsigned>(static_cast<unsigned char>(*p)) - '0') < 10) {
        value = value * 10 + digit;
        ++p;
    }
    n = static_cast<unsigned>(p - start);
    out = value;
    return p;
}

// The float texts the file holds: plain and E notation, NaN, Infinity.
bool parseFloat(std::string_view text, float& out) {
    if (text.empty()) return false;
    bool negative = false;
    std::string_view body = text;
    if (body.front() == '+' || body.front() == '-') {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    if (body == "NaN") {
        out = std::nanf("");
        return true;
    }
    if (body == "Infinity") {
        out = negative ? -INFINITY : INFINITY;
        return true;
    }
    if (body.empty() || !(sys::isAsciiDigit(body.front()) || body.front() == '.')) {
        return false;
    }
    if (parsePlainFloat(body, out)) {
        if (negative) out = -out;
        return true;
    }
    float value = 0.0f;
    auto res = std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Beyond the float range the value is as far as it goes.
        return false;
    }
    if (res.ec != std::errc() || res.ptr != body.data() + body.size()) return false;
    out = negative ? -value : value;
    return true;
}

}  // namespace

static_assert(sizeof(HistoryEntry) == 32, "a point is meant to take 32 bytes");

HistoryEntry::HistoryEntry(int user, std::string_view source, int64_t date, float balance)
    : m_date(date), m_user(user), m_balance(balance) {
    setSource(source);
}

HistoryEntry::HistoryEntry(const HistoryEntry& other)
    : m_date(other.m_date), m_user(other.m_user), m_balance(other.m_balance) {
    setSource(other.getSource());
}

HistoryEntry::HistoryEntry(HistoryEntry&& other) noexcept
    : m_date(other.m_date), m_user(other.m_user), m_balance(other.m_balance), m_length(other.m_length) {
    std::memcpy(m_text, other.m_text, IN_PLACE);
    // The heap copy, if any, changes hands.
    other.m_length = 0;
}

HistoryEntry& HistoryEntry::operator=(const HistoryEntry& other) {
    if (this != &other) {
        m_date = other.m_date;
        m_user = other.m_user;
        m_balance = other.m_balance;
        setSource(other.getSource());
    }
    return *this;
}

HistoryEntry& HistoryEntry::operator=(HistoryEntry&& other) noexcept {
    if (this != &other) {
        dropSource();
        m_date = other.m_date;
        m_user = other.m_user;
        m_balance = other.m_balance;
        m_length = other.m_length;
        std::memcpy(m_text, other.m_text, IN_PLACE);
        other.m_length = 0;
    }
    return *this;
}

void HistoryEntry::setSource(std::string_view source) {
    if (source.size() <= IN_PLACE) {
        // Copied first: source may be this entry's own heap text.
        char text[IN_PLACE];
        std::memcpy(text, source.data(), source.size());
        dropSource();
        std::memcpy(m_text, text, source.size());
        m_length = static_cast<uint8_t>(source.size());
        return;
    }
    if (m_length == ON_HEAP) {
        heapSource()->assign(source);
        return;
    }
    std::string* text = new std::string(source);
    std::memcpy(m_text, &text, sizeof text);
    m_length = ON_HEAP;
}


HistoryEntry::HistoryEntry(std::string_view line) {
    if (!parse(line, *this)) {
        throw std::invalid_argument("Malformed history line: " + std::string(line));
    }
}

const char* HistoryEntry::readWrittenLine(const char* p, const char* end, HistoryEntry& out) {
    static_assert(READ_AHEAD >= IN_PLACE);
    // Every scan stops at the line end at end at the latest, so none needs
    // a bound of its own; a number too long for its kind is refused after
    // the fact, its wrapped value unused.
    unsigned n = 0;
    uint32_t user = 0;
    p = digitsAt(p, user, n);
    if (n == 0 || n > 9 || *p != ' ') return nullptr;
    const char* first = ++p;
    while (!isBlank(*p)) ++p;
    const size_t length = static_cast<size_t>(p - first);
    if (length == 0 || *p != ' ') return nullptr;
    uint64_t date = 0;
    p = digitsAt(p + 1, date, n);
    if (n == 0 || n > 18 || *p != ' ') return nullptr;
    // The balance, as parsePlainFloat reads it.
    uint32_t digits = 0;
    unsigned whole = 0;
    unsigned fraction = 0;
    int decimals = -1;
    p = digitsAt(p + 1, digits, whole);
    if (*p == '.') {
        uint32_t part = 0;
        p = digitsAt(p + 1, part, fraction);
        static constexpr uint32_t SCALE[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
        if (whole + fraction <= 7) digits = digits * SCALE[fraction] + part;
        decimals = static_cast<int>(fraction);
    }
    if (whole + fraction == 0 || whole + fraction > 7) return nullptr;
    if (*p == '\r') ++p;
    if (*p != '\n' || p >= end) return nullptr;

    out.m_user = static_cast<int>(user);
    out.m_date = static_cast<int64_t>(date);
    out.m_balance = decimals > 0 ? static_cast<float>(digits) / POWERS_OF_TEN[decimals] : static_cast<float>(digits);
    if (length <= IN_PLACE) {
        out.dropSource();
        // Whole, so that the copy is one move; what follows the
        // abbreviation is never read back.
        std::memcpy(out.m_text, first, IN_PLACE);
        out.m_length = static_cast<uint8_t>(length);
    } else {
        out.setSource(std::string_view(first, length));
    }
    return p + 1;
}

bool HistoryEntry::parse(std::string_view line, HistoryEntry& out) {
    int written = 0;
    std::string_view writtenSource;
    int64_t writtenDate = 0;
    float writtenBalance = 0.0f;
    if (parseWritten(line, written, writtenSource, writtenDate, writtenBalance)) {
        out.m_user = written;
        out.setSource(writtenSource);
        out.m_date = writtenDate;
        out.m_balance = writtenBalance;
        return true;
    }
    size_t pos = 0;
    std::string_view user = nextField(line, pos);
    std::string_view source = nextField(line, pos);
    std::string_view date = nextField(line, pos);
    std::string_view balance = nextField(line, pos);
    if (!nextField(line, pos).empty() || balance.empty()) return false;
    const std::optional<int> u = sys::parseNumber<int>(user);
    const std::optional<int64_t> d = sys::parseNumber<int64_t>(date);
    float b = 0.0f;
    if (!u || *u < 0 || !d || !parseFloat(balance, b)) return false;
    out.m_user = *u;
    out.setSource(source);
    out.m_date = *d;
    out.m_balance = b;
    return true;
}

std::string HistoryEntry::toString() const {
    std::string line = std::to_string(m_user);
    line += ' ';
    line += getSource();
    line += ' ';
    line += std::to_string(m_date);
    line += ' ';
    line += foundation::StrUtil::cleanFloatToString(m_balance);
    return line;
}

}  // namespace tracker
