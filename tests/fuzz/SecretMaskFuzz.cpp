// The masking of credentials on any text and any secret: nothing read
// outside the text, and no secret left as typed or fully percent-encoded.

#include <string>

#include "foundation/SecretMask.h"
#include "tests/fuzz/FuzzSupport.h"

using foundation::SecretMask;

namespace {

std::string encodedEveryByte(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        out += '%';
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rlfuzz::Input in(data, size);
    const std::string secret = in.text();
    const std::string second = in.text();
    const std::string text = in.rest();
    const std::string masked = SecretMask::mask(text, {secret, second});
    (void)SecretMask::isPasswordFieldName(text);
    // The mask is made of "*", so a secret holding one may show in it.
    if (!secret.empty() && secret.find('*') == std::string::npos) {
        rlfuzz::check(masked.find(secret) == std::string::npos, "a secret left as typed");
        rlfuzz::check(masked.find(encodedEveryByte(secret)) == std::string::npos, "a secret left encoded");
    }
    return 0;
}
