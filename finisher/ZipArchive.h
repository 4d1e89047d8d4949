#pragma once
// One upgrade archive: its directory, the checks that decide whether it may
// be installed at all, and the extraction of single entries with their
// CRC-32 and size checked. Read here with zlib's inflate: the minizip of
// this distribution never takes the zip64 fields of a directory record on
// a 64-bit system, so it reads marked sizes and offsets as 0xFFFFFFFF.
//
// An archive comes from the network, so nothing in it is trusted: an entry
// may not name a place outside the folder it is unpacked into (absolute
// names, drive letters, "..", NUL), may not be a link or another special
// file, may not be encrypted and must be stored or deflated, and no entry
// may unpack to more bytes than its recorded size. Every failure is a
// ZipException naming the archive and the entry (control characters
// escaped).

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace finisher {

class ZipException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ZipEntry {
    std::string name;  // as stored, bytes after a NUL included
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint32_t crc = 0;
    int method = 0;
    unsigned flags = 0;
    unsigned versionMadeBy = 0;
    uint32_t externalAttributes = 0;

    // The name with "\" read as "/", as archives made elsewhere write it.
    std::string path() const;
    // The folders and the name of path(), without empty and "." parts.
    std::vector<std::string> components() const;
    bool isDirectory() const;
    // The Unix type and permission bits, when the archive recorded them.
    std::optional<mode_t> unixMode() const;
};

class ZipArchive {
public:
    static constexpr int STORED = 0;
    static constexpr int DEFLATED = 8;

    // Opens the archive and reads its directory (zip64 records and fields
    // included).
    explicit ZipArchive(const std::string& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    const std::string& getPath() const { return m_path; }
    const std::vector<ZipEntry>& entries() const { return m_entries; }

    // Throws for the first entry that may not be installed.
    void checkEntries() const;
    // The bytes its files unpack to, by their recorded sizes.
    uint64_t unpackedSize() const;
    // Inflates every entry on its own (not trusting the recorded sizes) and
    // checks its CRC-32 and size, writing nothing: an entry that would
    // unpack to more than its recorded size is refused as soon as it does.
    void checkData();
    // Writes one entry's bytes to target (created or truncated, never
    // through a link) with the given permission bits.
    void extract(size_t index, const std::string& target, mode_t mode);

    // Why an entry name may not be unpacked, or nothing when it may.
    static std::optional<std::string> unsafeName(const std::string& name);

    // A failure about one entry, naming the archive and the entry.
    ZipException failure(const ZipEntry& entry, const std::string& what) const;

private:
    void readDirectory();
    // Unpacks the entry at index, handing each block to sink, and checks
    // its size and CRC-32.
    template <typename Sink>
    void read(size_t index, Sink&& sink);

    std::string m_path;
    // The path as log lines and failures show it.
    std::string m_shownPath;
    int m_fd = -1;
    // Bytes before the archive itself, which its offsets do not count.
    uint64_t m_base = 0;
    std::vector<ZipEntry> m_entries;
    // Where each entry's local header is.
    std::vector<uint64_t> m_offsets;
};

}  // namespace finisher
