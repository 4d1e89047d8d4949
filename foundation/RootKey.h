#pragma once
// The seven root keys of the registry, each a name and a handle.

#include <cstdint>
#include <string>

namespace foundation {

class RootKey {
public:
    static const RootKey HKEY_CLASSES_ROOT;
    static const RootKey HKEY_CURRENT_USER;
    static const RootKey HKEY_LOCAL_MACHINE;
    static const RootKey HKEY_USERS;
    static const RootKey HKEY_PERFORMANCE_DATA;
    static const RootKey HKEY_CURRENT_CONFIG;
    static const RootKey HKEY_DYN_DATA;

    constexpr RootKey(const char* name, uint32_t handle) : m_name(name), m_handle(handle) {}
    std::string toString() const { return m_name; }
    std::string getName() const { return m_name; }
    constexpr uint32_t getHandle() const { return m_handle; }
    constexpr bool operator==(const RootKey& other) const { return m_handle == other.m_handle; }

    // The shared instance for a handle, or nullptr.
    static const RootKey* fromHandle(uint32_t handle);

private:
    const char* m_name;
    uint32_t m_handle;
};

inline constexpr RootKey RootKey::HKEY_CLASSES_ROOT{"HKEY_CLASSES_ROOT", 0x80000000u};
inline constexpr RootKey RootKey::HKEY_CURRENT_USER{"HKEY_CURRENT_USER", 0x80000001u};
inline constexpr RootKey RootKey::HKEY_LOCAL_MACHINE{"HKEY_LOCAL_MACHINE", 0x80000002u};
inline constexpr RootKey RootKey::HKEY_USERS{"HKEY_USERS", 0x80000003u};
inline constexpr RootKey RootKey::HKEY_PERFORMANCE_DATA{"HKEY_PERFORMANCE_DATA", 0x80000004u};
inline constexpr RootKey RootKey::HKEY_CURRENT_CONFIG{"HKEY_CURRENT_CONFIG", 0x80000005u};
inline constexpr RootKey RootKey::HKEY_DYN_DATA{"HKEY_DYN_DATA", 0x80000006u};

}  // namespace foundation
