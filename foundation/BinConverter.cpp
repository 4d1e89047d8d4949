#include "foundation/BinConverter.h"

#include <stdexcept>

#include "foundation/StrUtil.h"

namespace foundation {

namespace {

void check(size_t size, int ofs, int len, const char* what) {
    if (ofs < 0 || len < 0 || static_cast<size_t>(ofs) + static_cast<size_t>(len) > size) {
        throw std::out_of_range(std::string(what) + ": position out of range");
    }
}

int nibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

void BinConverter::longToByteArray(int64_t value, std::vector<uint8_t>& buf, int ofs) {
    check(buf.size(), ofs, 8, "longToByteArray");
    auto v = static_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i) buf[ofs + i] = static_cast<uint8_t>(v >> (56 - 8 * i));
}

int64_t BinConverter::byteArrayToLong(const std::vector<uint8_t>& buf, int ofs) {
    check(buf.size(), ofs, 8, "byteArrayToLong");
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | buf[ofs + i];
    return static_cast<int64_t>(v);
}

int64_t BinConverter::intArrayToLong(const std::vector<int32_t>& buf, int ofs) {
    check(buf.size(), ofs, 2, "intArrayToLong");
    return makeLong(buf[ofs + 1], buf[ofs]);
}

void BinConverter::longToIntArray(int64_t value, std::vector<int32_t>& buf, int ofs) {
    check(buf.size(), ofs, 2, "longToIntArray");
    buf[ofs] = longHi32(value);
    buf[ofs + 1] = longLo32(value);
}

int64_t BinConverter::makeLong(int32_t lo, int32_t hi) {
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(hi)) << 32) |
                                static_cast<uint32_t>(lo));
}

int32_t BinConverter::longLo32(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value) & 0xFFFFFFFFu));
}

int32_t BinConverter::longHi32(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32));
}

std::string BinConverter::bytesToBinHex(const std::vector<uint8_t>& data) {
    return bytesToBinHex(data, 0, static_cast<int>(data.size()));
}

std::string BinConverter::bytesToBinHex(const std::vector<uint8_t>& data, int ofs, int len) {
    check(data.size(), ofs, len, "bytesToBinHex");
    std::string out;
    out.reserve(static_cast<size_t>(len) * 2);
    for (int i = ofs; i < ofs + len; ++i) {
        out += HEXTAB[data[i] >> 4];
        out += HEXTAB[data[i] & 0x0F];
    }
    return out;
}

int BinConverter::binHexToBytes(const std::string& hex, std::vector<uint8_t>& dst, int srcPos, int dstPos,
                                int count) {
    if (srcPos < 0 || dstPos < 0 || count < 0) throw std::out_of_range("binHexToBytes: negative position");
    int pairsLeft = srcPos >= static_cast<int>(hex.size()) ? 0 : (static_cast<int>(hex.size()) - srcPos) / 2;
    int room = dstPos >= static_cast<int>(dst.size()) ? 0 : static_cast<int>(dst.size()) - dstPos;
    if (count > pairsLeft) count = pairsLeft;
    if (count > room) count = room;
    int written = 0;
    for (int i = 0; i < count; ++i) {
        int hi = nibble(hex[srcPos + 2 * i]);
        int lo = nibble(hex[srcPos + 2 * i + 1]);
        if (hi < 0 || lo < 0) continue;
        dst[dstPos + written++] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return written;
}

std::string BinConverter::byteArrayToUNCString(const std::vector<uint8_t>& data, int ofs, int len) {
    if (ofs < 0 || len < 0) throw std::out_of_range("byteArrayToUNCString: negative position");
    int avail = ofs >= static_cast<int>(data.size()) ? 0 : static_cast<int>(data.size()) - ofs;
    if (len > avail) len = avail;
    len &= ~1;
    std::u16string units;
    units.reserve(len / 2);
    for (int i = 0; i < len; i += 2) units += static_cast<char16_t>(data[ofs + i] << 8 | data[ofs + i + 1]);
    return StrUtil::utf16ToUtf8(units);
}

}  // namespace foundation
