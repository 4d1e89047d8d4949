#pragma once
// Registration of components in the registry store's classes root:
//
//   <ProgID>                             (default) description
//   <ProgID>\CLSID                       (default) class id
//   CLSID\<class id>                     (default) description
//   CLSID\<class id>\ProgID              (default) ProgID
//   CLSID\<class id>\InprocServer32      (default) module path, ThreadingModel
//   CLSID\<class id>\TypeLib             (default) type library id
//   CLSID\<class id>\Version             (default) version
//   CLSID\<class id>\Control             present for a control
//   TypeLib\<id>\<version>               (default) type library name
//   TypeLib\<id>\<version>\0\linux       (default) module path
//
// Modules call registerClass / unregisterClass from their entry points; a
// program registers a module file with registerModule.

#include <string>

namespace com {

struct ClassRegistration {
    std::string progId;   // "Tiraleaf.PopupMenu"
    std::string classId;  // "{5882075B-AE31-47A2-815D-38E15C284A7F}"
    std::string description;
    std::string modulePath;  // absolute path of the module file
    std::string typeLibId;   // empty: no type library
    std::string typeLibName;
    std::string version = "1.0";
    std::string threadingModel = "Apartment";
    bool control = true;
};

// ComException RegistrationFailed with the store's reason.
void registerClass(const ClassRegistration& registration);
// Removes what registerClass wrote; what is missing already is no failure.
void unregisterClass(const ClassRegistration& registration);

struct ClassLocation {
    std::string progId;
    std::string classId;
    std::string modulePath;
};

// ComException ClassNotRegistered when the ProgID, its class id or the
// class's module path is not in the store.
ClassLocation findClass(const std::string& progId);

// The path of the module (or program) holding the address.
std::string modulePathOf(const void* address);

// Loads the module file and runs its register (unregister) entry point.
// ComException ModuleNotLoaded / EntryPointMissing / RegistrationFailed.
void registerModule(const std::string& path);
void unregisterModule(const std::string& path);

}  // namespace com
