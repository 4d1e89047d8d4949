#include "tests/support/ZipBuilder.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <stdexcept>

namespace rltest {

namespace {

constexpr uint16_t MADE_ON_UNIX = (3 << 8) | 20;
constexpr uint16_t MADE_ON_DOS = 20;
constexpr uint16_t DOS_TIME = (12 << 11);            // 12:00:00
constexpr uint16_t DOS_DATE = ((2006 - 1980) << 9) | (4 << 5) | 30;  // 2006-04-30
constexpr uint32_t ZIP64_MARK = 0xFFFFFFFF;
constexpr uint16_t ZIP64_FIELD = 0x0001;
constexpr uint16_t TIME_FIELD = 0x5455;

void put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void put64(std::string& out, uint64_t v) {
    put32(out, static_cast<uint32_t>(v));
    put32(out, static_cast<uint32_t>(v >> 32));
}

std::string rawDeflate(const std::string& data) {
    z_stream s{};
    if (deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string out(deflateBound(&s, data.size()) + 16, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    int rc = deflate(&s, Z_FINISH);
    deflateEnd(&s);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate failed");
    out.resize(s.total_out);
    return out;
}

uint32_t crcOf(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

}  // namespace

ZipItem ZipItem::file(std::string name, std::string data, uint32_t permissions) {
    ZipItem item;
    item.name = std::move(name);
    item.data = std::move(data);
    item.mode = 0100000 | permissions;
    return item;
}

ZipItem ZipItem::folder(std::string name) {
    ZipItem item;
    item.name = std::move(name);
    item.method = 0;
    item.mode = 040755;
    return item;
}

ZipItem ZipItem::link(std::string name, std::string target) {
    ZipItem item;
    item.name = std::move(name);
    item.data = std::move(target);
    item.method = 0;
    item.mode = 0120777;
    return item;
}

std::string buildZip(const std::vector<ZipItem>& items) {
    std::string out;
    std::string directory;
    bool zip64 = false;
    for (const ZipItem& item : items) {
        std::string stored = item.method == 8 ? rawDeflate(item.data) : item.data;
        uint32_t crc = item.crc.value_or(crcOf(item.data));
        uint32_t offset = static_cast<uint32_t>(out.size());

        uint64_t size = item.size.value_or(item.data.size());
        uint16_t version = item.zip64 ? 45 : 20;
        std::string localExtra;
        std::string extra;
        if (item.zip64) {
            put16(localExtra, ZIP64_FIELD);
            put16(localExtra, 16);
            put64(localExtra, size);
            put64(localExtra, stored.size());
            put16(extra, TIME_FIELD);
            put16(extra, 5);
            extra += '\1';
            put32(extra, 0);
            put16(extra, ZIP64_FIELD);
            put16(extra, 24);
            put64(extra, size);
            put64(extra, stored.size());
            put64(extra, offset);
        }
        auto put32Or64 = [&](std::string& to, uint64_t v) {
            put32(to, item.zip64 ? ZIP64_MARK : static_cast<uint32_t>(v));
        };

        put32(out, 0x04034b50);
        put16(out, version);
        put16(out, item.flags);
        put16(out, static_cast<uint32_t>(item.method));
        put16(out, DOS_TIME);
        put16(out, DOS_DATE);
        put32(out, crc);
        put32Or64(out, stored.size());
        put32Or64(out, size);
        put16(out, static_cast<uint32_t>(item.name.size()));
        put16(out, static_cast<uint32_t>(localExtra.size()));
        out += item.name;
        out += localExtra;
        out += stored;

        put32(directory, 0x02014b50);
        put16(directory, item.mode ? MADE_ON_UNIX : MADE_ON_DOS);
        put16(directory, version);
        put16(directory, item.flags);
        put16(directory, static_cast<uint32_t>(item.method));
        put16(directory, DOS_TIME);
        put16(directory, DOS_DATE);
        put32(directory, crc);
        put32Or64(directory, stored.size());
        put32Or64(directory, size);
        put16(directory, static_cast<uint32_t>(item.name.size()));
        put16(directory, static_cast<uint32_t>(extra.size()));
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put32(directory, item.mode << 16);
        put32Or64(directory, offset);
        directory += item.name;
        directory += extra;
        zip64 = zip64 || item.zip64;
    }
    uint64_t directoryOffset = out.size();
    out += directory;
    if (zip64) {
        uint64_t recordOffset = out.size();
        put32(out, 0x06064b50);
        put64(out, 44);
        put16(out, MADE_ON_UNIX);
        put16(out, 45);
        put32(out, 0);
        put32(out, 0);
        put64(out, items.size());
        put64(out, items.size());
        put64(out, directory.size());
        put64(out, directoryOffset);
        put32(out, 0x07064b50);
        put32(out, 0);
        put64(out, recordOffset);
        put32(out, 1);
    }
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, zip64 ? 0xFFFF : static_cast<uint32_t>(items.size()));
    put16(out, zip64 ? 0xFFFF : static_cast<uint32_t>(items.size()));
    put32(out, zip64 ? ZIP64_MARK : static_cast<uint32_t>(directory.size()));
    put32(out, zip64 ? ZIP64_MARK : static_cast<uint32_t>(directoryOffset));
    put16(out, 0);
    return out;
}

void writeZipWithMinizip(const std::string& path, const std::vector<ZipItem>& items) {
    zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zf) throw std::runtime_error("zipOpen64 failed for " + path);
    for (const ZipItem& item : items) {
        if (item.method != 0 && item.method != 8) throw std::invalid_argument("minizip writes stored or deflated");
        zip_fileinfo info{};
        info.external_fa = static_cast<uLong>(item.mode) << 16;
        int rc = zipOpenNewFileInZip4_64(zf, item.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                         item.method == 8 ? Z_DEFLATED : 0, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS,
                                         8, Z_DEFAULT_STRATEGY, nullptr, 0, MADE_ON_UNIX, 0, 0);
        if (rc == ZIP_OK && !item.data.empty()) {
            rc = zipWriteInFileInZip(zf, item.data.data(), static_cast<unsigned>(item.data.size()));
        }
        if (rc == ZIP_OK) rc = zipCloseFileInZip(zf);
        if (rc != ZIP_OK) {
            zipClose(zf, nullptr);
            throw std::runtime_error("minizip could not write " + item.name);
        }
    }
    if (zipClose(zf, nullptr) != ZIP_OK) throw std::runtime_error("zipClose failed for " + path);
}

}  // namespace rltest
