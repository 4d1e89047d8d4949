#pragma once
// ZIP archives made by the tests themselves: sound ones through libzip's
// writer, and hand-built bytes where a test needs an archive no honest
// writer makes (unsafe names, links, encryption flags, wrong CRC-32s,
// unknown methods, overlapping entries).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rltest {

struct ZipItem {
    std::string name;
    std::string data;
    // 0 stored, 8 deflated; any other number labels the bytes stored as
    // they are.
    int method = 8;
    // The Unix type and permission bits; 0 writes an entry made on MS-DOS,
    // which carries none.
    uint32_t mode = 0100644;
    // With the data-descriptor flag (8) the CRC-32 and sizes follow the
    // data too; the local header holds them all the same.
    uint16_t flags = 0;
    // A CRC-32 other than the true one.
    std::optional<uint32_t> crc;
    // A recorded size other than the true one.
    std::optional<uint64_t> size;
    // Sizes and offset marked as zip64 (0xFFFFFFFF) in the local header and
    // the directory, their values in zip64 fields (in the directory after
    // a time field); the archive then ends with a zip64 end record.
    bool zip64 = false;
    // Local header and data lie inside the data of the item before, which
    // then is stored and holds them.
    bool insidePrevious = false;
    // Extra fields, as they are, in the local header and the directory.
    std::string extra;

    static ZipItem file(std::string name, std::string data, uint32_t permissions = 0644);
    static ZipItem folder(std::string name);
    static ZipItem link(std::string name, std::string target);
    // A name in a DOS code page with its Unicode Path field.
    static ZipItem unicodePath(std::string rawName, const std::string& utf8Name, std::string data);
};

// The bytes of an archive of the items, in order.
std::string buildZip(const std::vector<ZipItem>& items);

// Writes an archive of the items through libzip's own writer (stored and
// deflated items only; Unix modes kept).
void writeZipWithLibzip(const std::string& path, const std::vector<ZipItem>& items);

}  // namespace rltest
