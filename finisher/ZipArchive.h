#pragma once
// One upgrade archive, read with libzip: its directory, zip64 sizes,
// inflating and CRC-32. What libzip leaves unchecked, or could read
// otherwise than another tool, is checked here: each local header agrees
// with its directory record (name, method, the flags every reader reads
// alike, CRC-32 and sizes, which a streamed entry may give as 0), the end
// record is the last one of the file and libzip reads it (nothing but zero
// bytes after its comment), a zip64 end record agrees with every field of
// the end record it does not mark, the directory holds exactly the records
// its end record counts, as libzip reads them, no name twice, nothing lies
// between the directory and its end record, no comment holds an end
// record, no entry's bytes overlap another's, no local header carries flags
// the directory cannot have, and libzip reads each entry from the local
// header checked. A name with a Unicode Path field whose CRC-32 is that of
// the raw name is the field's UTF-8 name, on both sides.
//
// An archive comes from the network, so nothing in it is trusted: an entry
// may not name a place outside the folder it is unpacked into (absolute
// names, drive letters, "..", NUL, a name part longer than a file name may
// be), may not be a link or a device (a pipe is read as a file, as the zip
// program records its standard input so), may not be encrypted and
// must be stored or deflated, no two entries may name one path, and no entry
// may unpack to more bytes than its recorded size. Every failure is a
// ZipException naming the archive and the entry (control characters
// escaped).

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct zip;

namespace finisher {

class ZipException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ZipEntry {
    // As the directory gives it: the Unicode Path field's name, else the raw
    // bytes, a NUL and what follows it included.
    std::string name;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint32_t crc = 0;
    int method = 0;
    bool encrypted = false;
    // The general purpose flags of the local header, and where it lies.
    unsigned localFlags = 0;
    uint64_t localHeader = 0;
    // The system the entry was made on, and its attributes there.
    unsigned madeOn = 0;
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

    // Opens the archive, lists its entries and checks where their bytes
    // lie.
    explicit ZipArchive(const std::string& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    const std::string& getPath() const { return m_path; }
    const std::vector<ZipEntry>& entries() const { return m_entries; }

    // Throws for the first entry that may not be installed.
    void checkEntries() const;
    // The bytes its files unpack to, by their recorded sizes; throws when
    // they add up to more than 64 bits can count.
    uint64_t unpackedSize() const;
    // Inflates every entry and checks its CRC-32 and size, writing
    // nothing: an entry that would unpack to more than its recorded size is
    // refused as soon as it does.
    void checkData();
    // Writes one entry's bytes to target (created or truncated, never
    // through a link) with the given permission bits.
    void extract(size_t index, const std::string& target, mode_t mode);

    // Why an entry name may not be unpacked, or nothing when it may.
    static std::optional<std::string> unsafeName(const std::string& name);

    // A failure about one entry, naming the archive and the entry.
    ZipException failure(const ZipEntry& entry, const std::string& what) const;

private:
    // The file as libzip reads it, noting where libzip reads a local
    // header.
    struct Source;

    void open();
    void readEntries();
    // Compares the directory and the local headers, and where each entry's
    // bytes lie.
    void checkLayout();
    // Unpacks the entry at index, handing each block to sink, and checks
    // its size and CRC-32.
    template <typename Sink>
    void read(size_t index, Sink&& sink);

    std::string m_path;
    // The path as log lines and failures show it.
    std::string m_shownPath;
    std::unique_ptr<Source> m_source;
    ::zip* m_zip = nullptr;
    std::vector<ZipEntry> m_entries;
};

}  // namespace finisher
