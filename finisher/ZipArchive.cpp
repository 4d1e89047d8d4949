#include "finisher/ZipArchive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <minizip/unzip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "foundation/LogText.h"

namespace finisher {

namespace {

constexpr size_t BUFFER_SIZE = 4096;
constexpr unsigned HOST_UNIX = 3;
constexpr unsigned FLAG_ENCRYPTED = 1u << 0;
constexpr unsigned FLAG_STRONG_ENCRYPTION = 1u << 6;
constexpr unsigned FLAG_MASKED_HEADERS = 1u << 13;

unzFile handle(void* file) { return static_cast<unzFile>(file); }

constexpr size_t END_RECORD_SIZE = 22;
constexpr size_t MAX_COMMENT = 0xFFFF;

uint32_t le16(const std::string& b, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}

// The number of entries the archive's end record gives. The record must be
// there whole, comment included: minizip forgives an archive cut inside
// it. Throws when there is none.
uint32_t entriesOfEndRecord(const std::string& path, bool& recordAtStart) {
    const std::string shown = foundation::LogText::escape(path);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw ZipException("Cannot read " + shown + ": " + std::strerror(errno));
    std::string tail;
    bool whole = false;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        size_t size = static_cast<size_t>(st.st_size);
        size_t want = std::min(size, END_RECORD_SIZE + MAX_COMMENT);
        whole = want == size;
        tail.resize(want);
        ssize_t n = ::pread(fd, tail.data(), want, static_cast<off_t>(size - want));
        tail.resize(n > 0 ? static_cast<size_t>(n) : 0);
        if (tail.size() != want) tail.clear();
    }
    ::close(fd);
    for (size_t p = tail.size() >= END_RECORD_SIZE ? tail.size() - END_RECORD_SIZE + 1 : 0; p-- > 0;) {
        if (tail.compare(p, 4, "PK\5\6", 4) != 0) continue;
        if (p + END_RECORD_SIZE + le16(tail, p + 20) > tail.size()) continue;
        recordAtStart = p == 0 && whole;
        return le16(tail, p + 10);
    }
    throw ZipException("Cannot read " + shown + ": it is not a complete zip file");
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
    bool recordAtStart = false;
    uint32_t recorded = entriesOfEndRecord(path, recordAtStart);
    // An archive of nothing but its end record holds no entries; minizip
    // cannot open it.
    if (recordAtStart && recorded == 0) return;
    m_file = unzOpen64(path.c_str());
    if (!m_file) throw ZipException("Cannot read " + m_shownPath + ": it is not a complete zip file");
    try {
        unz_global_info64 global;
        if (unzGetGlobalInfo64(handle(m_file), &global) != UNZ_OK) {
            throw ZipException("Cannot read the directory of " + m_shownPath);
        }
        int rc = unzGoToFirstFile(handle(m_file));
        while (rc == UNZ_OK) {
            unz_file_info64 info;
            if (unzGetCurrentFileInfo64(handle(m_file), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
                throw ZipException("Cannot read the directory of " + m_shownPath);
            }
            std::vector<char> name(info.size_filename + 1, '\0');
            if (unzGetCurrentFileInfo64(handle(m_file), &info, name.data(), name.size(), nullptr, 0, nullptr, 0) !=
                UNZ_OK) {
                throw ZipException("Cannot read the directory of " + m_shownPath);
            }
            ZipEntry entry;
            entry.name.assign(name.data(), info.size_filename);
            entry.compressedSize = info.compressed_size;
            entry.uncompressedSize = info.uncompressed_size;
            entry.crc = static_cast<uint32_t>(info.crc);
            entry.method = static_cast<int>(info.compression_method);
            entry.flags = static_cast<unsigned>(info.flag);
            entry.versionMadeBy = static_cast<unsigned>(info.version);
            entry.externalAttributes = static_cast<uint32_t>(info.external_fa);
            unz64_file_pos position;
            if (unzGetFilePos64(handle(m_file), &position) != UNZ_OK) {
                throw ZipException("Cannot read the directory of " + m_shownPath);
            }
            m_entries.push_back(std::move(entry));
            m_positions.emplace_back(position.pos_in_zip_directory, position.num_of_file);
            rc = unzGoToNextFile(handle(m_file));
        }
        if (rc != UNZ_END_OF_LIST_OF_FILE) throw ZipException("Cannot read the directory of " + m_shownPath);
        if (m_entries.size() != global.number_entry) {
            throw ZipException("Cannot read the directory of " + m_shownPath + ": it lists " +
                               std::to_string(m_entries.size()) + " of " + std::to_string(global.number_entry) +
                               " entries");
        }
    } catch (...) {
        unzClose(handle(m_file));
        m_file = nullptr;
        throw;
    }
}

ZipArchive::~ZipArchive() {
    if (m_file) unzClose(handle(m_file));
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

void ZipArchive::open(size_t index, bool raw) {
    const ZipEntry& entry = m_entries.at(index);
    unz64_file_pos position{m_positions[index].first, m_positions[index].second};
    if (unzGoToFilePos64(handle(m_file), &position) != UNZ_OK) throw failure(entry, "cannot be found");
    int method = 0;
    int level = 0;
    if (unzOpenCurrentFile2(handle(m_file), &method, &level, raw ? 1 : 0) != UNZ_OK) {
        throw failure(entry, "cannot be opened");
    }
}

template <typename Sink>
void ZipArchive::read(size_t index, Sink&& sink) {
    const ZipEntry& entry = m_entries.at(index);
    open(index, false);
    uint64_t total = 0;
    std::vector<char> buffer(BUFFER_SIZE);
    try {
        while (true) {
            int n = unzReadCurrentFile(handle(m_file), buffer.data(), static_cast<unsigned>(buffer.size()));
            if (n < 0) throw failure(entry, "cannot be read (error " + std::to_string(n) + ")");
            if (n == 0) break;
            total += static_cast<uint64_t>(n);
            // Never a byte past the recorded size: the recorded sizes are
            // what the limit of an upgrade counts.
            if (total > entry.uncompressedSize) {
                throw failure(entry, "unpacks to more than its recorded " + std::to_string(entry.uncompressedSize) +
                                         " bytes");
            }
            sink(buffer.data(), static_cast<size_t>(n));
        }
    } catch (...) {
        unzCloseCurrentFile(handle(m_file));
        throw;
    }
    int closed = unzCloseCurrentFile(handle(m_file));
    if (total != entry.uncompressedSize) {
        throw failure(entry, "holds " + std::to_string(total) + " bytes instead of " +
                                 std::to_string(entry.uncompressedSize));
    }
    if (closed == UNZ_CRCERROR) throw failure(entry, "fails its CRC-32 check");
    if (closed != UNZ_OK) throw failure(entry, "cannot be read (error " + std::to_string(closed) + ")");
}

void ZipArchive::verify(size_t index) {
    const ZipEntry& entry = m_entries.at(index);
    // The stored bytes go through zlib here rather than through minizip,
    // which stops at the recorded size and so cannot tell what an entry
    // really unpacks to.
    open(index, true);
    struct Closer {
        void* file;
        ~Closer() { unzCloseCurrentFile(handle(file)); }
    } closer{m_file};
    z_stream z{};
    bool deflated = entry.method == DEFLATED;
    if (deflated && inflateInit2(&z, -MAX_WBITS) != Z_OK) throw failure(entry, "cannot be inflated");
    std::unique_ptr<z_stream, int (*)(z_stream*)> inflater(deflated ? &z : nullptr, inflateEnd);
    uint64_t total = 0;
    uLong crc = crc32(0L, Z_NULL, 0);
    auto take = [&](const unsigned char* data, size_t size) {
        total += size;
        if (total > entry.uncompressedSize) {
            throw failure(entry, "unpacks to more than its recorded " + std::to_string(entry.uncompressedSize) +
                                     " bytes");
        }
        crc = crc32(crc, data, static_cast<uInt>(size));
    };
    std::vector<unsigned char> in(BUFFER_SIZE);
    std::vector<unsigned char> out(BUFFER_SIZE);
    bool ended = !deflated;
    while (true) {
        int n = unzReadCurrentFile(handle(m_file), in.data(), static_cast<unsigned>(in.size()));
        if (n < 0) throw failure(entry, "cannot be read (error " + std::to_string(n) + ")");
        if (n == 0) break;
        if (!deflated) {
            take(in.data(), static_cast<size_t>(n));
            continue;
        }
        // Bytes after the end of the deflated data are not part of it.
        if (ended) continue;
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
    if (!ended) throw failure(entry, "is cut short");
    if (total != entry.uncompressedSize) {
        throw failure(entry, "holds " + std::to_string(total) + " bytes instead of " +
                                 std::to_string(entry.uncompressedSize));
    }
    if (static_cast<uint32_t>(crc) != entry.crc) throw failure(entry, "fails its CRC-32 check");
}

void ZipArchive::checkData() {
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (!m_entries[i].isDirectory()) verify(i);
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
