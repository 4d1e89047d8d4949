// The cipher beneath the stored passwords: decrypting any text never fails
// (a damaged text decrypts to whatever it decrypts to), and every text it
// enciphers deciphers back to itself.

#include <random>
#include <string>

#include "foundation/BlowfishEasy.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rlfuzz::Input in(data, size);
    const std::string phrase = in.text();
    const std::string stored = in.rest();
    foundation::BlowfishEasy cipher(phrase);
    (void)cipher.decryptString(stored);

    // The stored text as a plain text: enciphered and back, it is the same
    // (a text of UTF-8 characters; other bytes are taken as Latin-1).
    std::mt19937_64 generator(size);
    const std::string enciphered = cipher.encryptString(stored, generator);
    const auto back = cipher.decryptString(enciphered);
    rlfuzz::check(back.has_value(), "an enciphered text does not decipher");
    if (*back != stored) {
        // Only bytes that are no UTF-8 may change (into their Latin-1 character).
        const auto again = cipher.decryptString(cipher.encryptString(*back, generator));
        rlfuzz::check(again && *again == *back, "a deciphered text does not survive a second round");
    }
    return 0;
}
