#include "tests/fuzz/FuzzSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/Logger.h"

namespace rlfuzz {

void enterWorkFolder() {
    static bool entered = false;
    if (entered) return;
    entered = true;
    ::setenv("RL_TOOLKIT", "headless", 1);
    std::string tmpl = (std::filesystem::temp_directory_path() / "rlfuzz-XXXXXX").string();
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data()) || ::chdir(name.data()) != 0) fail("no working folder");
    static std::string folder = name.data();
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    });
    foundation::Logger::setLevel(foundation::Logger::LEVEL_NONE);
    foundation::Logger::setLogFilePath(std::string(name.data()) + "/fuzz.log");
}

void routeAllToLoopback(int httpPort) {
    const char* routes = std::getenv("RL_CONNECT_TO");
    std::string list = routes ? routes : "";
    // The first matching entry wins: this one, with no host and no port,
    // takes whatever the others leave.
    list += std::string(list.empty() ? "" : ",") + "::127.0.0.1:" + std::to_string(httpPort);
    ::setenv("RL_CONNECT_TO", list.c_str(), 1);
}

}  // namespace rlfuzz
