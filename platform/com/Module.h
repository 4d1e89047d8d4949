#pragma once
// A module file loaded into the program. A module is loaded once per file
// and stays loaded until freeUnusedLibraries finds that it may go: code of
// a module may still be referred to by the program after its last object
// is gone, so nothing unloads it behind the program's back.

#include <memory>
#include <string>

#include "platform/com/ClassObject.h"
#include "platform/com/Dispatch.h"

namespace com {

class Module : public std::enable_shared_from_this<Module> {
public:
    // Loads the file, or answers the module already loaded from it.
    // ComException ModuleNotLoaded (missing file, unresolved symbols: the
    // loader's reason) or EntryPointMissing.
    static std::shared_ptr<Module> load(const std::string& path);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    const std::string& getPath() const { return m_path; }
    // A new object of the class; the module stays loaded while it lives.
    // ComException ClassNotAvailable when the module has no such class.
    std::shared_ptr<Dispatch> createInstance(const std::string& classId);
    bool canUnloadNow() const;
    void registerServer();
    void unregisterServer();

private:
    Module(std::string path, void* handle);

    std::string m_path;
    void* m_handle;
    GetClassObjectEntry m_getClassObject = nullptr;
    CanUnloadNowEntry m_canUnloadNow = nullptr;
    RegisterServerEntry m_registerServer = nullptr;
    UnregisterServerEntry m_unregisterServer = nullptr;
};

// The object registered under the ProgID, from its module.
std::shared_ptr<Dispatch> createObject(const std::string& progId);

// Unloads every loaded module that no object of this layer holds and whose
// can-unload entry agrees; answers how many went.
int freeUnusedLibraries();

// Whether a module is loaded from the file.
bool isModuleLoaded(const std::string& path);

}  // namespace com
