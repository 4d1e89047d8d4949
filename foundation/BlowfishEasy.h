#pragma once
// Turns a secret into storable text and back: a random 64-bit vector and
// the Blowfish-CBC ciphertext of the secret's UTF-16BE characters (padded
// to whole blocks, always at least one padding byte), both in lower-case
// hexadecimal, under the SHA-1 digest of a pass phrase. There is no
// integrity check: a damaged text decrypts to whatever it decrypts to.
// One object must not be used by two threads at once.

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>

namespace foundation {

class BlowfishEasy {
public:
    // The key is the SHA-1 digest of the pass phrase's characters, each
    // reduced to its low 8 bits.
    explicit BlowfishEasy(const std::string& passPhrase);
    ~BlowfishEasy();
    BlowfishEasy(const BlowfishEasy&) = delete;
    BlowfishEasy& operator=(const BlowfishEasy&) = delete;

    // With a vector from the process-wide generator.
    std::string encryptString(const std::string& plain);
    std::string encryptString(const std::string& plain, std::mt19937_64& generator);
    std::string encStr(const std::string& plain, int64_t iv);
    // The plain text; "" for a text that holds only a vector; absent for a
    // text too short or not lower-case hexadecimal. Never throws.
    std::optional<std::string> decryptString(const std::string& stored);
    // Wipes the key schedule. Afterwards encrypting throws std::logic_error
    // and decrypting answers absent.
    void destroy();

private:
    class Engine;
    std::unique_ptr<Engine> m_bfish;
};

}  // namespace foundation
