#include "tests/support/OpenedUrls.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "platform/system/OpenUrl.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"

namespace rltest {

OpenedUrls::OpenedUrls() {
    m_dir = makeTempDirectory("rltest-opened-");
    m_record = m_dir + "/opened.txt";
    m_program = m_dir + "/record-url";
    // One line per address: its arguments joined by a tab, written at once.
    writeFile(m_program, "#!/bin/sh\nIFS=$(printf '\\t')\nprintf '%s\\n' \"$*\" >> '" + m_record + "'\n");
    ::chmod(m_program.c_str(), 0755);
    sys::setUrlOpener({m_program});
}

OpenedUrls::~OpenedUrls() {
    sys::setUrlOpener({});
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

std::vector<std::string> OpenedUrls::urls() const {
    std::vector<std::string> out;
    std::istringstream lines(readFile(m_record));
    for (std::string line; std::getline(lines, line);) out.push_back(line);
    return out;
}

std::vector<std::string> OpenedUrls::waitFor(size_t count, int timeoutMs) const {
    rltest::waitFor([&] { return urls().size() >= count; }, timeoutMs);
    return urls();
}

}  // namespace rltest
