#pragma once
// gzip of report messages.

#include <string>
#include <vector>

namespace foundation {

class CompressionUtil {
public:
    // The gzip form of the text's bytes: a fixed 10-byte header (deflate, no
    // flags, no time, system byte 0), raw deflate at the default level, then
    // CRC-32 and length, least significant byte first.
    static std::vector<unsigned char> gzipString(const std::string& text);
};

}  // namespace foundation
