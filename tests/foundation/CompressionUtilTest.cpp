#include "foundation/CompressionUtil.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

using foundation::CompressionUtil;

namespace {

const std::vector<unsigned char> HEADER = {0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

// Inflates with zlib's gzip detection, which checks the trailer's CRC and
// length; answers the text, or fails the test.
std::string gunzip(const std::vector<unsigned char>& data) {
    z_stream zs{};
    EXPECT_EQ(inflateInit2(&zs, 15 + 32), Z_OK);
    zs.next_in = const_cast<Bytef*>(data.data());
    zs.avail_in = static_cast<uInt>(data.size());
    std::string out;
    unsigned char buf[4096];
    int rc;
    do {
        zs.next_out = buf;
        zs.avail_out = sizeof buf;
        rc = inflate(&zs, Z_NO_FLUSH);
        out.append(reinterpret_cast<char*>(buf), sizeof buf - zs.avail_out);
    } while (rc == Z_OK);
    EXPECT_EQ(rc, Z_STREAM_END) << "not a whole, well-checked gzip stream";
    EXPECT_EQ(zs.avail_in, 0u) << "bytes after the gzip member";
    inflateEnd(&zs);
    return out;
}

uint32_t trailerWord(const std::vector<unsigned char>& data, size_t fromEnd) {
    size_t at = data.size() - fromEnd;
    return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
}

}  // namespace

TEST(CompressionUtil, EmptyTextIsHeaderEmptyStreamAndZeroTrailer) {
    std::vector<unsigned char> expected = HEADER;
    expected.insert(expected.end(), {0x03, 0x00, 0, 0, 0, 0, 0, 0, 0, 0});
    auto out = CompressionUtil::gzipString("");
    EXPECT_EQ(out, expected);
    EXPECT_EQ(gunzip(out), "");
}

TEST(CompressionUtil, TextsGunzipBackWithTheFixedHeader) {
    std::mt19937 gen(42);
    std::string noise;
    for (int i = 0; i < 300000; ++i) noise += static_cast<char>(gen());
    std::string report;
    for (int i = 0; i < 5000; ++i) report += "OS=Linux&Version=20060430&Account" + std::to_string(i) + "=1234\n";
    for (const std::string& text : {std::string("a"), std::string("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"),
                                    std::string("nul\0inside", 10), report, noise}) {
        auto out = CompressionUtil::gzipString(text);
        ASSERT_GE(out.size(), 18u);
        EXPECT_TRUE(std::equal(HEADER.begin(), HEADER.end(), out.begin()));
        EXPECT_EQ(trailerWord(out, 4), text.size());
        EXPECT_EQ(gunzip(out), text);
    }
    EXPECT_LT(CompressionUtil::gzipString(report).size(), report.size() / 10) << "repetitive text compresses";
}
