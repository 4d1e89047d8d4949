// The one-call Blowfish functions are the only way to key Blowfish with 20
// bytes without the legacy provider; they are deprecated in OpenSSL 3.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "foundation/BlowfishEasy.h"

#include <openssl/blowfish.h>
#include <openssl/crypto.h>
#include <openssl/sha.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "foundation/BinConverter.h"

namespace foundation {

namespace {

// UTF-16 code units of a UTF-8 text; a byte that starts no valid sequence
// stands for U+FFFD.
std::vector<uint16_t> utf16Units(const std::string& text) {
    std::vector<uint16_t> units;
    size_t i = 0;
    auto cont = [&](size_t at) { return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80; };
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        uint32_t cp = 0xFFFD;
        size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if (b >= 0xC2 && b <= 0xDF && cont(i + 1)) {
            cp = (b & 0x1F) << 6 | (text[i + 1] & 0x3F);
            len = 2;
        } else if (b >= 0xE0 && b <= 0xEF && cont(i + 1) && cont(i + 2)) {
            cp = (b & 0x0F) << 12 | (text[i + 1] & 0x3F) << 6 | (text[i + 2] & 0x3F);
            if (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) {
                len = 3;
            } else {
                cp = 0xFFFD;
            }
        } else if (b >= 0xF0 && b <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            cp = (b & 0x07) << 18 | (text[i + 1] & 0x3F) << 12 | (text[i + 2] & 0x3F) << 6 | (text[i + 3] & 0x3F);
            if (cp >= 0x10000 && cp <= 0x10FFFF) {
                len = 4;
            } else {
                cp = 0xFFFD;
            }
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<uint16_t>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<uint16_t>(cp));
        }
    }
    return units;
}

std::mutex& generatorMutex() {
    static std::mutex m;
    return m;
}

std::mt19937_64& sharedGenerator() {
    static std::mt19937_64 gen([] {
        std::random_device rd;
        uint64_t clock = static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
        return clock ^ (static_cast<uint64_t>(rd()) << 32 | rd());
    }());
    return gen;
}

}  // namespace

class BlowfishEasy::Engine {
public:
    explicit Engine(const std::vector<unsigned char>& key) {
        BF_set_key(&m_key, static_cast<int>(key.size()), key.data());
        std::memset(m_cbciv, 0, sizeof m_cbciv);
    }
    ~Engine() { wipe(); }
    void wipe() {
        OPENSSL_cleanse(&m_key, sizeof m_key);
        OPENSSL_cleanse(m_cbciv, sizeof m_cbciv);
    }
    void setCBCIV(const unsigned char iv[8]) { std::memcpy(m_cbciv, iv, 8); }
    void encrypt(std::vector<unsigned char>& data) { run(data, BF_ENCRYPT); }
    void decrypt(std::vector<unsigned char>& data) { run(data, BF_DECRYPT); }

private:
    void run(std::vector<unsigned char>& data, int mode) {
        std::vector<unsigned char> out(data.size());
        BF_cbc_encrypt(data.data(), out.data(), static_cast<long>(data.size()), &m_key, m_cbciv, mode);
        data.swap(out);
        OPENSSL_cleanse(out.data(), out.size());
    }
    BF_KEY m_key;
    unsigned char m_cbciv[8];
};

BlowfishEasy::BlowfishEasy(const std::string& passPhrase) {
    std::vector<unsigned char> phrase;
    for (uint16_t unit : utf16Units(passPhrase)) phrase.push_back(static_cast<unsigned char>(unit & 0xFF));
    std::vector<unsigned char> digest(SHA_DIGEST_LENGTH);
    SHA1(phrase.data(), phrase.size(), digest.data());
    m_bfish = std::make_unique<Engine>(digest);
    OPENSSL_cleanse(digest.data(), digest.size());
    if (!phrase.empty()) OPENSSL_cleanse(phrase.data(), phrase.size());
}

BlowfishEasy::~BlowfishEasy() = default;

std::string BlowfishEasy::encryptString(const std::string& plain) {
    uint64_t iv;
    {
        std::lock_guard<std::mutex> guard(generatorMutex());
        iv = sharedGenerator()();
    }
    return encStr(plain, static_cast<int64_t>(iv));
}

std::string BlowfishEasy::encryptString(const std::string& plain, std::mt19937_64& generator) {
    return encStr(plain, static_cast<int64_t>(generator()));
}

std::string BlowfishEasy::encStr(const std::string& plain, int64_t iv) {
    if (!m_bfish) throw std::logic_error("BlowfishEasy used after destroy");
    std::vector<uint16_t> units = utf16Units(plain);
    size_t n = units.size() * 2;
    size_t total = (n & ~static_cast<size_t>(7)) + 8;
    std::vector<unsigned char> buf(total, static_cast<unsigned char>(total - n));
    for (size_t i = 0; i < units.size(); ++i) {
        buf[2 * i] = static_cast<unsigned char>(units[i] >> 8);
        buf[2 * i + 1] = static_cast<unsigned char>(units[i] & 0xFF);
    }
    std::vector<uint8_t> ivBytes(8);
    BinConverter::longToByteArray(iv, ivBytes, 0);
    m_bfish->setCBCIV(ivBytes.data());
    m_bfish->encrypt(buf);
    std::string out = BinConverter::bytesToBinHex(ivBytes) + BinConverter::bytesToBinHex(buf);
    return out;
}

std::optional<std::string> BlowfishEasy::decryptString(const std::string& stored) {
    if (!m_bfish) return std::nullopt;
    int blocks = static_cast<int>((stored.size() / 2) & ~static_cast<size_t>(7));
    if (blocks < 8) return std::nullopt;
    std::vector<uint8_t> iv(8);
    if (BinConverter::binHexToBytes(stored, iv, 0, 0, 8) < 8) return std::nullopt;
    m_bfish->setCBCIV(iv.data());
    int cipherLen = blocks - 8;
    if (cipherLen == 0) return std::string();
    std::vector<uint8_t> buf(static_cast<size_t>(cipherLen));
    if (BinConverter::binHexToBytes(stored, buf, 16, 0, cipherLen) < cipherLen) return std::nullopt;
    m_bfish->decrypt(buf);
    int keep = cipherLen;
    int pad = buf.back();
    if (pad <= 8) keep -= pad;
    keep &= ~1;
    std::string plain = BinConverter::byteArrayToUNCString(buf, 0, keep);
    OPENSSL_cleanse(buf.data(), buf.size());
    return plain;
}

void BlowfishEasy::destroy() {
    if (m_bfish) m_bfish->wipe();
    m_bfish.reset();
}

}  // namespace foundation
