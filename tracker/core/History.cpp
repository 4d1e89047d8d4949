#include "tracker/core/History.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "foundation/EnvUtil.h"
#include "foundation/LogText.h"
#include "foundation/Logger.h"
#include "foundation/RLConstants.h"
#include "foundation/StrUtil.h"
#include "platform/system/FileIo.h"
#include "tracker/core/RLPreferences.h"

namespace tracker {

using foundation::Logger;

namespace {

// Malformed lines logged one by one before the rest are only counted.
constexpr int MAX_MALFORMED_LOGGED = 10;
// How much of a line of the file a log line shows: a file that lost its line
// ends would otherwise go into the log whole.
constexpr size_t LINE_LOGGED = 200;

// A long history is tens of megabytes of points. Blocks that large come
// from whole huge pages where the kernel offers them: touching them the
// first time otherwise costs a page fault per 4 KiB, more than parsing the
// points that fill them.
template <typename T>
struct LargeBlockAllocator {
    using value_type = T;
    static constexpr size_t LARGE = size_t(4) << 20;
    static constexpr size_t HUGE_PAGE = size_t(2) << 20;

    LargeBlockAllocator() = default;
    template <typename U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) {}

    static size_t mappedSize(size_t n) { return (n * sizeof(T) + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE; }

    T* allocate(size_t n) {
        if (n * sizeof(T) < LARGE) return std::allocator<T>().allocate(n);
        const size_t size = mappedSize(n);
        // Mapped one huge page longer, then trimmed to a huge-page boundary.
        void* mapped = ::mmap(nullptr, size + HUGE_PAGE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) throw std::bad_alloc();
        char* start = static_cast<char*>(mapped);
        char* aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1));
        if (aligned > start) ::munmap(start, static_cast<size_t>(aligned - start));
        const size_t tail = static_cast<size_t>(start + size + HUGE_PAGE - (aligned + size));
        if (tail > 0) ::munmap(aligned + size, tail);
        ::madvise(aligned, size, MADV_HUGEPAGE);
        return reinterpret_cast<T*>(aligned);
    }
    void deallocate(T* p, size_t n) {
        if (n * sizeof(T) < LARGE) {
            std::allocator<T>().deallocate(p, n);
        } else {
            ::munmap(p, mappedSize(n));
        }
    }
    template <typename U>
    bool operator==(const LargeBlockAllocator<U>&) const {
        return true;
    }
};

using Entries = std::vector<HistoryEntry, LargeBlockAllocator<HistoryEntry>>;

struct State {
    std::mutex lock;
    Entries entries;
    std::optional<std::vector<HistoryEntry>> newEntries;
    std::string filePath;
    bool historyExists = false;
    bool isHistoryLoaded = false;
    bool notedThatHistoryDidNotExist = false;

    State() {
        start();
        RLPreferences::setUserRemovedListener([](int removedUser) { History::removeUser(removedUser); });
    }

    void start() {
        entries.clear();
        entries.reserve(200);
        newEntries.reset();
        filePath = foundation::EnvUtil::getWorkingDirectory(true) + foundation::RLConstants::ProductNameInternal() + ".history";
        historyExists = false;
        isHistoryLoaded = false;
        notedThatHistoryDidNotExist = false;
        int fd = ::open(filePath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            historyExists = true;
            ::close(fd);
        }
    }
};

State& state() {
    static State s;
    return s;
}

// Reads a whole file; errno-style failure as a system_error, ENOENT included.
std::string readWhole(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), path);
    // Read straight into the text, sized from the file with one byte to
    // spare, so that the read that meets the end needs no growth; grown
    // only while the file grows under the reader.
    std::string data;
    struct stat st;
    size_t size = 0;
    data.resize(::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 65536);
    for (;;) {
        if (size == data.size()) data.resize(size * 2);
        ssize_t n = ::read(fd, data.data() + size, data.size() - size);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            throw std::system_error(err, std::generic_category(), path);
        }
        if (n == 0) break;
        size += static_cast<size_t>(n);
    }
    ::close(fd);
    data.resize(size);
    return data;
}

// Calls fn(line) for every line; LF or CR LF ends a line.
template <typename Fn>
void forEachLine(std::string_view data, Fn fn) {
    size_t pos = 0;
    while (pos < data.size()) {
        size_t end = data.find('\n', pos);
        size_t next = end == std::string_view::npos ? data.size() : end + 1;
        if (end == std::string_view::npos) end = data.size();
        std::string_view line = data.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        fn(line);
        pos = next;
    }
}

// Reads the open file to its end in blocks. consume(p, end) takes what it
// can of the lines in [p, end) and answers where the unfinished rest
// begins, which leads the next block. Answers the rest after the file's
// last line end. A block is held at a time: a long history read whole
// would be tens of megabytes of fresh memory, each page faulted in and
// cleared. A block's end holds a line end that is not part of the file,
// with HistoryEntry::READ_AHEAD readable bytes, as
// HistoryEntry::readWrittenLine needs.
template <typename Consume>
std::string readBlocks(int fd, Consume consume) {
    size_t capacity = size_t(256) << 10;
    auto allocate = [](size_t size) {
        return std::unique_ptr<char[]>(new char[size + HistoryEntry::READ_AHEAD]());
    };
    std::unique_ptr<char[]> buffer = allocate(capacity);
    size_t kept = 0;
    for (;;) {
        if (kept == capacity) {
            // A line longer than the block: the block grows to hold it.
            std::unique_ptr<char[]> larger = allocate(capacity * 2);
            std::memcpy(larger.get(), buffer.get(), kept);
            buffer = std::move(larger);
            capacity *= 2;
        }
        ssize_t n = ::read(fd, buffer.get() + kept, capacity - kept);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), "read");
        }
        if (n == 0) break;
        char* end = buffer.get() + kept + static_cast<size_t>(n);
        *end = '\n';  // the quick reader's stop
        const char* rest = consume(static_cast<const char*>(buffer.get()), end);
        kept = static_cast<size_t>(end - rest);
        std::memmove(buffer.get(), rest, kept);
    }
    return std::string(buffer.get(), kept);
}

// The length of data up to and with its last line end: a save that was
// killed part-way can leave a last line without one, and that line may hold
// a cut-off balance that still reads as a number.
size_t finishedLength(std::string_view data) {
    size_t end = data.rfind('\n');
    return end == std::string_view::npos ? 0 : end + 1;
}

bool isBlankLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
}

template <typename List>
void renumber(List& list, int user) {
    std::erase_if(list, [user](const HistoryEntry& e) { return e.getUser() == user; });
    for (auto& e : list) {
        if (e.getUser() > user) e.setUser(e.getUser() - 1);
    }
}

// The offset just after the last line end of the open file (0 when it has
// none), read backwards from its end.
bool lastLineEnd(int fd, off_t size, off_t& offset) {
    char buf[4096];
    off_t pos = size;
    while (pos > 0) {
        size_t n = static_cast<size_t>(std::min<off_t>(pos, sizeof buf));
        pos -= static_cast<off_t>(n);
        ssize_t got = ::pread(fd, buf, n, pos);
        if (got != static_cast<ssize_t>(n)) return false;
        for (size_t i = n; i-- > 0;) {
            if (buf[i] == '\n') {
                offset = pos + static_cast<off_t>(i) + 1;
                return true;
            }
        }
    }
    offset = 0;
    return true;
}

// Appends everything or nothing: a short write is cut back off. An
// unfinished last line left by an earlier save is cut off first (its length
// in cut), so the new points never complete it.
bool appendAll(const std::string& path, const std::string& text, std::string& failure, off_t& cut) {
    cut = 0;
    int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        failure = std::strerror(errno);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        failure = std::strerror(errno);
        ::close(fd);
        return false;
    }
    off_t original = st.st_size;
    char last = '\n';
    if (original > 0 && ::pread(fd, &last, 1, original - 1) != 1) {
        failure = std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (last != '\n') {
        off_t keep = 0;
        if (!lastLineEnd(fd, original, keep) || ::ftruncate(fd, keep) != 0) {
            failure = std::string("cannot cut off its unfinished last line: ") + std::strerror(errno);
            ::close(fd);
            return false;
        }
        cut = original - keep;
        original = keep;
    }
    bool ok = true;
    if (int err = sys::writeAll(fd, text)) {
        failure = std::strerror(err);
        ok = false;
    }
    if (!ok) {
        if (::ftruncate(fd, original) != 0) failure += " (and could not be cut back)";
    }
    if (::close(fd) != 0 && ok) {
        failure = std::strerror(errno);
        ok = false;
    }
    return ok;
}

}  // namespace

void History::addEntry(int user, std::string_view source, int64_t date, float balance) {
    addEntry(HistoryEntry(user, source, date, balance));
}

void History::addEntry(const HistoryEntry& entry) {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.entries.push_back(entry);
    if (!s.newEntries) {
        s.newEntries.emplace();
        s.newEntries->reserve(10);
    }
    s.newEntries->push_back(entry);
}

std::vector<HistoryEntry> History::getEntries(int user, std::string_view source) {
    return getEntries(user, source, RLPreferences::getReverseHistory());
}

std::vector<HistoryEntry> History::getEntries(int user, std::string_view source, bool reverse) {
    State& s = state();
    if (!isHistoryLoaded()) load();
    std::vector<HistoryEntry> result;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        for (const auto& e : s.entries) {
            if (e.getUser() == user && e.getSource() == source) result.push_back(e);
        }
    }
    if (reverse) std::reverse(result.begin(), result.end());
    return result;
}

std::optional<std::string> History::generateHistoryHTML(int user, const std::string& programKey) {
    auto row = RLPreferences::findRow(programKey);
    if (!row) return std::nullopt;
    const SourceConfig* config = RLPreferences::getConfig(*row);
    if (!config) return std::nullopt;
    std::vector<HistoryEntry> points = getEntries(user, config->getAbbreviation());
    if (points.empty()) return std::nullopt;

    std::string name = RLPreferences::getDisplayNameForUser(user);
    // Blanks and the field separator would break the fields apart.
    std::replace(name.begin(), name.end(), ' ', '_');
    std::replace(name.begin(), name.end(), ';', '_');

    std::string text;
    text.reserve(name.size() + 16 + points.size() * 20);
    text += name;
    text += ';';
    text += config->getAbbreviation();
    text += ';';
    text += std::to_string(config->getMaxDecimals());
    text += ';';
    bool first = true;
    for (const auto& p : points) {
        if (!first) text += ';';
        first = false;
        text += std::to_string(p.getDate() / 1000);
        text += ';';
        text += foundation::StrUtil::cleanFloatToString(p.getBalance());
    }
    return text;
}

bool History::doesHistoryExist() {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.historyExists;
}

void History::markHistoryAsExisting() {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.historyExists = true;
}

bool History::isHistoryLoaded() {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.isHistoryLoaded;
}

void History::load() {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.isHistoryLoaded) return;
    int fd = ::open(s.filePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            if (!s.notedThatHistoryDidNotExist) {
                s.notedThatHistoryDidNotExist = true;
                Logger::info("History file at " + s.filePath + " not found");
            }
        } else {
            Logger::error("Error loading history file at " + s.filePath,
                          std::system_error(errno, std::generic_category(), s.filePath));
        }
        return;
    }

    Entries loaded;
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
        // A line holds at least 8 bytes ("0 X 0 0" and its end), so this
        // many points always fit. Large blocks are mapped, and pages never
        // touched cost nothing; counting the lines first would cost a pass
        // of its own.
        loaded.reserve(static_cast<size_t>(st.st_size) / 8 + 1);
    }
    int lineNumber = 0;
    int malformed = 0;
    auto readBlock = [&](const char* p, const char* end) {
        while (p < end) {
            ++lineNumber;
            // Parsed in place: no copy of each point.
            HistoryEntry& entry = loaded.emplace_back();
            if (const char* next = HistoryEntry::readWrittenLine(p, end, entry)) {
                p = next;
                continue;
            }
            const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            if (lineEnd == nullptr) {
                // The rest of the line comes with the next block.
                loaded.pop_back();
                --lineNumber;
                break;
            }
            std::string_view line(p, static_cast<size_t>(lineEnd - p));
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            p = lineEnd + 1;
            if (isBlankLine(line)) {
                loaded.pop_back();
                continue;
            }
            if (HistoryEntry::parse(line, entry)) continue;
            loaded.pop_back();
            if (++malformed <= MAX_MALFORMED_LOGGED) {
                Logger::error("Skipping malformed line " + std::to_string(lineNumber) + " of history file at " +
                              s.filePath + ": " + foundation::LogText::excerpt(line, LINE_LOGGED));
            }
        }
        return p;
    };
    std::string rest;
    try {
        rest = readBlocks(fd, readBlock);
    } catch (const std::system_error& failure) {
        ::close(fd);
        Logger::error("Error loading history file at " + s.filePath, failure);
        return;
    }
    ::close(fd);
    if (!rest.empty() && !isBlankLine(rest)) {
        // A save that was killed part-way can leave a last line without its
        // end, and that line may hold a cut-off balance that still reads as
        // a number.
        Logger::warning("Dropping the unfinished last line of history file at " + s.filePath + ": " +
                        foundation::LogText::excerpt(rest, LINE_LOGGED));
    }
    if (malformed > MAX_MALFORMED_LOGGED) {
        Logger::error("Skipped " + std::to_string(malformed - MAX_MALFORMED_LOGGED) +
                      " more malformed lines of history file at " + s.filePath);
    }
    if (s.entries.empty()) {
        s.entries = std::move(loaded);  // no second copy of a long history
    } else {
        s.entries.insert(s.entries.end(), std::make_move_iterator(loaded.begin()),
                         std::make_move_iterator(loaded.end()));
    }
    s.historyExists = true;
    s.isHistoryLoaded = true;
}

void History::save() {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.newEntries) return;
    std::string text;
    text.reserve(s.newEntries->size() * 32);
    for (const auto& e : *s.newEntries) {
        text += e.toString();
        text += '\n';
    }
    std::string failure;
    off_t cut = 0;
    bool saved = appendAll(s.filePath, text, failure, cut);
    if (cut > 0) {
        Logger::warning("Cut the unfinished last line (" + std::to_string(cut) + " bytes) off history file at " +
                        s.filePath);
    }
    if (!saved) {
        Logger::error("History file at " + s.filePath + " could not be saved",
                      std::runtime_error(failure));
        return;
    }
    s.newEntries.reset();
    s.historyExists = true;
}

bool History::removeUser(int user) {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    renumber(s.entries, user);
    if (s.newEntries) renumber(*s.newEntries, user);

    std::string data;
    try {
        data = readWhole(s.filePath);
    } catch (const std::system_error& failure) {
        if (failure.code().value() == ENOENT) return true;
        Logger::error("Error loading history file at " + s.filePath, failure);
        return false;
    }
    // An unfinished last line goes: the rewrite would otherwise finish it.
    bool changed = finishedLength(data) < data.size();
    data.resize(finishedLength(data));
    std::string out;
    out.reserve(data.size());
    HistoryEntry entry;
    forEachLine(data, [&](std::string_view line) {
        if (HistoryEntry::parse(line, entry) && entry.getUser() >= user) {
            changed = true;
            if (entry.getUser() == user) return;
            entry.setUser(entry.getUser() - 1);
            out += entry.toString();
        } else {
            // Lines that do not parse are kept as they are: nothing of the
            // file is lost by the rewrite.
            out += line;
        }
        out += '\n';
    });
    if (!changed) return true;
    if (!Logger::writeFileChecked(s.filePath, out)) {
        Logger::error("History file at " + s.filePath + " could not be rewritten");
        return false;
    }
    return true;
}

void History::connectToPreferences() {
    (void)state();
    // Again each time: whoever set another listener meanwhile is replaced.
    RLPreferences::setUserRemovedListener([](int removedUser) { History::removeUser(removedUser); });
}

std::string History::getFilePath() {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.filePath;
}

size_t History::size() {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.entries.size();
}

size_t History::newEntryCount() {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.newEntries ? s.newEntries->size() : 0;
}

void History::reset() {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.start();
}

}  // namespace tracker
