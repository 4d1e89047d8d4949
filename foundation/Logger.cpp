#include "foundation/Logger.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "foundation/ExceptionUtil.h"
#include "foundation/TempFiles.h"
#include "platform/system/FileIo.h"

namespace foundation {

std::atomic<int> Logger::m_loggingLevel{Logger::LEVEL_NONE};
std::atomic<bool> Logger::m_useConsole{false};

namespace {

const char* const DEFAULT_LOG = "default.log";

// One lock for the path, the writer and every entry, so that a path change
// can never race with an entry that is opening the file.
std::mutex& logLock() {
    static std::mutex m;
    return m;
}
std::string& logFilePath() {
    static std::string path = DEFAULT_LOG;
    return path;
}
FILE*& logWriter() {
    static FILE* writer = nullptr;
    return writer;
}
// "MM/dd/yy hh:mm a", by hand so that the program's locale cannot change or
// drop the AM/PM marker.
std::string timestamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char buf[64];
    // Only integer conversions, which no locale changes.
    std::snprintf(buf, sizeof buf, "%02d/%02d/%02d %02d:%02d %s", local.tm_mon + 1, local.tm_mday,
                  local.tm_year % 100, hour, local.tm_min, local.tm_hour < 12 ? "AM" : "PM");
    return buf;
}

void emit(FILE* file, bool console, const std::string& piece) {
    if (file) std::fwrite(piece.data(), 1, piece.size(), file);
    if (console) std::fwrite(piece.data(), 1, piece.size(), stdout);
}

}  // namespace

void Logger::setLogFilePath(const std::string& path) {
    std::lock_guard<std::mutex> lock(logLock());
    if (logFilePath() == DEFAULT_LOG) {
        // The default file is only a stop-gap: the next entry opens the new one.
        if (logWriter()) {
            std::fclose(logWriter());
            logWriter() = nullptr;
        }
    }
    logFilePath() = path;
}

std::string Logger::getLogFilePath() {
    std::lock_guard<std::mutex> lock(logLock());
    return logFilePath();
}

void Logger::log(const std::string& message, const std::exception* failure) {
    std::lock_guard<std::mutex> lock(logLock());
    FILE*& writer = logWriter();
    if (!writer) {
        const std::string& path = logFilePath();
        // "e": child processes must not inherit the log file.
        writer = std::fopen(path.c_str(), "abe");
        if (!writer) {
            std::fprintf(stdout, "IOException: Unable to open log file %s: %s\n", path.c_str(), std::strerror(errno));
            std::fflush(stdout);
            return;
        }
    }
    bool console = m_useConsole.load(std::memory_order_relaxed);
    emit(writer, console, timestamp());
    emit(writer, console, " - ");
    bool hasMessage = !message.empty();
    if (hasMessage) {
        emit(writer, console, message);
        if (failure) {
            emit(writer, console, ": ");
            emit(writer, console, ExceptionUtil::getStackTrace(failure));
        }
        emit(writer, console, "\n");
    } else if (failure) {
        emit(writer, console, ExceptionUtil::getStackTrace(failure));
        emit(writer, console, "\n");
    } else {
        // An empty entry ends its line too, so that the next entry starts clean.
        emit(writer, console, "\n");
    }
    std::fflush(writer);
    if (console) std::fflush(stdout);
}

void Logger::close() {
    std::lock_guard<std::mutex> lock(logLock());
    if (logWriter()) {
        std::fclose(logWriter());
        logWriter() = nullptr;
    }
}

bool Logger::writeFileChecked(const std::string& path, const std::string& bytes, bool durable) {
    // A name that the owner of the folder recognises at its next start,
    // should this process die before the rename.
    std::string tmp = TempFiles::nameFor(path);
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    int fd = ::open(name.data(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    auto fail = [&](const std::string& what, int err) {
        std::string text = "IOException: " + what + " " + path + ": " + std::strerror(err);
        std::fprintf(stdout, "%s\n", text.c_str());
        std::fflush(stdout);
        if (getLevel() > LEVEL_NONE) log("Unable to write file " + path + ": " + std::strerror(err), nullptr);
        return false;
    };
    if (fd < 0) return fail("Unable to create", errno);
    // A replaced file keeps its permissions (a private file stays private).
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
    if (int err = sys::writeAll(fd, bytes)) {
        ::close(fd);
        ::unlink(name.data());
        return fail("Unable to write", err);
    }
    if ((durable && ::fsync(fd) != 0) || ::close(fd) != 0) {
        int err = errno;
        ::unlink(name.data());
        return fail("Unable to write", err);
    }
    if (std::rename(name.data(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(name.data());
        return fail("Unable to replace", err);
    }
    return true;
}

void Logger::writeFile(const std::string& path, const std::string& text) { writeFileChecked(path, text); }

void Logger::writeFileBytes(const std::string& path, const std::vector<unsigned char>& data) {
    writeFileChecked(path, std::string(data.begin(), data.end()));
}

}  // namespace foundation
