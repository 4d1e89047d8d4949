#include "control/modMisc.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "foundation/Logger.h"
#include "platform/system/NumberText.h"
#include "platform/system/OpenUrl.h"

namespace tiraleaf {

namespace {

size_t characterCount(const std::string& text) {
    size_t count = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80) ++count;
    }
    return count;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string modMisc::ValidatePostalCode(const std::string& code) {
    size_t length = characterCount(code);
    if (length == 5) {
        for (char c : code) {
            if (!isDigit(c)) return "A 5 digit US zip code must contain all numbers such as 90210.";
        }
        return "";
    }
    if (length == 6) {
        if (code == "000000") return "";
        // Letter, digit, letter, digit, letter, digit; six characters of one
        // byte each, or the pattern cannot match.
        bool matches = code.size() == 6;
        for (size_t i = 0; matches && i < 6; ++i) {
            char c = upper(code[i]);
            matches = (i % 2 == 0) ? (c >= 'A' && c <= 'Z') : isDigit(c);
        }
        return matches ? "" : "A 6 character Canadian postal code must be in the format of A1B2C3.";
    }
    return "Please enter a valid 5 digit US zip code, 6 character Canadian postal code, or '00000' if you are located "
           "outside of the US and Canada.";
}

std::string modMisc::NormalizePostalCode(const std::string& code) {
    if (code == "000000") return "00000";
    std::string out = code;
    for (char& c : out) c = upper(c);
    return out;
}

std::optional<double> modMisc::NumericValue(const std::string& text) {
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return std::nullopt;
    size_t end = text.find_last_not_of(" \t");
    std::string body = text.substr(start, end - start + 1);
    const std::optional<double> value = sys::parseNumber<double>(body);
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return value;
}

int64_t modMisc::RoundHalfEven(double value) {
    if (value >= 9.2e18) return INT64_MAX;
    if (value <= -9.2e18) return INT64_MIN;
    return static_cast<int64_t>(std::nearbyint(value));
}

void modMisc::OpenURL(tk::Control*, const std::string& url) {
    if (!sys::isOpenableUrl(url)) {
        foundation::Logger::warning("Cannot open " + url + ": only http, https and mailto addresses are opened");
        return;
    }
    try {
        sys::openUrl(url);
    } catch (const std::exception& failure) {
        // Nothing is shown: the user's click simply has no effect.
        foundation::Logger::error("Unable to open " + url, failure);
    }
}

}  // namespace tiraleaf
