#pragma once
// Static text operations the adapters, page writers and reports lean on.
//
// Texts are UTF-8, or page bodies of one byte per character. Searches are
// exact and byte-wise (a UTF-8 character only ever matches itself), indices
// are byte offsets. Where a character matters on its own (digits, the
// characters of a set), a valid UTF-8 sequence is one character and any
// other byte is one character of its own value. An absent text is
// std::nullopt where an operation accepts one.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

class StrUtil {
public:
    using OptText = std::optional<std::string_view>;

    // Searching and cutting.

    // The text between the first `start` at or after fromIndex and the next
    // `end` after it; "" when a marker is missing. An absent start cuts from
    // the beginning and ignores fromIndex; a negative fromIndex counts as 0.
    static std::string extract(std::string_view text, OptText start, std::string_view end, int fromIndex);
    static std::string extract(std::string_view text, OptText start, std::string_view end) {
        return extract(text, start, end, -1);
    }
    // The text before the first marker; throws std::out_of_range when the
    // marker does not occur.
    static std::string prefix(std::string_view text, std::string_view marker);
    // The text from one character past the start of the last marker; the
    // whole text when the marker does not occur.
    static std::string suffix(std::string_view text, std::string_view marker);
    static bool contains(OptText text, std::string_view part);
    static bool contains(OptText text1, OptText text2, std::string_view part);
    // Whether text begins with prefix, ASCII letters compared without case.
    static bool startsWithIgnoreCase(std::string_view text, std::string_view prefix);
    // Non-overlapping occurrences, left to right; 0 for an absent or empty
    // text or part.
    static int countMatches(OptText text, OptText part);
    static bool ignoreText(std::string_view text) { return text.empty(); }

    // Replacing.

    // Every non-overlapping occurrence, left to right; inserted text is never
    // searched again. An empty search text leaves the text as it is.
    static std::string replace(std::string_view text, std::string_view search, std::string_view replacement);
    // For each character of chars in turn, every occurrence in the current
    // text is replaced (later characters are replaced inside earlier
    // replacements too).
    static std::string replaceAnyCharWithString(std::string_view text, std::string_view chars,
                                                std::string_view replacement);
    static std::string replacePeriodsWithCommas(std::string_view text);
    // "&nbsp;" to " ", then trimmed.
    static std::string cleanSpaces(std::string_view text);
    // URL-escapes "/", "|", ":", "=", "+", "~", ",", "@" and nothing else.
    static std::string replaceGremlins(std::string_view text);
    // Quotes of either kind (and their entities) become \' for a
    // single-quoted script string.
    static std::string safetyJSEscape(std::string_view text);
    // Removes leading and trailing characters at or below 0x20.
    static std::string trim(std::string_view text);

    // Numbers.

    static std::string getNumericOnlyPortion(OptText text);
    static std::string getNumericAndEtcOnlyPortion(OptText text);
    static bool isNumeric(OptText text, bool allowCommas);
    // A whole decimal number in the 32-bit range: an optional sign, then
    // ASCII digits and nothing else; absent otherwise.
    static std::optional<int32_t> parseInt(std::string_view text);
    // The int text for a whole value within the int range, else the
    // shortest float text ("12.5", "1.0E10", "NaN", "Infinity").
    static std::string cleanFloatToString(float value);

    // Encoding and markup.

    // Base64 with "=" padding; "\r\n" after every full group of 76 output
    // characters, including the last one.
    static std::string base64encode(const std::vector<unsigned char>& data);
    static std::string base64encode(std::string_view text);
    // A credential as it goes into a form body, a query or an address:
    // "&", "=", "+", "%", "#", blank, control characters and characters
    // above 0x7E become "%" and two hexadecimal digits of the character's
    // low 8 bits; every other character goes as typed.
    static std::string encodeFormValue(std::string_view value);
    // SecretMask::mask: each secret hidden in every written form, and the
    // values of password fields.
    static std::string maskSecrets(std::string_view text, const std::vector<std::string>& secrets);
    // Text for an HTML page, as element text or inside a quoted attribute:
    // "&", "<", ">", '"' and "'" become character references.
    static std::string escapeHTML(std::string_view text);
    // Each "%" with two hexadecimal digits becomes the byte they give; any
    // other "%" stays as it is.
    static std::string percentDecode(std::string_view text);
    // Text pieces outside tags, trimmed, empty ones dropped; a text with no
    // "<" gives no pieces.
    static std::vector<std::string> parseOutHTMLTags(std::string_view html, bool removeLineBreaks);
    static void addStringToList(std::vector<std::string>& list, std::string_view text, bool removeLineBreaks);

    // One character at pos: a valid UTF-8 sequence, or a single byte standing
    // for itself. Sets length to the bytes taken (0 at the end of the text).
    static char32_t charAt(std::string_view text, size_t pos, size_t& length);
    // Whether the code point is a decimal digit of the basic multilingual
    // plane (any script).
    static bool isDecimalDigit(char32_t c);
    // Appends the UTF-8 form of a code point.
    static void appendUtf8(std::string& out, char32_t cp);
    // UTF-16 units to UTF-8; pairs are joined, a lone surrogate becomes U+FFFD.
    static std::string utf16ToUtf8(std::u16string_view units);
    // UTF-8 to UTF-16 units; a byte that starts no well-formed sequence
    // stands for the ISO 8859-1 character of its value, so nothing is lost.
    static std::u16string utf8ToUtf16(std::string_view text);
};

}  // namespace foundation
