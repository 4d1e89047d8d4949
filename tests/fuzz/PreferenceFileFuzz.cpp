// The control's preference file ("core-pref.js"): any line read with any
// preference name fails cleanly or gives a value, any escaped text
// unescapes, and a value written for a preference reads back as it was, less
// its line ends, through the code page the file is stored in.

#include <string>

#include "control/AnsiCodePage.h"
#include "control/modPref.h"
#include "foundation/StrUtil.h"
#include "tests/fuzz/FuzzSupport.h"

using tiraleaf::AnsiCodePage;
using tiraleaf::modPref;

namespace {

// Whole UTF-8 with no surrogate and nothing above U+10FFFF.
bool isUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int more = 0;
        char32_t value = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            value = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            value = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            value = c & 0x07;
        } else {
            return false;
        }
        if (i + more >= text.size()) return false;
        for (int k = 1; k <= more; ++k) {
            const unsigned char d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            value = (value << 6) | (d & 0x3F);
        }
        if ((more == 2 && value < 0x800) || (more == 3 && (value < 0x10000 || value > 0x10FFFF)) ||
            (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += more + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rlfuzz::Input in(data, size);
    const std::string name = modPref::PrefName(in.numberIn(0, modPref::PREF_COUNT - 1));
    const std::string value = in.text();
    const std::string line = in.rest();

    (void)modPref::ParsePrefLine(line, name);
    (void)modPref::UnescapeValue(line);

    if (!isUtf8(value)) return 0;
    const std::string written = modPref::FormatPrefLine(name, value);
    rlfuzz::check(written.find_first_of("\r\n") == std::string::npos, "a preference line with a line end");
    rlfuzz::check(written.find("</") == std::string::npos, "a preference line that ends a script element");
    const std::string stored = AnsiCodePage::toUtf8(AnsiCodePage::fromUtf8(written));
    rlfuzz::check(stored == written, "an escaped value the code page cannot hold: " + rlfuzz::printable(written));
    std::string expected;
    for (char c : value) {
        if (c != '\r' && c != '\n') expected += c;
    }
    const auto read = modPref::ParsePrefLine("  " + stored + "\t", name);
    rlfuzz::check(read.has_value() && *read == expected,
                  "value " + rlfuzz::printable(value) + " read back as " + rlfuzz::printable(read.value_or("<none>")));
    return 0;
}
