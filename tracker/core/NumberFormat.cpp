#include "tracker/core/NumberFormat.h"

#include <charconv>
#include <cmath>

namespace tracker {

NumberFormat::NumberFormat(char groupingSeparator, char decimalSeparator, int maxFractionDigits)
    : m_grouping(groupingSeparator),
      m_decimal(decimalSeparator),
      m_maxFractionDigits(maxFractionDigits < 0 ? 0 : (maxFractionDigits > 20 ? 20 : maxFractionDigits)) {}

NumberFormat NumberFormat::forLocale(const std::string& locale, int maxFractionDigits) {
    std::string lang = locale.substr(0, locale.find_first_of("_-"));
    if (lang == "de" || lang == "es" || lang == "it" || lang == "nl" || lang == "pt") {
        return NumberFormat('.', ',', maxFractionDigits);
    }
    if (lang == "fr") return NumberFormat(' ', ',', maxFractionDigits);
    return NumberFormat(',', '.', maxFractionDigits);
}

std::string NumberFormat::format(double value) const {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";

    // to_chars rounds the exact binary value to nearest, ties to even, and
    // always writes ".", where printf would write the locale's separator.
    // The largest finite double has 309 whole digits; 20 fraction digits at most.
    char buf[400];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, m_maxFractionDigits);
    if (result.ec != std::errc()) return "NaN";
    std::string text(buf, result.ptr);

    bool negative = !text.empty() && text.front() == '-';
    if (negative) text.erase(0, 1);
    std::string whole = text;
    std::string fraction;
    size_t point = text.find('.');
    if (point != std::string::npos) {
        whole = text.substr(0, point);
        fraction = text.substr(point + 1);
        while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    }
    if (negative && fraction.empty() && whole.find_first_not_of('0') == std::string::npos) negative = false;

    std::string out;
    out.reserve(whole.size() + whole.size() / 3 + fraction.size() + 2);
    if (negative) out += '-';
    for (size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) out += m_grouping;
        out += whole[i];
    }
    if (!fraction.empty()) {
        out += m_decimal;
        out += fraction;
    }
    return out;
}

}  // namespace tracker
