#include "tests/support/LogCapture.h"

#include "tests/support/TempWorkDir.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace rltest {

using foundation::Logger;

LogCapture::LogCapture(int level) : m_previousPath(Logger::getLogFilePath()), m_previousLevel(Logger::getLevel()) {
    m_dir = makeTempDirectory("rltest-log-");
    m_file = m_dir + "/test.log";
    Logger::close();
    Logger::setLogFilePath(m_file);
    Logger::setLevel(level);
}

LogCapture::~LogCapture() {
    Logger::close();
    Logger::setLogFilePath(m_previousPath);
    Logger::setLevel(m_previousLevel);
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

std::string LogCapture::text() const {
    std::ifstream in(m_file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> LogCapture::lines() const {
    std::vector<std::string> out;
    std::istringstream in(text());
    std::string line;
    while (std::getline(in, line)) {
        // "MM/dd/yy hh:mm a - " in front of every entry.
        auto dash = line.find(" - ");
        if (dash != std::string::npos && dash <= 20) line = line.substr(dash + 3);
        out.push_back(line);
    }
    return out;
}

size_t LogCapture::count(const std::string& part) const {
    size_t n = 0;
    for (const auto& line : lines()) {
        if (line.find(part) != std::string::npos) ++n;
    }
    return n;
}

}  // namespace rltest
