#pragma once
// Numbers read from text, the same under every locale: the C library's
// strtod, strtol and their kin follow LC_NUMERIC and LC_CTYPE, which Qt sets
// from the user's environment (under de_DE strtod reads "2.5" as 2).

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace sys {

// The whole text as a number: an optional "+" or "-", then digits of the
// base for an integer type, or a decimal number with an optional point and
// exponent ("12", "-0.5", "1e3", ".5") for a floating type. Nothing when
// any other character stands in the text (blanks included), or when the
// value is out of the type's range. "inf", "nan" and hexadecimal floats are
// no numbers here.
template <typename T>
std::optional<T> parseNumber(std::string_view text, int base = 10) {
    const char* first = text.data();
    const char* last = first + text.size();
    // from_chars takes a "-" but no "+".
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-') return std::nullopt;
    }
    T value{};
    std::from_chars_result result{};
    if constexpr (std::is_floating_point_v<T>) {
        const char* body = first != last && *first == '-' ? first + 1 : first;
        // Only a digit or a point may start the number: no "inf" or "nan".
        if (body == last || !((*body >= '0' && *body <= '9') || *body == '.')) return std::nullopt;
        (void)base;
        result = std::from_chars(first, last, value, std::chars_format::general);
    } else {
        result = std::from_chars(first, last, value, base);
    }
    if (result.ec != std::errc() || result.ptr != last) return std::nullopt;
    return value;
}

}  // namespace sys
