#include "tests/support/ZipBuilder.h"

#include <zip.h>
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
constexpr uint16_t DATA_DESCRIPTOR = 1 << 3;

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

ZipItem ZipItem::unicodePath(std::string rawName, const std::string& utf8Name, std::string data) {
    ZipItem item = file(std::move(rawName), std::move(data));
    put16(item.extra, 0x7075);
    put16(item.extra, static_cast<uint32_t>(5 + utf8Name.size()));
    item.extra += '\1';
    put32(item.extra, crcOf(item.name));
    item.extra += utf8Name;
    return item;
}

namespace {

// One item's local header and data, and what its directory record needs.
struct Built {
    std::string local;
    std::string stored;
    std::string descriptor;
    uint32_t crc = 0;
    uint64_t size = 0;
};

Built buildLocal(const ZipItem& item, const std::string& data) {
    Built b;
    b.stored = item.method == 8 ? rawDeflate(data) : data;
    b.crc = item.crc.value_or(crcOf(data));
    b.size = item.size.value_or(data.size());
    std::string extra;
    if (item.zip64) {
        put16(extra, ZIP64_FIELD);
        put16(extra, 16);
        put64(extra, b.size);
        put64(extra, b.stored.size());
    }
    extra += item.extra;
    auto put32Or64 = [&](std::string& to, uint64_t v) {
        put32(to, item.zip64 ? ZIP64_MARK : static_cast<uint32_t>(v));
    };
    put32(b.local, 0x04034b50);
    put16(b.local, item.zip64 ? 45 : 20);
    put16(b.local, item.flags);
    put16(b.local, static_cast<uint32_t>(item.method));
    put16(b.local, DOS_TIME);
    put16(b.local, DOS_DATE);
    put32(b.local, b.crc);
    put32Or64(b.local, b.stored.size());
    put32Or64(b.local, b.size);
    put16(b.local, static_cast<uint32_t>(item.name.size()));
    put16(b.local, static_cast<uint32_t>(extra.size()));
    b.local += item.name;
    b.local += extra;
    if (item.flags & DATA_DESCRIPTOR) {
        put32(b.descriptor, 0x08074b50);
        put32(b.descriptor, b.crc);
        if (item.zip64) {
            put64(b.descriptor, b.stored.size());
            put64(b.descriptor, b.size);
        } else {
            put32(b.descriptor, static_cast<uint32_t>(b.stored.size()));
            put32(b.descriptor, static_cast<uint32_t>(b.size));
        }
    }
    return b;
}

}  // namespace

std::string buildZip(const std::vector<ZipItem>& items) {
    // From the last item back, so that an item holding the next one inside
    // its data knows that data.
    std::vector<Built> built(items.size());
    for (size_t i = items.size(); i-- > 0;) {
        const bool holdsNext = i + 1 < items.size() && items[i + 1].insidePrevious;
        if (holdsNext && items[i].method != 0) throw std::invalid_argument("an item holding the next is stored");
        built[i] = buildLocal(items[i], holdsNext ? built[i + 1].local + built[i + 1].stored : items[i].data);
    }
    std::string out;
    std::string directory;
    bool zip64 = false;
    uint64_t previousData = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const ZipItem& item = items[i];
        const Built& b = built[i];
        uint64_t offset = out.size();
        if (item.insidePrevious) {
            offset = previousData;
        } else {
            out += b.local;
            out += b.stored;
            out += b.descriptor;
        }
        previousData = offset + b.local.size();

        std::string extra;
        if (item.zip64) {
            put16(extra, TIME_FIELD);
            put16(extra, 5);
            extra += '\1';
            put32(extra, 0);
            put16(extra, ZIP64_FIELD);
            put16(extra, 24);
            put64(extra, b.size);
            put64(extra, b.stored.size());
            put64(extra, offset);
        }
        extra += item.extra;
        auto put32Or64 = [&](std::string& to, uint64_t v) {
            put32(to, item.zip64 ? ZIP64_MARK : static_cast<uint32_t>(v));
        };
        put32(directory, 0x02014b50);
        put16(directory, item.mode ? MADE_ON_UNIX : MADE_ON_DOS);
        put16(directory, item.zip64 ? 45 : 20);
        put16(directory, item.flags);
        put16(directory, static_cast<uint32_t>(item.method));
        put16(directory, DOS_TIME);
        put16(directory, DOS_DATE);
        put32(directory, b.crc);
        put32Or64(directory, b.stored.size());
        put32Or64(directory, b.size);
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

void writeZipWithLibzip(const std::string& path, const std::vector<ZipItem>& items) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) throw std::runtime_error("libzip cannot create " + path);
    auto fail = [&](const std::string& what) {
        std::string why = zip_strerror(archive);
        zip_discard(archive);
        throw std::runtime_error("libzip could not write " + what + ": " + why);
    };
    for (const ZipItem& item : items) {
        if (item.method != 0 && item.method != 8) throw std::invalid_argument("libzip writes stored or deflated");
        const bool folder = !item.name.empty() && item.name.back() == '/';
        zip_int64_t index = -1;
        if (folder) {
            index = zip_dir_add(archive, item.name.c_str(), ZIP_FL_ENC_GUESS);
        } else {
            // The archive copies the bytes when it is closed.
            zip_source_t* data = zip_source_buffer(archive, item.data.data(), item.data.size(), 0);
            if (!data) fail(item.name);
            index = zip_file_add(archive, item.name.c_str(), data, ZIP_FL_ENC_GUESS);
            if (index < 0) zip_source_free(data);
        }
        if (index < 0) fail(item.name);
        const auto at = static_cast<zip_uint64_t>(index);
        const zip_int32_t method = item.method == 8 ? ZIP_CM_DEFLATE : ZIP_CM_STORE;
        const zip_uint8_t system = item.mode ? ZIP_OPSYS_UNIX : ZIP_OPSYS_DOS;
        if ((!folder && zip_set_file_compression(archive, at, method, 0) != 0) ||
            zip_file_set_external_attributes(archive, at, 0, system, item.mode << 16) != 0) {
            fail(item.name);
        }
    }
    if (zip_close(archive) != 0) fail(path);
}

}  // namespace rltest
