#include "tracker/core/HistoryEntry.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "foundation/StrUtil.h"

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

template <typename T>
bool parseInteger(std::string_view text, T& out) {
    if (text.empty()) return false;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+') ++first;
    auto res = std::from_chars(first, last, out);
    return res.ec == std::errc() && res.ptr == last;
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
    if (body.empty() || !(std::isdigit(static_cast<unsigned char>(body.front())) || body.front() == '.')) {
        return false;
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

HistoryEntry::HistoryEntry(int user, std::string source, int64_t date, float balance)
    : m_user(user), m_date(date), m_source(std::move(source)), m_balance(balance) {}

HistoryEntry::HistoryEntry(std::string_view line) {
    if (!parse(line, *this)) {
        throw std::invalid_argument("Malformed history line: " + std::string(line));
    }
}

bool HistoryEntry::parse(std::string_view line, HistoryEntry& out) {
    size_t pos = 0;
    std::string_view user = nextField(line, pos);
    std::string_view source = nextField(line, pos);
    std::string_view date = nextField(line, pos);
    std::string_view balance = nextField(line, pos);
    if (!nextField(line, pos).empty() || balance.empty()) return false;
    int u = 0;
    int64_t d = 0;
    float b = 0.0f;
    if (!parseInteger(user, u) || u < 0) return false;
    if (!parseInteger(date, d)) return false;
    if (!parseFloat(balance, b)) return false;
    out.m_user = u;
    out.m_source.assign(source);
    out.m_date = d;
    out.m_balance = b;
    return true;
}

std::string HistoryEntry::toString() const {
    std::string line = std::to_string(m_user);
    line += ' ';
    line += m_source;
    line += ' ';
    line += std::to_string(m_date);
    line += ' ';
    line += foundation::StrUtil::cleanFloatToString(m_balance);
    return line;
}

}  // namespace tracker
