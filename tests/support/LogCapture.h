#pragma once
// Sends the program's log to a private temporary file for the life of the
// object, at the given level, so a test can read what was logged. The
// previous log file and level come back afterwards.

#include <string>
#include <vector>

#include "foundation/Logger.h"

namespace rltest {

class LogCapture {
public:
    explicit LogCapture(int level = foundation::Logger::LEVEL_VERBOSE);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string text() const;
    // The entries' texts, without their time stamps.
    std::vector<std::string> lines() const;
    bool contains(const std::string& part) const { return text().find(part) != std::string::npos; }
    // Number of entries containing part.
    size_t count(const std::string& part) const;

private:
    std::string m_dir;
    std::string m_file;
    std::string m_previousPath;
    int m_previousLevel;
};

}  // namespace rltest
