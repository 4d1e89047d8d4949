#include "tests/support/TempWorkDir.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/Thread.h"

namespace rltest {

std::string makeTempDirectory(const std::string& prefix) {
    std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
    return name.data();
}

CommandRun runCommand(const std::string& command) {
    CommandRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TempWorkDir::TempWorkDir() {
    std::vector<char> buf(256);
    if (::getcwd(buf.data(), buf.size())) m_previous = buf.data();
    m_path = makeTempDirectory("rltest-");
    if (::chdir(m_path.c_str()) != 0) throw std::runtime_error("chdir failed");
}

bool endTestThreads() { return foundation::Thread::stopAndJoinAll(30000); }

TempWorkDir::~TempWorkDir() {
    // A thread of the test must not write into the folder once it is gone.
    if (!endTestThreads()) {
        std::string names;
        for (const std::string& name : foundation::Thread::liveThreadNames()) names += " " + name;
        ADD_FAILURE() << "threads still running at the end of the test:" << names;
    }
    if (!m_previous.empty()) (void)::chdir(m_previous.c_str());
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

unsigned fileMode(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return 0;
    return st.st_mode & 07777;
}

std::string installProgram(const std::string& program, const std::string& folder) {
    const std::filesystem::path target = std::filesystem::path(folder) / std::filesystem::path(program).filename();
    std::error_code linkFailed;
    std::filesystem::create_hard_link(program, target, linkFailed);
    if (linkFailed) std::filesystem::copy_file(program, target);
    return target.string();
}

std::string sourceDir() {
    const char* dir = std::getenv("RL_SOURCE_DIR");
    return dir ? dir : ".";
}

}  // namespace rltest
