#include "finisher/ZipArchive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "foundation/LogText.h"

namespace finisher {

namespace {

constexpr size_t BUFFER_SIZE = 4096;
constexpr unsigned HOST_UNIX = 3;
constexpr unsigned FLAG_ENCRYPTED = 1u << 0;
constexpr unsigned FLAG_STRONG_ENCRYPTION = 1u << 6;
constexpr unsigned FLAG_MASKED_HEADERS = 1u << 13;

constexpr size_t END_RECORD_SIZE = 22;
constexpr size_t MAX_COMMENT = 0xFFFF;
constexpr size_t ZIP64_LOCATOR_SIZE = 20;
constexpr size_t ZIP64_END_RECORD_SIZE = 56;
constexpr size_t DIRECTORY_RECORD_SIZE = 46;
constexpr size_t LOCAL_HEADER_SIZE = 30;
constexpr uint32_t ZIP64_MARK = 0xFFFFFFFF;
constexpr uint32_t ZIP64_FIELD = 0x0001;

// Little-endian numbers of `bytes` bytes at `at`.
uint64_t le(const std::string& b, size_t at, int bytes) {
    uint64_t v = 0;
    for (int i = bytes; i-- > 0;) v = v << 8 | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
    return v;
}
uint32_t le16(const std::string& b, size_t at) { return static_cast<uint32_t>(le(b, at, 2)); }
uint32_t le32(const std::string& b, size_t at) { return static_cast<uint32_t>(le(b, at, 4)); }
uint64_t le64(const std::string& b, size_t at) { return le(b, at, 8); }

bool signedAs(const std::string& b, size_t at, const char* signature) { return b.compare(at, 4, signature, 4) == 0; }

// Up to size bytes at offset; fewer only where the file ends. -1 on a
// failure to read.
ssize_t readFully(int fd, void* data, size_t size, uint64_t offset) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, static_cast<char*>(data) + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// size bytes at offset, or "" when the file does not hold them all.
std::string readAt(int fd, uint64_t offset, size_t size) {
    std::string bytes(size, '\0');
    if (readFully(fd, bytes.data(), size, offset) != static_cast<ssize_t>(size)) return "";
    return bytes;
}

// Takes the values that a directory record marks as zip64 (0xFFFFFFFF)
// from the zip64 field of its extra block, which holds them in the order
// given here. False when a marked value is not there.
bool takeZip64Values(const std::string& extra, std::initializer_list<uint64_t*> values) {
    std::vector<uint64_t*> marked;
    for (uint64_t* value : values) {
        if (*value == ZIP64_MARK) marked.push_back(value);
    }
    if (marked.empty()) return true;
    for (size_t at = 0; at + 4 <= extra.size();) {
        const size_t size = le16(extra, at + 2);
        if (le16(extra, at) == ZIP64_FIELD) {
            if (marked.size() * 8 > size || at + 4 + size > extra.size()) return false;
            for (size_t i = 0; i < marked.size(); ++i) *marked[i] = le64(extra, at + 4 + 8 * i);
            return true;
        }
        at += 4 + size;
    }
    return false;
}

bool isDriveLetter(const std::string& component) {
    return component.size() >= 2 && component[1] == ':' &&
           ((component[0] >= 'A' && component[0] <= 'Z') || (component[0] >= 'a' && component[0] <= 'z'));
}

}  // namespace

std::string ZipEntry::path() const {
    std::string p = name;
    for (char& c : p) {
        if (c == '\\') c = '/';
    }
    return p;
}

std::vector<std::string> ZipEntry::components() const {
    std::vector<std::string> parts;
    std::string p = path();
    size_t start = 0;
    while (start <= p.size()) {
        size_t slash = p.find('/', start);
        std::string part = p.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!part.empty() && part != ".") parts.push_back(std::move(part));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return parts;
}

bool ZipEntry::isDirectory() const {
    std::string p = path();
    return !p.empty() && p.back() == '/';
}

std::optional<mode_t> ZipEntry::unixMode() const {
    mode_t mode = static_cast<mode_t>(externalAttributes >> 16);
    if ((versionMadeBy >> 8) != HOST_UNIX || mode == 0) return std::nullopt;
    return mode;
}

ZipArchive::ZipArchive(const std::string& path) : m_path(path), m_shownPath(foundation::LogText::escape(path)) {
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) throw ZipException("Cannot read " + m_shownPath + ": " + std::strerror(errno));
    try {
        readDirectory();
    } catch (...) {
        ::close(m_fd);
        m_fd = -1;
        throw;
    }
}

ZipArchive::~ZipArchive() {
    if (m_fd >= 0) ::close(m_fd);
}

void ZipArchive::readDirectory() {
    const std::string incomplete = "Cannot read " + m_shownPath + ": it is not a complete zip file";
    const std::string unreadable = "Cannot read the directory of " + m_shownPath;
    struct stat st;
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) throw ZipException(incomplete);
    const uint64_t fileSize = static_cast<uint64_t>(st.st_size);

    // The last end record that is there whole, comment included.
    const size_t want = static_cast<size_t>(std::min<uint64_t>(fileSize, END_RECORD_SIZE + MAX_COMMENT));
    const std::string tail = readAt(m_fd, fileSize - want, want);
    std::optional<size_t> found;
    for (size_t p = tail.size() >= END_RECORD_SIZE ? tail.size() - END_RECORD_SIZE + 1 : 0; p-- > 0;) {
        if (signedAs(tail, p, "PK\5\6") && p + END_RECORD_SIZE + le16(tail, p + 20) <= tail.size()) {
            found = p;
            break;
        }
    }
    if (!found) throw ZipException(incomplete);
    const size_t end = *found;
    uint64_t recordAt = fileSize - want + end;
    uint64_t disk = le16(tail, end + 4);
    uint64_t directoryDisk = le16(tail, end + 6);
    uint64_t onDisk = le16(tail, end + 8);
    uint64_t count = le16(tail, end + 10);
    uint64_t directorySize = le32(tail, end + 12);
    uint64_t directoryOffset = le32(tail, end + 16);
    // A zip64 locator right before the end record points to the zip64 end
    // record, whose numbers replace the end record's.
    if (recordAt >= ZIP64_LOCATOR_SIZE) {
        const std::string locator = readAt(m_fd, recordAt - ZIP64_LOCATOR_SIZE, ZIP64_LOCATOR_SIZE);
        if (!locator.empty() && signedAs(locator, 0, "PK\6\7")) {
            const uint64_t at = le64(locator, 8);
            const uint64_t room = recordAt - ZIP64_LOCATOR_SIZE;
            const std::string record =
                room >= ZIP64_END_RECORD_SIZE && at <= room - ZIP64_END_RECORD_SIZE
                    ? readAt(m_fd, at, ZIP64_END_RECORD_SIZE)
                    : "";
            if (record.empty() || !signedAs(record, 0, "PK\6\6")) throw ZipException(incomplete);
            disk = le32(record, 16);
            directoryDisk = le32(record, 20);
            onDisk = le64(record, 24);
            count = le64(record, 32);
            directorySize = le64(record, 40);
            directoryOffset = le64(record, 48);
            recordAt = at;
        }
    }
    if (disk != 0 || directoryDisk != 0 || onDisk != count) throw ZipException(incomplete);
    if (directoryOffset > recordAt || directorySize > recordAt - directoryOffset) throw ZipException(incomplete);
    // Bytes before the archive (a self-extracting stub) shift every offset.
    m_base = recordAt - directoryOffset - directorySize;
    if (count > directorySize / DIRECTORY_RECORD_SIZE) throw ZipException(unreadable);
    const std::string directory = readAt(m_fd, m_base + directoryOffset, static_cast<size_t>(directorySize));

    size_t at = 0;
    for (uint64_t i = 0; i < count; ++i) {
        if (at + DIRECTORY_RECORD_SIZE > directory.size() || !signedAs(directory, at, "PK\1\2")) {
            throw ZipException(unreadable);
        }
        const size_t nameSize = le16(directory, at + 28);
        const size_t extraSize = le16(directory, at + 30);
        const size_t next = at + DIRECTORY_RECORD_SIZE + nameSize + extraSize + le16(directory, at + 32);
        if (next > directory.size()) throw ZipException(unreadable);
        ZipEntry entry;
        entry.versionMadeBy = le16(directory, at + 4);
        entry.flags = le16(directory, at + 8);
        entry.method = static_cast<int>(le16(directory, at + 10));
        entry.crc = le32(directory, at + 16);
        entry.compressedSize = le32(directory, at + 20);
        entry.uncompressedSize = le32(directory, at + 24);
        entry.externalAttributes = le32(directory, at + 38);
        entry.name = directory.substr(at + DIRECTORY_RECORD_SIZE, nameSize);
        uint64_t offset = le32(directory, at + 42);
        const std::string extra = directory.substr(at + DIRECTORY_RECORD_SIZE + nameSize, extraSize);
        if (!takeZip64Values(extra, {&entry.uncompressedSize, &entry.compressedSize, &offset})) {
            throw failure(entry, "is marked as zip64 but has no zip64 field");
        }
        m_entries.push_back(std::move(entry));
        m_offsets.push_back(offset);
        at = next;
    }
}

std::optional<std::string> ZipArchive::unsafeName(const std::string& name) {
    if (name.empty()) return "is empty";
    if (name.find('\0') != std::string::npos) return "holds a NUL";
    ZipEntry probe;
    probe.name = name;
    std::string p = probe.path();
    if (p.front() == '/') return "is absolute";
    size_t start = 0;
    bool first = true;
    while (start <= p.size()) {
        size_t slash = p.find('/', start);
        std::string component = p.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (first && isDriveLetter(component)) return "has a drive letter";
        if (component == "..") return "leaves the folder";
        first = false;
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return std::nullopt;
}

ZipException ZipArchive::failure(const ZipEntry& entry, const std::string& what) const {
    return ZipException("Cannot install " + m_shownPath + ": entry \"" + foundation::LogText::escape(entry.name) +
                        "\" " + what);
}

void ZipArchive::checkEntries() const {
    for (const ZipEntry& entry : m_entries) {
        if (auto reason = unsafeName(entry.name)) throw failure(entry, *reason);
        if (entry.flags & (FLAG_ENCRYPTED | FLAG_STRONG_ENCRYPTION | FLAG_MASKED_HEADERS)) {
            throw failure(entry, "is encrypted");
        }
        if (!entry.isDirectory()) {
            // A file entry must end in a name: "." or "a/." would write
            // over a folder.
            std::string p = entry.path();
            if (entry.components().empty() || p == "." || (p.size() >= 2 && p.compare(p.size() - 2, 2, "/.") == 0)) {
                throw failure(entry, "names no file");
            }
        }
        if (entry.method != STORED && entry.method != DEFLATED) {
            throw failure(entry, "uses compression method " + std::to_string(entry.method));
        }
        if (auto mode = entry.unixMode()) {
            mode_t type = *mode & S_IFMT;
            if (type == S_IFLNK) throw failure(entry, "is a symbolic link");
            if (type != 0 && type != S_IFREG && type != S_IFDIR) throw failure(entry, "is not a file or a folder");
        }
    }
}

uint64_t ZipArchive::unpackedSize() const {
    uint64_t total = 0;
    for (const ZipEntry& entry : m_entries) {
        if (!entry.isDirectory()) total += entry.uncompressedSize;
    }
    return total;
}

template <typename Sink>
void ZipArchive::read(size_t index, Sink&& sink) {
    const ZipEntry& entry = m_entries.at(index);
    // The local header serves only to find the data: its sizes may be
    // zip64 markers, and those of the directory are the ones checked.
    const uint64_t header = m_base + m_offsets[index];
    const std::string local = readAt(m_fd, header, LOCAL_HEADER_SIZE);
    if (local.empty() || !signedAs(local, 0, "PK\3\4")) throw failure(entry, "cannot be found");
    uint64_t at = header + LOCAL_HEADER_SIZE + le16(local, 26) + le16(local, 28);

    const bool deflated = entry.method == DEFLATED;
    z_stream z{};
    if (deflated && inflateInit2(&z, -MAX_WBITS) != Z_OK) throw failure(entry, "cannot be inflated");
    std::unique_ptr<z_stream, int (*)(z_stream*)> inflater(deflated ? &z : nullptr, inflateEnd);
    uint64_t total = 0;
    uLong crc = crc32(0L, Z_NULL, 0);
    auto take = [&](const unsigned char* data, size_t size) {
        total += size;
        // Never a byte past the recorded size, whatever the data say: the
        // recorded sizes are what the limit of an upgrade counts.
        if (total > entry.uncompressedSize) {
            throw failure(entry, "unpacks to more than its recorded " + std::to_string(entry.uncompressedSize) +
                                     " bytes");
        }
        crc = crc32(crc, data, static_cast<uInt>(size));
        sink(reinterpret_cast<const char*>(data), size);
    };
    std::vector<unsigned char> in(BUFFER_SIZE);
    std::vector<unsigned char> out(BUFFER_SIZE);
    uint64_t left = entry.compressedSize;
    bool ended = false;
    while (left > 0 && !ended) {
        ssize_t n = readFully(m_fd, in.data(), static_cast<size_t>(std::min<uint64_t>(left, in.size())), at);
        if (n < 0) throw failure(entry, "cannot be read (" + std::string(std::strerror(errno)) + ")");
        if (n == 0) break;
        at += static_cast<uint64_t>(n);
        left -= static_cast<uint64_t>(n);
        if (!deflated) {
            take(in.data(), static_cast<size_t>(n));
            continue;
        }
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(n);
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            int rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
                throw failure(entry, "cannot be inflated (" + std::string(z.msg ? z.msg : "error") + ")");
            }
            take(out.data(), out.size() - z.avail_out);
            if (rc == Z_STREAM_END) {
                ended = true;
                break;
            }
        } while (z.avail_out == 0);
    }
    // Bytes after the end of the deflated data are not part of it.
    if (deflated ? !ended : left > 0) throw failure(entry, "is cut short");
    if (total != entry.uncompressedSize) {
        throw failure(entry, "holds " + std::to_string(total) + " bytes instead of " +
                                 std::to_string(entry.uncompressedSize));
    }
    if (static_cast<uint32_t>(crc) != entry.crc) throw failure(entry, "fails its CRC-32 check");
}

void ZipArchive::checkData() {
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (!m_entries[i].isDirectory()) read(i, [](const char*, size_t) {});
    }
}

void ZipArchive::extract(size_t index, const std::string& target, mode_t mode) {
    const std::string shown = foundation::LogText::escape(target);
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) throw ZipException(shown + " (" + std::strerror(errno) + ")");
    try {
        read(index, [&](const char* data, size_t size) {
            while (size > 0) {
                ssize_t n = ::write(fd, data, size);
                if (n < 0) {
                    if (errno == EINTR) continue;
                    throw ZipException(shown + " (" + std::strerror(errno) + ")");
                }
                data += n;
                size -= static_cast<size_t>(n);
            }
        });
    } catch (...) {
        ::close(fd);
        throw;
    }
    // The mode exactly as given: the umask is for files a user makes.
    int err = ::fchmod(fd, mode) == 0 ? 0 : errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) throw ZipException(shown + " (" + std::strerror(err) + ")");
}

}  // namespace finisher
