#include "platform/registry/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>

#include "platform/registry/MachineFacts.h"
#include "platform/registry/RegistryStore.h"
#include "platform/system/FileIo.h"

namespace reg {

using detail::KeyEntry;
using detail::Store;

namespace {

std::atomic<bool> g_loaded{false};
// Writers of this process queue here before they take the file lock.
std::mutex g_writeMutex;
std::atomic<unsigned> g_tempCounter{0};

std::string systemReason(int err) { return std::strerror(err); }

std::string rootFile(uint32_t root) { return storeDirectory() + "/" + rootName(root) + ".reg"; }

// The file's text; "" when it does not exist.
std::string readStoreFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return "";
        throw RegistryError("Cannot read " + path + ": " + systemReason(errno));
    }
    std::string text;
    if (int err = sys::readAll(fd, text)) {
        ::close(fd);
        throw RegistryError("Cannot read " + path + ": " + systemReason(err));
    }
    ::close(fd);
    return text;
}

void makeDirectories(const std::string& dir) {
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = dir.find('/', pos + 1);
        partial = dir.substr(0, pos);
        if (partial.empty()) continue;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            throw RegistryError("Cannot create folder " + partial + ": " + systemReason(errno));
        }
    }
}

// Replaces the file through a temporary file in the same folder.
void writeStoreFile(const std::string& path, const std::string& text) {
    std::string temp = path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(g_tempCounter++);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) throw RegistryError("Cannot write " + temp + ": " + systemReason(errno));
    if (int err = sys::writeAll(fd, text)) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw RegistryError("Cannot write " + temp + ": " + systemReason(err));
    }
    if (::fdatasync(fd) != 0 || ::close(fd) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        throw RegistryError("Cannot write " + temp + ": " + systemReason(err));
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        throw RegistryError("Cannot replace " + path + ": " + systemReason(err));
    }
}

class FileLock {
public:
    explicit FileLock(const std::string& path) {
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) throw RegistryError("Cannot open " + path + ": " + systemReason(errno));
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(m_fd);
            throw RegistryError("Cannot lock " + path + ": " + systemReason(err));
        }
    }
    ~FileLock() { ::close(m_fd); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int m_fd = -1;
};

Store loadStore(uint32_t root, bool* clean = nullptr) {
    if (root == HKEY_LOCAL_MACHINE) return detail::machineStore();
    Store store;
    bool ok = store.parse(readStoreFile(rootFile(root)));
    if (clean) *clean = ok;
    return store;
}

// Runs change on the root's newest contents under the lock and writes the
// result when change answers true.
void modify(uint32_t root, const std::function<bool(Store&)>& change) {
    if (root == HKEY_LOCAL_MACHINE) throw RegistryError("Access is denied.");
    std::string name = rootName(root);
    std::string dir = storeDirectory();
    std::lock_guard<std::mutex> guard(g_writeMutex);
    makeDirectories(dir);
    FileLock lock(dir + "/" + name + ".lock");
    std::string path = dir + "/" + name + ".reg";
    std::string text = readStoreFile(path);
    Store store;
    if (!store.parse(text)) {
        // Keep what could not be read before the rewrite drops it.
        writeStoreFile(path + ".damaged", text);
    }
    if (change(store)) writeStoreFile(path, store.serialize(name));
}

KeyEntry* requireKey(Store& store, uint32_t root, const std::string& path) {
    KeyEntry* entry = store.key(path);
    if (!entry) throw RegistryError("Key does not exist: " + rootName(root) + (path.empty() ? "" : "\\" + path));
    return entry;
}

}  // namespace

DataKind kindOf(uint32_t type) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) return DataKind::Text;
    if (type == REG_DWORD) return DataKind::Number;
    return DataKind::Bytes;
}

void loadLibrary(const std::string& name) {
    if (name != "winreg") throw LinkError("no " + name + " in library path");
    g_loaded = true;
}

bool isLoaded() { return g_loaded; }

void test() {
    if (!g_loaded) throw NotLoadedError("registry layer not loaded");
}

std::string rootName(uint32_t root) {
    switch (root) {
        case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
        case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
        case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
        case HKEY_USERS: return "HKEY_USERS";
        case HKEY_PERFORMANCE_DATA: return "HKEY_PERFORMANCE_DATA";
        case HKEY_CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
        case HKEY_DYN_DATA: return "HKEY_DYN_DATA";
        default: break;
    }
    throw RegistryError("Invalid root key handle " + std::to_string(root));
}

std::string storeDirectory() {
    const char* own = std::getenv("RL_REGISTRY_DIR");
    if (own && *own) return own;
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) throw RegistryError("No configuration folder: neither XDG_CONFIG_HOME nor HOME is set");
        base = std::string(home) + "/.config";
    }
    return base + "/Lanternbay/registry";
}

bool exists(uint32_t root, const std::string& path) { return loadStore(root).exists(path); }

void create(uint32_t root, const std::string& path) {
    rootName(root);
    if (root == HKEY_LOCAL_MACHINE && loadStore(root).exists(path)) return;
    modify(root, [&](Store& store) { return store.create(path); });
}

void deleteKey(uint32_t root, const std::string& path) {
    if (detail::splitPath(path).empty()) throw RegistryError("A root key cannot be deleted");
    modify(root, [&](Store& store) {
        requireKey(store, root, path);
        if (store.hasSubkeys(path)) throw RegistryError("Key has sub-keys: " + path);
        store.keys.erase(detail::fold(detail::joinPath(detail::splitPath(path))));
        return true;
    });
}

bool hasValue(uint32_t root, const std::string& path, const std::string& name) {
    Store store = loadStore(root);
    const KeyEntry* entry = store.key(path);
    return entry && entry->find(name);
}

bool hasValues(uint32_t root, const std::string& path) {
    Store store = loadStore(root);
    const KeyEntry* entry = store.key(path);
    return entry && !entry->values.empty();
}

bool hasSubkeys(uint32_t root, const std::string& path) { return loadStore(root).hasSubkeys(path); }

Value getValue(uint32_t root, const std::string& path, const std::string& name) {
    Store store = loadStore(root);
    const KeyEntry* entry = requireKey(store, root, path);
    const Value* value = entry->find(name);
    if (!value) throw RegistryError("Value does not exist: " + name);
    return *value;
}

void setValue(uint32_t root, const std::string& path, const Value& value) {
    modify(root, [&](Store& store) {
        KeyEntry* entry = requireKey(store, root, path);
        if (Value* existing = entry->find(value.name)) {
            std::string spelling = existing->name;
            *existing = value;
            existing->name = spelling;
        } else {
            entry->values.push_back(value);
        }
        return true;
    });
}

void deleteValue(uint32_t root, const std::string& path, const std::string& name) {
    modify(root, [&](Store& store) {
        KeyEntry* entry = requireKey(store, root, path);
        const Value* value = entry->find(name);
        if (!value) throw RegistryError("Value does not exist: " + name);
        entry->values.erase(entry->values.begin() + (value - entry->values.data()));
        return true;
    });
}

std::vector<std::string> subkeyNames(uint32_t root, const std::string& path) {
    Store store = loadStore(root);
    requireKey(store, root, path);
    return store.subkeyNames(path);
}

std::vector<std::string> valueNames(uint32_t root, const std::string& path) {
    Store store = loadStore(root);
    const KeyEntry* entry = requireKey(store, root, path);
    std::vector<std::string> names;
    for (const auto& value : entry->values) names.push_back(value.name);
    return names;
}

}  // namespace reg
