#include "finisher/ZipArchive.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "foundation/LogText.h"
#include "platform/system/FileIo.h"

namespace finisher {

namespace {

constexpr size_t BUFFER_SIZE = 4096;
constexpr unsigned FLAG_ENCRYPTED = 1u << 0;
constexpr unsigned FLAG_DATA_DESCRIPTOR = 1u << 3;
constexpr unsigned FLAG_STRONG_ENCRYPTION = 1u << 6;
constexpr unsigned FLAG_MASKED_HEADERS = 1u << 13;
// Entries encrypted with AES carry this method, their own in an extra field.
constexpr int METHOD_AES = 99;
// Flags that every reader reads alike: the deflate options, the data
// descriptor and UTF-8 names. libzip reads the others from the directory
// alone and does not show them, so a local header may carry none of them.
constexpr unsigned FLAGS_READ_ALIKE = (1u << 1) | (1u << 2) | FLAG_DATA_DESCRIPTOR | (1u << 11);

constexpr size_t LOCAL_HEADER_SIZE = 30;
constexpr size_t DIRECTORY_RECORD_SIZE = 46;
constexpr uint64_t ZIP64_MARK = 0xFFFFFFFF;
constexpr uint64_t ZIP64_MARK_16 = 0xFFFF;
constexpr uint64_t ZIP64_FIELD = 0x0001;
constexpr uint64_t UNICODE_PATH_FIELD = 0x7075;
// The smallest data descriptor: CRC-32 and two 32-bit sizes.
constexpr uint64_t DATA_DESCRIPTOR_SIZE = 12;
constexpr size_t END_RECORD_SIZE = 22;
constexpr size_t ZIP64_LOCATOR_SIZE = 20;
constexpr size_t ZIP64_END_RECORD_SIZE = 56;

uint64_t le(const std::string& b, size_t at, int bytes) {
    uint64_t v = 0;
    for (int i = bytes; i-- > 0;) v = v << 8 | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
    return v;
}

bool signedAs(const std::string& b, size_t at, const char* signature) {
    return b.size() >= at + 4 && b.compare(at, 4, signature, 4) == 0;
}

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

// What a local header or a directory record says of its entry.
struct Header {
    unsigned flags = 0;
    int method = 0;
    uint64_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    std::string name;
    std::string extra;
    // A directory record's: where the entry's local header lies, and the
    // system it was made on with its attributes there.
    uint64_t localHeader = 0;
    unsigned madeOn = 0;
    uint32_t externalAttributes = 0;
    // Its bytes, name, extra field and comment included.
    uint64_t size = 0;
};

// The data of the first extra field with the id, when the fields are well
// formed up to it.
std::optional<std::string> extraField(const std::string& extra, uint64_t id) {
    for (size_t at = 0; at + 4 <= extra.size();) {
        const size_t size = le(extra, at + 2, 2);
        if (at + 4 + size > extra.size()) return std::nullopt;
        if (le(extra, at, 2) == id) return extra.substr(at + 4, size);
        at += 4 + size;
    }
    return std::nullopt;
}

// Values marked 0xFFFFFFFF stand in the zip64 extra field, in the order of
// the fields; a local header holds both sizes there when it marks either.
void readZip64(const std::string& extra, bool local, Header& header) {
    const auto field = extraField(extra, ZIP64_FIELD);
    if (!field) return;
    size_t next = 0;
    for (uint64_t* value : {&header.uncompressedSize, &header.compressedSize, &header.localHeader}) {
        if (local && value == &header.localHeader) break;
        const bool marked = *value == ZIP64_MARK;
        if (marked && next + 8 <= field->size()) *value = le(*field, next, 8);
        if (marked || local) next += 8;
    }
}

// Whether libzip takes the bytes as a UTF-8 name: printable ASCII, tab, CR
// and LF, and whole sequences of two to four bytes.
bool takenAsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c > 31 && c < 128) || c == '\r' || c == '\n' || c == '\t') continue;
        size_t more = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
        if (more == 0 || i + more >= text.size()) return false;
        for (size_t j = 1; j <= more; ++j) {
            if ((static_cast<unsigned char>(text[i + j]) & 0xC0) != 0x80) return false;
        }
        i += more;
    }
    return true;
}

// The name a directory record gives, as libzip reads it (a NUL as a blank):
// the UTF-8 name of its Unicode Path field where that field is of version
// 1, its CRC-32 is that of the raw name and its name is UTF-8, not empty;
// else the raw name. With keepNul the raw name keeps its NULs.
std::string nameOf(const Header& record, bool keepNul) {
    std::string asRead = record.name;
    std::replace(asRead.begin(), asRead.end(), '\0', ' ');
    const auto field = extraField(record.extra, UNICODE_PATH_FIELD);
    if (field && field->size() > 5 && (*field)[0] == 1) {
        const auto crc = static_cast<uint32_t>(
            crc32(0L, reinterpret_cast<const Bytef*>(asRead.data()), static_cast<uInt>(asRead.size())));
        const std::string utf8 = field->substr(5);
        if (le(*field, 1, 4) == crc && takenAsUtf8(utf8)) return utf8;
    }
    return keepNul ? record.name : asRead;
}

// Where the last end-record signature of the file lies.
std::optional<uint64_t> lastEndRecord(int fd, uint64_t fileSize) {
    constexpr uint64_t CHUNK = 64 * 1024;
    for (uint64_t end = fileSize; end >= 4;) {
        const uint64_t begin = end > CHUNK ? end - CHUNK : 0;
        const std::string bytes = readAt(fd, begin, static_cast<size_t>(end - begin));
        const size_t at = bytes.rfind(std::string("PK\5\6", 4));
        if (at != std::string::npos) return begin + at;
        if (begin == 0 || bytes.empty()) break;
        // A signature may straddle the chunks.
        end = begin + 3;
    }
    return std::nullopt;
}

// Whether the file holds only zero bytes from offset on.
bool zerosFrom(int fd, uint64_t offset, uint64_t fileSize) {
    for (uint64_t at = offset; at < fileSize;) {
        const std::string bytes = readAt(fd, at, static_cast<size_t>(std::min<uint64_t>(fileSize - at, 64 * 1024)));
        if (bytes.empty() || bytes.find_first_not_of('\0') != std::string::npos) return false;
        at += bytes.size();
    }
    return true;
}

// The local header (or directory record) at offset; nothing when the file
// holds none there.
std::optional<Header> readHeader(int fd, uint64_t offset, bool local) {
    const size_t fixed = local ? LOCAL_HEADER_SIZE : DIRECTORY_RECORD_SIZE;
    // A directory record has the maker's version first.
    const size_t shift = local ? 0 : 2;
    const std::string bytes = readAt(fd, offset, fixed);
    if (!signedAs(bytes, 0, local ? "PK\3\4" : "PK\1\2")) return std::nullopt;
    Header header;
    header.flags = static_cast<unsigned>(le(bytes, 6 + shift, 2));
    header.method = static_cast<int>(le(bytes, 8 + shift, 2));
    header.crc = le(bytes, 14 + shift, 4);
    header.compressedSize = le(bytes, 18 + shift, 4);
    header.uncompressedSize = le(bytes, 22 + shift, 4);
    const size_t nameSize = le(bytes, 26 + shift, 2);
    const size_t extraSize = le(bytes, 28 + shift, 2);
    const std::string variable = readAt(fd, offset + fixed, nameSize + extraSize);
    if (variable.size() != nameSize + extraSize) return std::nullopt;
    header.name = variable.substr(0, nameSize);
    header.extra = variable.substr(nameSize);
    header.size = fixed + nameSize + extraSize + (local ? 0 : le(bytes, 32, 2));
    if (!local) {
        header.localHeader = le(bytes, 42, 4);
        header.madeOn = static_cast<unsigned>(le(bytes, 5, 1));
        header.externalAttributes = static_cast<uint32_t>(le(bytes, 38, 4));
    }
    readZip64(header.extra, local, header);
    return header;
}

std::string flagsText(unsigned flags) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", flags & 0xFFFF);
    return text;
}

bool isDriveLetter(const std::string& component) {
    return component.size() >= 2 && component[1] == ':' &&
           ((component[0] >= 'A' && component[0] <= 'Z') || (component[0] >= 'a' && component[0] <= 'z'));
}

std::string joined(const std::vector<std::string>& parts) {
    std::string path;
    for (const auto& part : parts) path += (path.empty() ? "" : "/") + part;
    return path;
}

}  // namespace

// The archive file as libzip reads it. When libzip opens an entry it seeks
// to the entry's local header first: while noting, that place is noted,
// since libzip does not tell where an entry lies.
struct ZipArchive::Source {
    int fd = -1;
    uint64_t size = 0;
    uint64_t position = 0;
    zip_error_t error;
    bool noting = false;
    std::optional<uint64_t> noted;

    Source() { zip_error_init(&error); }
    ~Source() {
        zip_error_fini(&error);
        if (fd >= 0) ::close(fd);
    }

    static zip_int64_t serve(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
        return static_cast<Source*>(state)->answer(data, length, command);
    }

    zip_int64_t answer(void* data, zip_uint64_t length, zip_source_cmd_t command) {
        switch (command) {
            case ZIP_SOURCE_OPEN:
                position = 0;
                return 0;
            case ZIP_SOURCE_READ: {
                ssize_t n = readFully(fd, data, static_cast<size_t>(length), position);
                if (n < 0) {
                    zip_error_set(&error, ZIP_ER_READ, errno);
                    return -1;
                }
                position += static_cast<uint64_t>(n);
                return n;
            }
            case ZIP_SOURCE_CLOSE:
            case ZIP_SOURCE_FREE:
                return 0;
            case ZIP_SOURCE_STAT: {
                zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error);
                if (!st) return -1;
                zip_stat_init(st);
                st->size = size;
                st->valid |= ZIP_STAT_SIZE;
                return sizeof(zip_stat_t);
            }
            case ZIP_SOURCE_ERROR:
                return zip_error_to_data(&error, data, length);
            case ZIP_SOURCE_SEEK: {
                auto* args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, length, &error);
                if (!args) return -1;
                zip_int64_t to = zip_source_seek_compute_offset(position, size, data, length, &error);
                if (to < 0) return -1;
                position = static_cast<uint64_t>(to);
                if (noting && args->whence == SEEK_SET && !noted) noted = position;
                return 0;
            }
            case ZIP_SOURCE_TELL:
                return static_cast<zip_int64_t>(position);
            case ZIP_SOURCE_ACCEPT_EMPTY:
                // An empty file is no archive.
                return 0;
            case ZIP_SOURCE_SUPPORTS:
                return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                      ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                                      ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS,
                                                      ZIP_SOURCE_ACCEPT_EMPTY, -1);
            default:
                zip_error_set(&error, ZIP_ER_OPNOTSUPP, 0);
                return -1;
        }
    }
};

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
    if (madeOn != ZIP_OPSYS_UNIX || mode == 0) return std::nullopt;
    return mode;
}

ZipArchive::ZipArchive(const std::string& path)
    : m_path(path), m_shownPath(foundation::LogText::escape(path)), m_source(std::make_unique<Source>()) {
    open();
    try {
        readEntries();
        checkLayout();
    } catch (...) {
        zip_discard(m_zip);
        throw;
    }
}

ZipArchive::~ZipArchive() { zip_discard(m_zip); }

void ZipArchive::open() {
    const std::string cannot = "Cannot read " + m_shownPath + ": ";
    m_source->fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_source->fd < 0) throw ZipException(cannot + std::strerror(errno));
    struct stat st;
    if (::fstat(m_source->fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        throw ZipException(cannot + "it is not a complete zip file");
    }
    m_source->size = static_cast<uint64_t>(st.st_size);

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_function_create(&Source::serve, m_source.get(), &error);
    if (source) {
        // Not with libzip's consistency check: it refuses what sound writers
        // make (sizes in the local header of an entry with a data
        // descriptor, another version needed there); checkLayout compares
        // as those writers need.
        m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!m_zip) zip_source_free(source);
    }
    if (m_zip) {
        zip_error_fini(&error);
        return;
    }
    std::string why;
    switch (zip_error_code_zip(&error)) {
        case ZIP_ER_NOZIP: why = "it is not a complete zip file"; break;
        case ZIP_ER_INCONS: why = "its directory, its end record and its entries disagree"; break;
        case ZIP_ER_EXISTS: why = "it holds one name twice"; break;
        default: why = zip_error_strerror(&error); break;
    }
    zip_error_fini(&error);
    throw ZipException(cannot + why);
}

void ZipArchive::readEntries() {
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t st;
        zip_stat_init(&st);
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_stat_index(m_zip, index, ZIP_FL_ENC_RAW, &st) != 0 || !st.name ||
            zip_file_get_external_attributes(m_zip, index, 0, &opsys, &attributes) != 0) {
            throw ZipException("Cannot read " + m_shownPath + ": " + zip_strerror(m_zip));
        }
        ZipEntry entry;
        entry.name = st.name;
        entry.compressedSize = st.comp_size;
        entry.uncompressedSize = st.size;
        entry.method = st.comp_method;
        entry.crc = st.crc;
        entry.encrypted = st.encryption_method != ZIP_EM_NONE;
        entry.madeOn = opsys;
        entry.externalAttributes = attributes;
        m_entries.push_back(std::move(entry));
    }
}

void ZipArchive::checkLayout() {
    const std::string cannot = "Cannot read " + m_shownPath + ": ";
    const std::string disagree = cannot + "its directory, its end record and its entries disagree";
    const int fd = m_source->fd;
    const uint64_t fileSize = m_source->size;

    // The end record read is the last one of the file, as readers that
    // search from the end take it; only zero bytes may follow its comment,
    // as writers that pad their output to a block size leave them. libzip
    // takes the first sound one of the file's last 64 KiB: its comment
    // must be this one's, and its directory (compared below) this one's.
    int libzipCommentLength = 0;
    const char* libzipComment = zip_get_archive_comment(m_zip, &libzipCommentLength, ZIP_FL_ENC_RAW);
    const std::string readComment =
        libzipComment && libzipCommentLength > 0 ? std::string(libzipComment, static_cast<size_t>(libzipCommentLength))
                                                 : "";
    if (readComment.find("PK\5\6") != std::string::npos) throw ZipException(cannot + "its comment holds an end record");
    const auto last = lastEndRecord(fd, fileSize);
    if (!last || fileSize - *last < END_RECORD_SIZE) throw ZipException(cannot + "its end record cannot be found");
    const uint64_t endAt = *last;
    const std::string end = readAt(fd, endAt, END_RECORD_SIZE);
    const uint64_t commentLength = le(end, 20, 2);
    const uint64_t commentAt = endAt + END_RECORD_SIZE;
    if (end.empty() || commentLength > fileSize - commentAt || !zerosFrom(fd, commentAt + commentLength, fileSize)) {
        throw ZipException(cannot + "its end record cannot be found");
    }
    if (readComment != readAt(fd, commentAt, static_cast<size_t>(commentLength))) {
        throw ZipException(cannot + "it holds more than one end record");
    }
    uint64_t directorySize = le(end, 12, 4);
    uint64_t directoryOffset = le(end, 16, 4);
    uint64_t directoryEnd = endAt;
    const std::string locator =
        endAt >= ZIP64_LOCATOR_SIZE ? readAt(fd, endAt - ZIP64_LOCATOR_SIZE, ZIP64_LOCATOR_SIZE) : "";
    if (signedAs(locator, 0, "PK\6\7")) {
        // The zip64 end record ends where the locator begins.
        const uint64_t recordAt = le(locator, 8, 8);
        const uint64_t locatorAt = endAt - ZIP64_LOCATOR_SIZE;
        const std::string record =
            recordAt <= locatorAt && locatorAt - recordAt >= ZIP64_END_RECORD_SIZE
                ? readAt(fd, recordAt, ZIP64_END_RECORD_SIZE)
                : "";
        if (!signedAs(record, 0, "PK\6\6") || le(record, 4, 8) != locatorAt - recordAt - 12) {
            throw ZipException(cannot + "its zip64 end record is not where its locator says");
        }
        // Some readers take the zip64 values only where the end record
        // marks its field, others always: each field is marked or agrees.
        struct Field {
            size_t at;
            int bytes;
            size_t wideAt;
        };
        for (const Field& f : {Field{4, 2, 16}, Field{6, 2, 20}, Field{8, 2, 24}, Field{10, 2, 32}, Field{12, 4, 40},
                               Field{16, 4, 48}}) {
            const uint64_t narrow = le(end, f.at, f.bytes);
            const uint64_t wide = le(record, f.wideAt, f.wideAt < 24 ? 4 : 8);
            if (narrow != (f.bytes == 2 ? ZIP64_MARK_16 : ZIP64_MARK) && narrow != wide) {
                throw ZipException(cannot + "its end record and its zip64 end record disagree");
            }
        }
        directorySize = le(record, 40, 8);
        directoryOffset = le(record, 48, 8);
        directoryEnd = recordAt;
    }
    // The directory ends where the end record (or the zip64 end record)
    // begins: records between them are read by some tools and not by
    // others.
    if (directoryOffset > directoryEnd || directorySize != directoryEnd - directoryOffset) {
        throw ZipException(cannot + "there are bytes between its directory and its end record");
    }

    // The directory holds exactly the records libzip read, as libzip read
    // them, each name once; libzip does not show their flags nor where
    // their local headers lie.
    std::vector<Header> records;
    std::set<std::string> names;
    uint64_t at = directoryOffset;
    for (const ZipEntry& entry : m_entries) {
        auto record = readHeader(fd, at, false);
        if (!record || record->size > directoryEnd - at) throw ZipException(disagree);
        at += record->size;
        // libzip shows the method beneath the encryption.
        if (record->method == METHOD_AES) throw failure(entry, "is encrypted");
        if (nameOf(*record, false) != entry.name || record->method != entry.method || record->crc != entry.crc ||
            record->compressedSize != entry.compressedSize || record->uncompressedSize != entry.uncompressedSize ||
            record->madeOn != entry.madeOn || record->externalAttributes != entry.externalAttributes) {
            throw ZipException(disagree);
        }
        if (!names.insert(nameOf(*record, true)).second) throw ZipException(cannot + "it holds one name twice");
        records.push_back(std::move(*record));
    }
    if (at != directoryEnd) throw ZipException(disagree);

    // Each entry's bytes: local header, name, extra field, data and data
    // descriptor, before the directory and apart from every other entry's.
    struct Span {
        uint64_t begin;
        uint64_t end;
        size_t index;
    };
    std::vector<Span> spans;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        ZipEntry& entry = m_entries[i];
        const Header& record = records[i];
        const auto local = readHeader(fd, record.localHeader, true);
        if (!local) throw failure(entry, "has no local header");
        if (local->name != record.name) throw failure(entry, "is named otherwise in its local header");
        entry.name = nameOf(record, true);
        entry.localHeader = record.localHeader;
        entry.localFlags = local->flags;
        if (local->method != record.method) throw failure(entry, "is compressed otherwise in its local header");
        if ((local->flags & FLAGS_READ_ALIKE) != (record.flags & FLAGS_READ_ALIKE)) {
            throw failure(entry, "has flags " + flagsText(local->flags) + " in its local header and " +
                                     flagsText(record.flags) + " in the directory");
        }
        // Writers that stream an entry put its CRC-32 and sizes after its
        // data, and write 0 or the real value in its local header.
        const bool streamed = record.flags & FLAG_DATA_DESCRIPTOR;
        auto agrees = [&](uint64_t inLocal, uint64_t inDirectory) {
            return inLocal == inDirectory || (streamed && inLocal == 0);
        };
        if (!agrees(local->crc, record.crc)) throw failure(entry, "records another CRC-32 in its local header");
        if (!agrees(local->compressedSize, record.compressedSize) ||
            !agrees(local->uncompressedSize, record.uncompressedSize)) {
            throw failure(entry, "records another size in its local header");
        }
        const uint64_t data = record.localHeader + local->size;
        const uint64_t descriptor = streamed ? DATA_DESCRIPTOR_SIZE : 0;
        if (entry.compressedSize > directoryOffset || data > directoryOffset - entry.compressedSize ||
            descriptor > directoryOffset - data - entry.compressedSize) {
            throw failure(entry, "runs into the directory");
        }
        spans.push_back({record.localHeader, data + entry.compressedSize + descriptor, i});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
    for (size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].begin < spans[i - 1].end) {
            const std::string& other = m_entries[spans[i - 1].index].name;
            throw failure(m_entries[spans[i].index], "overlaps entry \"" + foundation::LogText::escape(other) + "\"");
        }
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
        if (component.size() > NAME_MAX) return "has a part longer than " + std::to_string(NAME_MAX) + " bytes";
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
    std::set<std::string> paths;
    for (const ZipEntry& entry : m_entries) {
        if (auto reason = unsafeName(entry.name)) throw failure(entry, *reason);
        if (entry.encrypted || (entry.localFlags & (FLAG_ENCRYPTED | FLAG_STRONG_ENCRYPTION | FLAG_MASKED_HEADERS))) {
            throw failure(entry, "is encrypted");
        }
        if (entry.localFlags & ~FLAGS_READ_ALIKE) {
            throw failure(entry, "has flags " + flagsText(entry.localFlags) + " in its local header");
        }
        if (!entry.isDirectory()) {
            // A file entry must end in a name: "." or "a/." would write
            // over a folder.
            std::string p = entry.path();
            if (entry.components().empty() || p == "." || (p.size() >= 2 && p.compare(p.size() - 2, 2, "/.") == 0)) {
                throw failure(entry, "names no file");
            }
        }
        // A file and a folder of one path are a clash the placement names.
        if (!paths.insert(joined(entry.components()) + (entry.isDirectory() ? "/" : "")).second) {
            throw failure(entry, "names a path an earlier entry names");
        }
        if (entry.method != STORED && entry.method != DEFLATED) {
            throw failure(entry, "uses compression method " + std::to_string(entry.method));
        }
        if (auto mode = entry.unixMode()) {
            mode_t type = *mode & S_IFMT;
            if (type == S_IFLNK) throw failure(entry, "is a symbolic link");
            // A pipe is what the zip program records for what it read from
            // its standard input; every reader unpacks it as a file.
            if (type != 0 && type != S_IFREG && type != S_IFDIR && type != S_IFIFO) {
                throw failure(entry, "is not a file or a folder");
            }
        }
    }
}

uint64_t ZipArchive::unpackedSize() const {
    uint64_t total = 0;
    for (const ZipEntry& entry : m_entries) {
        if (entry.isDirectory()) continue;
        if (entry.uncompressedSize > UINT64_MAX - total) {
            throw ZipException("Cannot install " + m_shownPath + ": its files add up to more than " +
                               std::to_string(UINT64_MAX) + " bytes");
        }
        total += entry.uncompressedSize;
    }
    return total;
}

template <typename Sink>
void ZipArchive::read(size_t index, Sink&& sink) {
    const ZipEntry& entry = m_entries.at(index);
    m_source->noted.reset();
    m_source->noting = true;
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(m_zip, index, 0), zip_fclose);
    m_source->noting = false;
    if (!file) throw failure(entry, "cannot be read (" + std::string(zip_strerror(m_zip)) + ")");
    // libzip may have chosen another end record than the last one, and with
    // it another directory: its local header must be the one checked.
    const auto& noted = m_source->noted;
    if (noted ? *noted != entry.localHeader : entry.compressedSize != 0) {
        throw failure(entry, "is read from another place than its directory record gives");
    }
    char buffer[BUFFER_SIZE];
    uint64_t total = 0;
    for (;;) {
        zip_int64_t n = zip_fread(file.get(), buffer, sizeof buffer);
        if (n < 0) {
            zip_error_t* error = zip_file_get_error(file.get());
            if (zip_error_code_zip(error) == ZIP_ER_CRC) throw failure(entry, "fails its CRC-32 check");
            throw failure(entry, "cannot be read (" + std::string(zip_error_strerror(error)) + ")");
        }
        if (n == 0) break;
        total += static_cast<uint64_t>(n);
        // Never a byte past the recorded size, whatever the data say:
        // libzip reads on as long as the CRC-32 covers the whole body, and
        // the recorded sizes are what the limit of an upgrade counts.
        if (total > entry.uncompressedSize) {
            throw failure(entry, "unpacks to more than its recorded " + std::to_string(entry.uncompressedSize) +
                                     " bytes");
        }
        sink(buffer, static_cast<size_t>(n));
    }
    if (total != entry.uncompressedSize) {
        throw failure(entry, "holds " + std::to_string(total) + " bytes instead of " +
                                 std::to_string(entry.uncompressedSize));
    }
}

void ZipArchive::checkData() {
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (!m_entries[i].isDirectory()) read(i, [](const char*, size_t) {});
    }
}

void ZipArchive::extract(size_t index, const std::string& target, mode_t mode) {
    const std::string unable = "Unable to write " + foundation::LogText::escape(target) + ": ";
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) throw ZipException(unable + std::strerror(errno));
    try {
        read(index, [&](const char* data, size_t size) {
            if (int err = sys::writeAll(fd, data, size)) throw ZipException(unable + std::strerror(err));
        });
    } catch (...) {
        ::close(fd);
        throw;
    }
    // The mode exactly as given: the umask is for files a user makes.
    int err = ::fchmod(fd, mode) == 0 ? 0 : errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) throw ZipException(unable + std::strerror(err));
}

}  // namespace finisher
