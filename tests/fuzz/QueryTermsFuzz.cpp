// Search terms on their way into a query address, and the code page under
// them: any text encodes to letters, digits, "+" and "%XX" only, and the
// encoding decodes to the terms' code-page bytes; any bytes convert to UTF-8
// and back unchanged.

#include <string>

#include "control/AnsiCodePage.h"
#include "control/modQueries.h"
#include "tests/fuzz/FuzzSupport.h"

using tiraleaf::AnsiCodePage;

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool isAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::string encoded = tiraleaf::modQueries::EncodeSearchTerms(text);
    std::string decoded;
    for (size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '+') {
            decoded += ' ';
        } else if (c == '%') {
            rlfuzz::check(i + 2 < encoded.size(), "a cut escape in " + encoded);
            const int high = hexValue(encoded[i + 1]);
            const int low = hexValue(encoded[i + 2]);
            rlfuzz::check(high >= 0 && low >= 0, "a bad escape in " + encoded);
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            rlfuzz::check(isAlnum(c), "a character that needs escaping: " + rlfuzz::printable(encoded));
            decoded += c;
        }
    }
    rlfuzz::check(decoded == AnsiCodePage::fromUtf8(text),
                  "terms " + rlfuzz::printable(text) + " encoded as " + encoded);

    const std::string utf8 = AnsiCodePage::toUtf8(text);
    rlfuzz::check(AnsiCodePage::fromUtf8(utf8) == text, "bytes " + rlfuzz::printable(text) + " changed on the way back");
    return 0;
}
