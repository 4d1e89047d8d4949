#include "foundation/FileUtil.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "foundation/LogText.h"
#include "foundation/Logger.h"
#include "foundation/TempFiles.h"
#include "platform/system/FileIo.h"

namespace foundation {

namespace {

using IOException = FileUtil::IOException;

std::string reason() { return std::strerror(errno); }

std::string child(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

std::string parentOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Whether something (a dangling link included) is at the path.
bool present(const std::string& path, struct stat* st = nullptr) {
    struct stat local;
    if (::lstat(path.c_str(), st ? st : &local) == 0) return true;
    if (errno == ENOENT || errno == ENOTDIR) return false;
    throw IOException("Unable to examine " + path + ": " + reason());
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    int closeNow() {
        int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }
    void reset() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

std::string readAll(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) throw IOException(path + " (" + reason() + ")");
    std::string text;
    if (int err = sys::readAll(fd.get(), text)) throw IOException(path + " (" + std::strerror(err) + ")");
    return text;
}

// The names in a directory, in the order the system lists them.
std::vector<std::string> listNames(const std::string& dir) {
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), ::closedir);
    if (!d) throw IOException("Unable to list directory " + dir + ": " + reason());
    std::vector<std::string> names;
    errno = 0;
    while (struct dirent* e = ::readdir(d.get())) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
        errno = 0;
    }
    if (errno != 0) throw IOException("Unable to list directory " + dir + ": " + reason());
    return names;
}

// mkdir -p; answers whether the directory exists afterwards.
bool makeDirectories(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    std::string parent = parentOf(path);
    if (parent != path && parent != "." && parent != "/") {
        if (!makeDirectories(parent)) return false;
    }
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool FileUtil::doesFileExist(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

void FileUtil::copyFile(const std::string& from, const std::string& to) {
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) throw IOException(from + " (" + reason() + ")");
    struct stat src;
    if (::fstat(in.get(), &src) != 0) throw IOException(from + " (" + reason() + ")");
    if (S_ISDIR(src.st_mode)) throw IOException(from + " (Is a directory)");

    // Write through a link to the file it names, as truncating would.
    std::string target = to;
    struct stat lst;
    if (::lstat(to.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(to.c_str(), resolved)) target = resolved;
    }
    mode_t mode = src.st_mode & 07777;
    struct stat dst;
    if (::stat(target.c_str(), &dst) == 0) {
        if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) {
            throw IOException("Source and destination are the same file: " + from + " and " + to);
        }
        if (S_ISDIR(dst.st_mode)) throw IOException(to + " (Is a directory)");
        mode = dst.st_mode & 07777;
    }

    // A name that the owner of the folder recognises at its next start,
    // should this process die before the rename.
    const std::string temp = TempFiles::nameFor(target);
    Fd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0) throw IOException(to + " (" + reason() + ")");
    try {
        std::string bytes;
        if (int err = sys::readAll(in.get(), bytes)) throw IOException(from + " (" + std::strerror(err) + ")");
        if (int err = sys::writeAll(out.get(), bytes)) {
            throw IOException("Unable to write " + to + ": " + std::strerror(err));
        }
        in.reset();
        if (::fchmod(out.get(), mode) != 0 || ::fsync(out.get()) != 0 || out.closeNow() != 0) {
            throw IOException(to + " (" + reason() + ")");
        }
        if (::rename(temp.c_str(), target.c_str()) != 0) throw IOException(to + " (" + reason() + ")");
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
}

std::string FileUtil::readFileIntoString(const std::string& path) {
    try {
        return readAll(path);
    } catch (const IOException& e) {
        Logger::error("Unable to read from file " + path, e);
        return "";
    }
}

std::string FileUtil::readFileIntoStringWithThrow(const std::string& path) {
    try {
        return readAll(path);
    } catch (const IOException& e) {
        throw IOException("Unable to read from file " + path + ": " + e.what());
    }
}

std::vector<std::string> FileUtil::listFiles(const std::string& dir) { return listNames(dir); }

void FileUtil::forceDelete(const std::string& file) {
    struct stat st;
    bool exists;
    try {
        exists = present(file, &st);
    } catch (const IOException&) {
        throw IOException("Unable to delete file: " + file);
    }
    if (!exists) return;
    if (S_ISDIR(st.st_mode)) {
        deleteDirectory(file);
        return;
    }
    if (::unlink(file.c_str()) != 0 && errno != ENOENT) throw IOException("Unable to delete file: " + file);
}

void FileUtil::deleteDirectory(const std::string& dir) {
    struct stat st;
    if (!present(dir, &st)) return;
    if (S_ISLNK(st.st_mode)) {
        if (::unlink(dir.c_str()) != 0 && errno != ENOENT) throw IOException("Unable to delete directory " + dir + ".");
        return;
    }
    cleanDirectory(dir);
    if (::rmdir(dir.c_str()) != 0 && errno != ENOENT) throw IOException("Unable to delete directory " + dir + ".");
}

void FileUtil::cleanDirectory(const std::string& dir) {
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) throw std::invalid_argument(dir + " does not exist");
        throw IOException("Unable to examine " + dir + ": " + reason());
    }
    if (!S_ISDIR(st.st_mode)) throw std::invalid_argument(dir + " is not a directory");
    std::unique_ptr<IOException> last;
    for (const auto& name : listNames(dir)) {
        try {
            forceDelete(child(dir, name));
        } catch (const IOException& e) {
            last = std::make_unique<IOException>(e);
        }
    }
    if (last) throw *last;
}

void FileUtil::deleteDirAndFiles(const std::string& file) {
    try {
        forceDelete(file);
    } catch (const std::exception& e) {
        Logger::error("Unable to delete: " + file, e);
    }
}

bool FileUtil::overwriteFiles(const std::string& from, const std::string& to) {
    // The paths may hold names that came from an archive.
    const std::string shownFrom = LogText::escape(from);
    const std::string shownTo = LogText::escape(to);
    // "Not moved" is the move's own line, as "Moved" is; why follows on a
    // line of its own, as an error.
    auto notMoved = [&](const std::string& why) {
        Logger::info("Not moved: " + shownFrom + " to " + shownTo);
        Logger::error("Unable to move to " + shownTo + ": " + LogText::escape(why));
        return false;
    };
    struct stat st;
    try {
        if (!present(from, &st)) return true;
    } catch (const std::exception& e) {
        return notMoved(e.what());
    }
    if (S_ISDIR(st.st_mode)) {
        struct stat existing;
        bool existed = ::stat(to.c_str(), &existing) == 0;
        if (existed && !S_ISDIR(existing.st_mode)) return notMoved("a file stands where the folder goes");
        if (!makeDirectories(to)) return notMoved(reason());
        if (!existed) Logger::info("Created: " + shownTo);
        std::vector<std::string> names;
        try {
            names = listNames(from);
        } catch (const std::exception& e) {
            return notMoved(e.what());
        }
        bool allMoved = true;
        for (const auto& name : names) {
            if (!overwriteFiles(child(from, name), child(to, name))) allMoved = false;
        }
        return allMoved;
    }
    // One rename puts the new file in place of the old one: whenever the
    // move stops, the target is the old file or the new one, never missing.
    struct stat target;
    if (::lstat(to.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
        return notMoved("a folder stands where the file goes");
    }
    if (::rename(from.c_str(), to.c_str()) == 0) {
        Logger::info("Moved: " + shownFrom + " to " + shownTo);
        return true;
    }
    return notMoved(reason());
}

}  // namespace foundation
