#include "tests/support/BrowserSession.h"
#include "tests/support/Wait.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

namespace rltest {

namespace {

const char* const MARK = "RL_TEST_BROWSER_SESSION";

std::string environmentOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool alive(pid_t pid) {
    // A zombie has ended too.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

}  // namespace

bool haveDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && *display != '\0';
}

BrowserSession::BrowserSession() {
    char pattern[] = "/tmp/rl-browser-test-XXXXXX";
    if (::mkdtemp(pattern) != nullptr) m_home = pattern;
    for (const char* sub : {"data", "cache", "config", "runtime", "Downloads"}) {
        std::filesystem::create_directories(m_home + "/" + sub);
    }
    std::filesystem::permissions(m_home + "/runtime", std::filesystem::perms::owner_all);
    std::random_device random;
    m_mark = std::to_string(::getpid()) + "-" + std::to_string(random());
    const std::vector<std::pair<std::string, std::string>> values{
        {"HOME", m_home},
        {"XDG_DATA_HOME", m_home + "/data"},
        {"XDG_CACHE_HOME", m_home + "/cache"},
        {"XDG_CONFIG_HOME", m_home + "/config"},
        {"XDG_RUNTIME_DIR", m_home + "/runtime"},
        {"QTWEBENGINE_DISABLE_SANDBOX", "1"},
        {MARK, m_mark},
    };
    for (const auto& [name, value] : values) {
        const char* old = std::getenv(name.c_str());
        m_saved.emplace_back(name, old ? std::string(old) : std::string("\x01"));
        ::setenv(name.c_str(), value.c_str(), 1);
    }
}

BrowserSession::~BrowserSession() {
    endProcesses();
    for (const auto& [name, value] : m_saved) {
        if (value == "\x01") {
            ::unsetenv(name.c_str());
        } else {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_home, ignored);
}

std::vector<pid_t> BrowserSession::processes(const std::string& program) const {
    std::vector<pid_t> found;
    const std::string entry = std::string(MARK) + "=" + m_mark;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return found;
    while (dirent* e = ::readdir(proc)) {
        char* end = nullptr;
        long pid = std::strtol(e->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == ::getpid()) continue;
        if (!program.empty()) {
            std::error_code error;
            auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
            if (error || exe.filename() != program) continue;
        }
        std::string env = environmentOf(static_cast<pid_t>(pid));
        size_t at = 0;
        while (at < env.size()) {
            size_t stop = env.find('\0', at);
            if (env.compare(at, (stop == std::string::npos ? env.size() : stop) - at, entry) == 0) {
                if (alive(static_cast<pid_t>(pid))) found.push_back(static_cast<pid_t>(pid));
                break;
            }
            if (stop == std::string::npos) break;
            at = stop + 1;
        }
    }
    ::closedir(proc);
    return found;
}

bool BrowserSession::endProcesses(int timeoutMs) const {
    for (pid_t pid : processes()) ::kill(pid, SIGTERM);
    waitFor([this] { return processes().empty(); }, timeoutMs);
    for (pid_t pid : processes()) ::kill(pid, SIGKILL);
    return processes().empty();
}

}  // namespace rltest
