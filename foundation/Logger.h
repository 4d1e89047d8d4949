#pragma once
// The one diagnostic log of a program: process-wide, levelled, appending
// time-stamped lines to one file, optionally echoed to standard output.

#include <atomic>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace foundation {

class Logger {
public:
    static constexpr int LEVEL_NONE = 0;
    static constexpr int LEVEL_ERROR = 1;
    static constexpr int LEVEL_WARNING = 2;
    static constexpr int LEVEL_INFO = 3;
    static constexpr int LEVEL_VERBOSE = 4;

    static void setLogFilePath(const std::string& path);
    static std::string getLogFilePath();
    static void setLevel(int level) { m_loggingLevel.store(level, std::memory_order_relaxed); }
    static int getLevel() { return m_loggingLevel.load(std::memory_order_relaxed); }
    static void setUseConsole(bool on) { m_useConsole.store(on, std::memory_order_relaxed); }

    static void verbose(const std::string& message) { if (getLevel() >= LEVEL_VERBOSE) log(message, nullptr); }
    static void verbose(const std::exception& failure) { if (getLevel() >= LEVEL_VERBOSE) log("", &failure); }
    static void verbose(const std::string& message, const std::exception& failure) {
        if (getLevel() >= LEVEL_VERBOSE) log(message, &failure);
    }
    static void info(const std::string& message) { if (getLevel() >= LEVEL_INFO) log(message, nullptr); }
    static void info(const std::exception& failure) { if (getLevel() >= LEVEL_INFO) log("", &failure); }
    static void info(const std::string& message, const std::exception& failure) {
        if (getLevel() >= LEVEL_INFO) log(message, &failure);
    }
    static void warning(const std::string& message) { if (getLevel() >= LEVEL_WARNING) log(message, nullptr); }
    static void warning(const std::exception& failure) { if (getLevel() >= LEVEL_WARNING) log("", &failure); }
    static void warning(const std::string& message, const std::exception& failure) {
        if (getLevel() >= LEVEL_WARNING) log(message, &failure);
    }
    static void error(const std::string& message) { if (getLevel() > LEVEL_NONE) log(message, nullptr); }
    static void error(const std::exception& failure) { if (getLevel() > LEVEL_NONE) log("", &failure); }
    static void error(const std::string& message, const std::exception& failure) {
        if (getLevel() > LEVEL_NONE) log(message, &failure);
    }

    // Writes one entry whatever the level.
    static void log(const std::string& message, const std::exception* failure);
    static void close();

    // Whole-file writers; they go through a temporary file in the same folder
    // and a rename, so a failure leaves the old file as it was. A failure is
    // reported on standard output and in the log; the caller is not told.
    static void writeFile(const std::string& path, const std::string& text);
    static void writeFileBytes(const std::string& path, const std::vector<unsigned char>& data);
    // The same, answering whether the file was written. Unless durable, the
    // data are not forced to the disk before the rename: for files rewritten
    // again and again, which are made afresh should one be lost.
    static bool writeFileChecked(const std::string& path, const std::string& bytes, bool durable = true);

private:
    static std::atomic<int> m_loggingLevel;
    static std::atomic<bool> m_useConsole;
};

}  // namespace foundation
