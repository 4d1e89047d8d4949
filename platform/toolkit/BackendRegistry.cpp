#include "platform/toolkit/Backend.h"

#include <cstdlib>
#include <map>
#include <mutex>

namespace tk {

namespace {
std::mutex& registryMutex() {
    static std::mutex mutex;
    return mutex;
}
std::map<std::string, BackendFactory>& registry() {
    static std::map<std::string, BackendFactory> factories;
    return factories;
}
}  // namespace

void registerBackend(const std::string& name, BackendFactory factory) {
    std::lock_guard<std::mutex> lock(registryMutex());
    registry()[name] = std::move(factory);
}

bool isBackendRegistered(const std::string& name) {
    std::lock_guard<std::mutex> lock(registryMutex());
    return registry().count(name) > 0;
}

BackendFactory findBackendFactory(const std::string& name) {
    std::lock_guard<std::mutex> lock(registryMutex());
    auto found = registry().find(name);
    return found == registry().end() ? BackendFactory() : found->second;
}

std::string selectedBackendName() {
    const char* value = std::getenv("RL_TOOLKIT");
    if (value == nullptr || *value == '\0') return "qt";
    return value;
}

}  // namespace tk
