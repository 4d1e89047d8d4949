#pragma once
// Byte, word and hexadecimal conversions beneath the stored-secret cipher.
// Every byte order is big-endian (most significant first). Positions
// outside a buffer throw std::out_of_range.

#include <cstdint>
#include <string>
#include <vector>

namespace foundation {

class BinConverter {
public:
    static constexpr const char* HEXTAB = "0123456789abcdef";

    static void longToByteArray(int64_t value, std::vector<uint8_t>& buf, int ofs);
    static int64_t byteArrayToLong(const std::vector<uint8_t>& buf, int ofs);
    static int64_t intArrayToLong(const std::vector<int32_t>& buf, int ofs);
    static void longToIntArray(int64_t value, std::vector<int32_t>& buf, int ofs);
    // hi as the high and lo (unsigned) as the low 32 bits.
    static int64_t makeLong(int32_t lo, int32_t hi);
    static int32_t longLo32(int64_t value);
    static int32_t longHi32(int64_t value);

    // Two lower-case hexadecimal characters per byte.
    static std::string bytesToBinHex(const std::vector<uint8_t>& data);
    static std::string bytesToBinHex(const std::vector<uint8_t>& data, int ofs, int len);
    // Up to count character pairs from srcPos into dst from dstPos on, count
    // limited to the whole pairs left and to the room in dst. Only "0"-"9"
    // and "a"-"f" are accepted: any other pair is consumed and writes
    // nothing. Answers the number of bytes written.
    static int binHexToBytes(const std::string& hex, std::vector<uint8_t>& dst, int srcPos, int dstPos, int count);
    // Text (UTF-8) from 16-bit characters stored as byte pairs, high byte
    // first; len is rounded down to even and limited to the bytes present.
    // A lone surrogate becomes U+FFFD.
    static std::string byteArrayToUNCString(const std::vector<uint8_t>& data, int ofs, int len);
};

}  // namespace foundation
