#pragma once
// Typed access to one registry key that fails softly: a missing value gives
// the caller's default, a registry failure is logged and gives the default.

#include <cstdint>
#include <string>

#include "foundation/RegistryKey.h"
#include "foundation/RootKey.h"

namespace foundation {

class RegistryUtil {
public:
    // Each call makes a new accessor; the registry layer is initialised on
    // first use (a layer that cannot be bound throws).
    static RegistryUtil getCurrentUserInstance(const std::string& path);
    static RegistryUtil getLocalMachineInstance(const std::string& path);

    // Creates the key when needed and stores a REG_DWORD; a failure is logged
    // as "Error setting registry key <name> to <value>".
    void setInt(const std::string& name, int32_t value);
    // The value's text, or the default; a failure is logged as "Error
    // getting registry key <name>".
    std::string getString(const std::string& name, const std::string& defaultValue);
    // The value's integer, or the default. A value that is not an integer is
    // logged as a failure and gives the default too.
    int32_t getInt(const std::string& name, int32_t defaultValue);

private:
    RegistryUtil(const RootKey& root, const std::string& path);

    const RootKey* m_root;
    std::string m_path;
    RegistryKey m_regKey;
};

}  // namespace foundation
