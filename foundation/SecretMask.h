#pragma once
// Hides credentials in text that is logged, reported or shown: every
// address, request body, page dump and error text passes through here
// before it leaves memory.

#include <string>
#include <string_view>
#include <vector>

namespace foundation {

class SecretMask {
public:
    static constexpr const char* MASK = "********";

    // The text with each non-empty secret replaced by MASK wherever it
    // stands in any form a browser or our own code writes it: as typed,
    // with any of its characters percent-encoded (either letter case, as
    // UTF-8 or as the character's low 8 bits), "+" for a blank, or as an
    // HTML character reference. Then the value of every query or form
    // field whose name marks it as a password becomes MASK too, whatever
    // the value is, up to the field's end: "&", a line end or the end of
    // the text.
    static std::string mask(std::string_view text, const std::vector<std::string>& secrets);

    // Whether a query or form field of this name carries a password: the
    // name holds "pass", "pwd", "pswd" or "secret" in any letter case, or
    // "pin" not followed by a small letter ("pin", "txtPinNo", "PINCode",
    // "alohaLoginPin", but not "shipping" or "opinion").
    static bool isPasswordFieldName(std::string_view name);
};

}  // namespace foundation
