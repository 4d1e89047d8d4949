#include "platform/com/Module.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/com/ComException.h"
#include "platform/com/Registration.h"

namespace com {

namespace {

std::mutex g_mutex;
// Loaded modules by the real path of their file, and the objects of each
// that are still alive.
std::map<std::string, std::shared_ptr<Module>> g_modules;
std::map<const Module*, int> g_liveObjects;

thread_local std::string t_lastError;

}  // namespace

ClassObject::~ClassObject() = default;

void setLastError(const std::string& reason) { t_lastError = reason; }

std::string getLastError() { return t_lastError; }

Module::Module(std::string path, void* handle) : m_path(std::move(path)), m_handle(handle) {}

Module::~Module() {
    if (m_handle != nullptr) ::dlclose(m_handle);
}

std::shared_ptr<Module> Module::load(const std::string& path) {
    char resolved[PATH_MAX];
    if (path.empty() || ::realpath(path.c_str(), resolved) == nullptr) {
        std::string reason = path.empty() ? "no file named" : std::strerror(errno);
        throw ComException(ComError::ModuleNotLoaded, "Cannot load module " + path + ": " + reason);
    }
    std::lock_guard<std::mutex> guard(g_mutex);
    auto found = g_modules.find(resolved);
    if (found != g_modules.end()) return found->second;

    ::dlerror();
    void* handle = ::dlopen(resolved, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = ::dlerror();
        throw ComException(ComError::ModuleNotLoaded,
                           "Cannot load module " + path + ": " + (reason ? reason : "unknown reason"));
    }
    std::shared_ptr<Module> module(new Module(resolved, handle));
    auto entry = [&](const char* name) {
        void* symbol = ::dlsym(handle, name);
        if (symbol == nullptr) {
            throw ComException(ComError::EntryPointMissing, "Module " + path + " has no entry point " + name);
        }
        return symbol;
    };
    module->m_getClassObject = reinterpret_cast<GetClassObjectEntry>(entry(ENTRY_GET_CLASS_OBJECT));
    module->m_canUnloadNow = reinterpret_cast<CanUnloadNowEntry>(entry(ENTRY_CAN_UNLOAD_NOW));
    module->m_registerServer = reinterpret_cast<RegisterServerEntry>(entry(ENTRY_REGISTER_SERVER));
    module->m_unregisterServer = reinterpret_cast<UnregisterServerEntry>(entry(ENTRY_UNREGISTER_SERVER));
    g_modules[resolved] = module;
    return module;
}

std::shared_ptr<Dispatch> Module::createInstance(const std::string& classId) {
    ClassObject* classObject = m_getClassObject(classId.c_str());
    if (classObject == nullptr) {
        throw ComException(ComError::ClassNotAvailable, "Module " + m_path + " does not offer the class " + classId);
    }
    std::shared_ptr<Dispatch> object;
    try {
        object = classObject->createInstance();
    } catch (const ComException&) {
        throw;
    } catch (const std::exception& failure) {
        throw ComException(ComError::Exception, "Cannot create " + classId + ": " + failure.what());
    }
    if (!object) {
        throw ComException(ComError::ClassNotAvailable, "Module " + m_path + " made no object of the class " + classId);
    }
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        ++g_liveObjects[this];
    }
    // The object goes before the module it came from.
    auto self = shared_from_this();
    Dispatch* raw = object.get();
    return std::shared_ptr<Dispatch>(raw, [object, self](Dispatch*) mutable {
        object.reset();
        {
            std::lock_guard<std::mutex> guard(g_mutex);
            if (--g_liveObjects[self.get()] == 0) g_liveObjects.erase(self.get());
        }
        self.reset();
    });
}

bool Module::canUnloadNow() const { return m_canUnloadNow() == 1; }

void Module::registerServer() {
    setLastError("");
    if (m_registerServer() != 0) {
        std::string reason = getLastError();
        throw ComException(ComError::RegistrationFailed,
                           "Registering " + m_path + " failed" + (reason.empty() ? "" : ": " + reason));
    }
}

void Module::unregisterServer() {
    setLastError("");
    if (m_unregisterServer() != 0) {
        std::string reason = getLastError();
        throw ComException(ComError::RegistrationFailed,
                           "Unregistering " + m_path + " failed" + (reason.empty() ? "" : ": " + reason));
    }
}

std::shared_ptr<Dispatch> createObject(const std::string& progId) {
    ClassLocation location = findClass(progId);
    return Module::load(location.modulePath)->createInstance(location.classId);
}

int freeUnusedLibraries() {
    std::vector<std::shared_ptr<Module>> going;
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        for (auto it = g_modules.begin(); it != g_modules.end();) {
            const auto& module = it->second;
            bool unused = g_liveObjects.count(module.get()) == 0 && module.use_count() == 1;
            if (unused && module->canUnloadNow()) {
                going.push_back(module);
                it = g_modules.erase(it);
            } else {
                ++it;
            }
        }
    }
    int count = static_cast<int>(going.size());
    going.clear();
    return count;
}

bool isModuleLoaded(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return false;
    std::lock_guard<std::mutex> guard(g_mutex);
    return g_modules.count(resolved) != 0;
}

}  // namespace com
