#pragma once
// The registry as a file store. Each root key is one text file in the store
// folder ($RL_REGISTRY_DIR, else $XDG_CONFIG_HOME/Lanternbay/registry, else
// ~/.config/Lanternbay/registry). Key and value names compare without case
// and keep the spelling they were first written with. A write re-reads its
// file under an exclusive lock and replaces it through a temporary file, so
// writers in several processes never lose each other's changes. The
// local-machine root is read-only and answered from the machine's own facts.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace reg {

// Root handles.
constexpr uint32_t HKEY_CLASSES_ROOT = 0x80000000u;
constexpr uint32_t HKEY_CURRENT_USER = 0x80000001u;
constexpr uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr uint32_t HKEY_USERS = 0x80000003u;
constexpr uint32_t HKEY_PERFORMANCE_DATA = 0x80000004u;
constexpr uint32_t HKEY_CURRENT_CONFIG = 0x80000005u;
constexpr uint32_t HKEY_DYN_DATA = 0x80000006u;

// Value type numbers.
constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;
constexpr uint32_t REG_DWORD_BIG_ENDIAN = 5;
constexpr uint32_t REG_LINK = 6;
constexpr uint32_t REG_MULTI_SZ = 7;
constexpr uint32_t REG_RESOURCE_LIST = 8;
constexpr uint32_t REG_FULL_RESOURCE_DESCRIPTOR = 9;
constexpr uint32_t REG_RESOURCE_REQUIREMENTS_LIST = 10;

enum class DataKind { Text, Number, Bytes };
// Text for REG_SZ and REG_EXPAND_SZ, Number for REG_DWORD, Bytes otherwise.
DataKind kindOf(uint32_t type);

struct Value {
    std::string name;
    uint32_t type = REG_SZ;
    std::string text;            // DataKind::Text
    int32_t number = 0;          // DataKind::Number
    std::vector<uint8_t> bytes;  // DataKind::Bytes
};

// A failure of the store, with the reason.
class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The layer was asked for by a name it does not answer to.
class LinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// test() before loadLibrary().
class NotLoadedError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The layer answers to the library name "winreg".
void loadLibrary(const std::string& name);
bool isLoaded();
// Returns when the layer is loaded; NotLoadedError otherwise.
void test();

// Every root handle has a name; an unknown handle is a RegistryError.
std::string rootName(uint32_t root);

// Key paths separate sub-keys with "\"; "" is the root itself. Empty
// components ("a\\b", a leading or trailing "\") are ignored.
bool exists(uint32_t root, const std::string& path);
// Creates the key and its missing parents.
void create(uint32_t root, const std::string& path);
// Deletes a key that has no sub-keys, with its values.
void deleteKey(uint32_t root, const std::string& path);
// A key that does not exist has no values and no sub-keys.
bool hasValue(uint32_t root, const std::string& path, const std::string& name);
bool hasValues(uint32_t root, const std::string& path);
bool hasSubkeys(uint32_t root, const std::string& path);
// RegistryError when the key or the value does not exist.
Value getValue(uint32_t root, const std::string& path, const std::string& name);
// The key must exist; a value of the same name (in any case) is replaced
// and keeps its spelling.
void setValue(uint32_t root, const std::string& path, const Value& value);
void deleteValue(uint32_t root, const std::string& path, const std::string& name);
// Direct sub-key names (sorted without case) and value names (in the order
// they were created) of an existing key.
std::vector<std::string> subkeyNames(uint32_t root, const std::string& path);
std::vector<std::string> valueNames(uint32_t root, const std::string& path);

// The folder that holds the root files.
std::string storeDirectory();

// Local-machine facts. They are collected once from uname, the processor
// table and the CPU frequency file; a fact the machine does not offer is
// absent. Other layers (the embedded browser's version) and tests add or
// hide facts here; the root stays read-only to setValue.
void setLocalMachineFact(const std::string& path, const Value& value);
void removeLocalMachineFact(const std::string& path, const std::string& name);
// Where the processor facts come from; drops what was collected.
void setMachineFactSources(const std::string& cpuinfoPath, const std::string& cpuFrequencyPath);
// Back to the machine's own facts: default sources, no added or hidden facts.
void resetLocalMachineFacts();

}  // namespace reg
