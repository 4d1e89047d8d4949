#include "foundation/CompressionUtil.h"

#include <zlib.h>

#include <stdexcept>

namespace foundation {

namespace {

void putLittleEndian32(std::vector<unsigned char>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::vector<unsigned char> CompressionUtil::gzipString(const std::string& text) {
    std::vector<unsigned char> out = {0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

    z_stream zs{};
    // Negative window bits: a raw stream, the gzip framing is ours.
    if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("Unable to start compression");
    }
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    zs.avail_in = static_cast<uInt>(text.size());
    unsigned char buf[16384];
    int rc;
    do {
        zs.next_out = buf;
        zs.avail_out = sizeof buf;
        rc = deflate(&zs, Z_FINISH);
        if (rc == Z_STREAM_ERROR) {
            deflateEnd(&zs);
            throw std::runtime_error("Unable to compress");
        }
        out.insert(out.end(), buf, buf + (sizeof buf - zs.avail_out));
    } while (rc != Z_STREAM_END);
    deflateEnd(&zs);

    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()));
    putLittleEndian32(out, static_cast<uint32_t>(crc));
    putLittleEndian32(out, static_cast<uint32_t>(text.size()));
    return out;
}

}  // namespace foundation
