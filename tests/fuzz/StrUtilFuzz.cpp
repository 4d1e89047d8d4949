// The string helpers on any bytes (page bodies are Latin-1 bytes, texts of
// the program UTF-8): nothing reads outside its text, and the conversions
// keep what they promise.

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/StrUtil.h"
#include "tests/fuzz/FuzzSupport.h"

using foundation::StrUtil;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rlfuzz::Input in(data, size);
    const int from = in.number();
    const bool flag = in.flag();
    const std::string a = in.text();
    const std::string b = in.text();
    const std::string c = in.text();
    const std::string text = in.rest();

    (void)StrUtil::extract(text, a, b, from);
    (void)StrUtil::extract(text, std::nullopt, b);
    try {
        (void)StrUtil::prefix(text, a);
        rlfuzz::check(text.find(a) != std::string::npos, "a prefix before a marker that is not there");
    } catch (const std::out_of_range&) {
        rlfuzz::check(text.find(a) == std::string::npos, "no prefix before a marker that is there");
    }
    (void)StrUtil::suffix(text, a);
    (void)StrUtil::contains(text, a);
    (void)StrUtil::contains(text, b, a);
    (void)StrUtil::countMatches(text, a);
    const std::string replaced = StrUtil::replace(text, a, b);
    if (a.empty()) rlfuzz::check(replaced == text, "an empty search text changed the text");
    // Later characters are replaced inside earlier replacements too, so a
    // replacement made of the characters themselves grows the text
    // exponentially by design; callers replace characters by other text.
    std::string other;
    for (char ch : b) {
        if (a.find(ch) == std::string::npos) other += ch;
    }
    (void)StrUtil::replaceAnyCharWithString(text, a, other);
    (void)StrUtil::replacePeriodsWithCommas(text);
    (void)StrUtil::cleanSpaces(text);
    (void)StrUtil::replaceGremlins(text);
    const std::string escaped = StrUtil::safetyJSEscape(text);
    (void)StrUtil::trim(text);
    (void)StrUtil::getNumericOnlyPortion(text);
    (void)StrUtil::getNumericAndEtcOnlyPortion(text);
    (void)StrUtil::isNumeric(text, flag);
    (void)StrUtil::base64encode(text);
    std::vector<std::string> tags = StrUtil::parseOutHTMLTags(text, flag);
    StrUtil::addStringToList(tags, c, flag);

    float value = 0;
    if (text.size() >= sizeof value) {
        std::memcpy(&value, text.data(), sizeof value);
        (void)StrUtil::cleanFloatToString(value);
    }

    // UTF-8 and UTF-16 both ways: valid UTF-8 survives the round trip.
    size_t pos = 0;
    bool valid = true;
    while (pos < text.size()) {
        size_t length = 0;
        const char32_t ch = StrUtil::charAt(text, pos, length);
        rlfuzz::check(length > 0 && pos + length <= text.size(), "a character outside its text");
        std::string encoded;
        StrUtil::appendUtf8(encoded, ch);
        if (encoded != text.substr(pos, length)) valid = false;
        (void)StrUtil::isDecimalDigit(ch);
        pos += length;
    }
    const std::u16string units = StrUtil::utf8ToUtf16(text);
    const std::string back = StrUtil::utf16ToUtf8(units);
    if (valid) rlfuzz::check(back == text, "valid UTF-8 changed on its way through UTF-16");
    return 0;
}
