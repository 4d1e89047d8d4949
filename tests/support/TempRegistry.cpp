#include "tests/support/TempRegistry.h"

#include <cstdlib>

#include "foundation/RegistryKey.h"
#include "foundation/RegistryValue.h"

namespace rltest {

TempRegistry::TempRegistry(const std::string& folder) {
    if (const char* old = std::getenv("RL_REGISTRY_DIR")) m_previous = old;
    ::setenv("RL_REGISTRY_DIR", folder.c_str(), 1);
    if (!foundation::RegistryKey::isInitialized()) foundation::RegistryKey::initialize();
}

TempRegistry::~TempRegistry() {
    if (m_previous) {
        ::setenv("RL_REGISTRY_DIR", m_previous->c_str(), 1);
    } else {
        ::unsetenv("RL_REGISTRY_DIR");
    }
}

void TempRegistry::setString(const std::string& key, const std::string& name, const std::string& value) {
    foundation::RegistryKey k(key);
    k.create();
    k.setValue(foundation::RegistryValue(name, value.c_str()));
}

}  // namespace rltest
