#include "foundation/BlowfishEasy.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "foundation/BinConverter.h"

using foundation::BinConverter;
using foundation::BlowfishEasy;

namespace {

const char* const PHRASE = "Roam phrase 42";

// Expected texts were computed outside this code base with a separate
// Blowfish-CBC written in Python from the published algorithm (checked
// against the published test vectors, and against another library), with
// SHA-1 of the phrase as the key and the padding applied by hand.
struct Vector {
    const char* plain;
    int64_t iv;
    const char* stored;
};
const Vector VECTORS[] = {
    {"", 0x0123456789abcdefll, "0123456789abcdef084d8062458c0431"},
    {"abc", 0x1122334455667788ll, "112233445566778800ef6199eac01ac8"},
    {"abcd", static_cast<int64_t>(0xfedcba9876543210ull), "fedcba987654321001c75ae3612fca9890290d15f9117573"},
    // Characters above 0xFF and one outside the 16-bit plane.
    {"p\xC3\xA4ss w\xC3\xB6rd\xE2\x82\xAC\xF0\x9D\x84\x9E", 1,
     "0000000000000001b813957b8fe086359207f55e21b264e287d961e4ade87af19f4d4f31a69f68e8"},
};

}  // namespace

TEST(BlowfishEasy, MatchesAnIndependentImplementation) {
    BlowfishEasy cipher(PHRASE);
    for (const auto& v : VECTORS) {
        EXPECT_EQ(cipher.encStr(v.plain, v.iv), v.stored) << v.plain;
        auto plain = cipher.decryptString(v.stored);
        ASSERT_TRUE(plain.has_value()) << v.stored;
        EXPECT_EQ(*plain, v.plain);
    }
}

TEST(BlowfishEasy, PaddingDecidesTheLength) {
    BlowfishEasy cipher(PHRASE);
    EXPECT_EQ(cipher.encryptString("").size(), 32u);
    EXPECT_EQ(cipher.encryptString("abc").size(), 32u);
    EXPECT_EQ(cipher.encryptString("abcd").size(), 48u) << "a whole block of padding";
    EXPECT_EQ(cipher.encryptString("abcdefg").size(), 48u);
    EXPECT_EQ(cipher.encryptString("abcdefgh").size(), 64u);
    for (char c : cipher.encryptString("anything")) EXPECT_NE(std::string("0123456789abcdef").find(c), std::string::npos);
}

TEST(BlowfishEasy, EachEncryptionHasItsOwnVectorAndAllDecrypt) {
    BlowfishEasy cipher(PHRASE);
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
        std::string stored = cipher.encryptString("same secret");
        EXPECT_TRUE(seen.insert(stored.substr(0, 16)).second) << "vector repeated";
        EXPECT_EQ(cipher.decryptString(stored), std::optional<std::string>("same secret"));
    }
    std::mt19937_64 a(7), b(7);
    std::string stored = cipher.encryptString("x", a);
    std::vector<uint8_t> iv(8);
    BinConverter::longToByteArray(static_cast<int64_t>(b()), iv, 0);
    EXPECT_EQ(stored.substr(0, 16), BinConverter::bytesToBinHex(iv)) << "the vector comes from the given generator";
}

TEST(BlowfishEasy, RoundTripsAcrossObjectsWithTheSamePhrase) {
    BlowfishEasy writer(PHRASE);
    BlowfishEasy reader(PHRASE);
    for (const std::string& secret : {std::string(""), std::string("1234"), std::string(100, 'z'),
                                      std::string("\xE4\xB8\xAD\xE6\x96\x87\xE5\xAF\x86\xE7\xA0\x81"),
                                      std::string("tab\tand\nnew line")}) {
        EXPECT_EQ(reader.decryptString(writer.encryptString(secret)), std::optional<std::string>(secret));
    }
    BlowfishEasy other("another phrase");
    std::string stored = writer.encryptString("topsecret");
    auto wrong = other.decryptString(stored);
    EXPECT_NE(wrong, std::optional<std::string>("topsecret")) << "a wrong key gives no failure, only wrong text";
}

TEST(BlowfishEasy, DecryptionEdgeCases) {
    BlowfishEasy cipher(PHRASE);
    const std::string four = VECTORS[2].stored;
    EXPECT_EQ(cipher.decryptString("0123456789abcdef"), std::optional<std::string>("")) << "only a vector";
    EXPECT_EQ(cipher.decryptString("0123456789abcde"), std::nullopt) << "15 characters";
    EXPECT_EQ(cipher.decryptString(""), std::nullopt);
    std::string upper = four;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(cipher.decryptString(upper), std::nullopt) << "upper-case hexadecimal";
    std::string badVector = four;
    badVector[3] = 'g';
    EXPECT_EQ(cipher.decryptString(badVector), std::nullopt);
    std::string badCipher = four;
    badCipher[40] = 'x';
    EXPECT_EQ(cipher.decryptString(badCipher), std::nullopt);
    // A trailing odd character and a part block are ignored.
    EXPECT_EQ(cipher.decryptString(four + "f"), std::optional<std::string>("abcd"));
    EXPECT_EQ(cipher.decryptString(four + "0123456789abcd"), std::optional<std::string>("abcd"));
    // A last byte above 8 drops nothing; an odd remainder loses its last byte.
    EXPECT_EQ(cipher.decryptString("0102030405060708e311da17b8cd38a4"), std::optional<std::string>("abcd"));
    EXPECT_EQ(cipher.decryptString("01020304050607081db77ff604c850c2"), std::optional<std::string>("abc"));
}

TEST(BlowfishEasy, DestroyedCipherIsUnusable) {
    BlowfishEasy cipher(PHRASE);
    std::string stored = cipher.encryptString("pw");
    cipher.destroy();
    EXPECT_EQ(cipher.decryptString(stored), std::nullopt);
    EXPECT_THROW(cipher.encryptString("pw"), std::logic_error);
    EXPECT_NO_THROW(cipher.destroy());
}

TEST(BlowfishEasy, SharedGeneratorServesManyThreads) {
    std::vector<std::thread> threads;
    std::vector<std::set<std::string>> vectors(4);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &vectors] {
            BlowfishEasy own(PHRASE);
            for (int i = 0; i < 200; ++i) {
                std::string stored = own.encryptString("s" + std::to_string(i));
                if (own.decryptString(stored) == std::optional<std::string>("s" + std::to_string(i))) {
                    vectors[t].insert(stored.substr(0, 16));
                }
            }
        });
    }
    for (auto& t : threads) t.join();
    std::set<std::string> all;
    for (const auto& v : vectors) all.insert(v.begin(), v.end());
    EXPECT_EQ(all.size(), 800u);
}

TEST(BinConverter, WordsAndBytesAreBigEndian) {
    std::vector<uint8_t> buf(10, 0xEE);
    BinConverter::longToByteArray(0x0102030405060708ll, buf, 1);
    EXPECT_EQ(buf, (std::vector<uint8_t>{0xEE, 1, 2, 3, 4, 5, 6, 7, 8, 0xEE}));
    EXPECT_EQ(BinConverter::byteArrayToLong(buf, 1), 0x0102030405060708ll);
    EXPECT_THROW(BinConverter::longToByteArray(1, buf, 3), std::out_of_range);

    std::vector<int32_t> ints(2);
    BinConverter::longToIntArray(static_cast<int64_t>(0xFFFFFFFE00000001ull), ints, 0);
    EXPECT_EQ(ints[0], -2);
    EXPECT_EQ(ints[1], 1);
    EXPECT_EQ(BinConverter::intArrayToLong(ints, 0), static_cast<int64_t>(0xFFFFFFFE00000001ull));
    EXPECT_EQ(BinConverter::makeLong(-1, 0), 0xFFFFFFFFll) << "the low half is unsigned";
    EXPECT_EQ(BinConverter::longHi32(BinConverter::makeLong(5, -7)), -7);
    EXPECT_EQ(BinConverter::longLo32(BinConverter::makeLong(5, -7)), 5);
}

TEST(BinConverter, HexadecimalBothWays) {
    EXPECT_EQ(BinConverter::bytesToBinHex({0x00, 0x0F, 0xA5, 0xFF}), "000fa5ff");
    EXPECT_EQ(BinConverter::bytesToBinHex({1, 2, 3, 4}, 1, 2), "0203");

    std::vector<uint8_t> dst(4, 0);
    EXPECT_EQ(BinConverter::binHexToBytes("0aFF1b2", dst, 0, 0, 10), 2) << "FF is consumed, the odd 2 ignored";
    EXPECT_EQ(dst, (std::vector<uint8_t>{0x0a, 0x1b, 0, 0}));
    EXPECT_EQ(BinConverter::binHexToBytes("112233", dst, 2, 3, 5), 1) << "limited by the room left";
    EXPECT_EQ(dst[3], 0x22);
    EXPECT_EQ(BinConverter::binHexToBytes("11", dst, 4, 0, 5), 0);

    std::vector<uint8_t> chars = {0x00, 0x41, 0x20, 0xAC, 0xD8, 0x34, 0xDD, 0x1E, 0x00};
    EXPECT_EQ(BinConverter::byteArrayToUNCString(chars, 0, 99), "A\xE2\x82\xAC\xF0\x9D\x84\x9E");
    EXPECT_EQ(BinConverter::byteArrayToUNCString(chars, 0, 3), "A");
    EXPECT_EQ(BinConverter::byteArrayToUNCString({0xD8, 0x00, 0x00, 0x42}, 0, 4), "\xEF\xBF\xBD" "B");
}
