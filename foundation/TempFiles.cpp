#include "foundation/TempFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/system/NumberText.h"

namespace foundation {

namespace {

constexpr const char* MARK = ".tmp";

bool allDigits(const std::string& text, size_t from, size_t to) {
    if (from >= to || to - from > 18) return false;
    for (size_t i = from; i < to; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

bool processIsGone(long pid) {
    if (pid <= 0 || pid == static_cast<long>(::getpid())) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

int removeIn(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return 0;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return 0;
    }
    int removed = 0;
    while (struct dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat st {};
        long pid = 0;
        if (!TempFiles::isTemporaryName(name, &pid) || ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || !processIsGone(pid)) {
            continue;
        }
        if (::unlinkat(fd, name.c_str(), 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace

std::string TempFiles::nameFor(const std::string& path) {
    static std::atomic<unsigned long> counter{0};
    return path + MARK + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
}

bool TempFiles::isTemporaryName(const std::string& name, long* pid) {
    const size_t mark = name.rfind(MARK);
    // A name of its own must stand before the mark.
    if (mark == std::string::npos || mark == 0) return false;
    const size_t pidStart = mark + std::strlen(MARK);
    const size_t dash = name.find('-', pidStart);
    if (dash == std::string::npos || !allDigits(name, pidStart, dash) || !allDigits(name, dash + 1, name.size())) {
        return false;
    }
    if (pid) *pid = sys::parseNumber<long>(std::string_view(name).substr(pidStart, dash - pidStart)).value_or(0);
    return true;
}

int TempFiles::removeStale(const std::string& folder, const std::vector<std::string>& subfolders) {
    const std::string root = folder.empty() ? std::string(".") : folder;
    int removed = removeIn(root);
    for (const std::string& subfolder : subfolders) removed += removeIn(root + "/" + subfolder);
    return removed;
}

}  // namespace foundation
