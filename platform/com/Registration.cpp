#include "platform/com/Registration.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <exception>
#include <optional>
#include <stdexcept>

#include "platform/com/ComException.h"
#include "platform/com/Module.h"
#include "platform/registry/Registry.h"

namespace com {

namespace {

constexpr uint32_t kRoot = reg::HKEY_CLASSES_ROOT;

void setDefault(const std::string& path, const std::string& text) {
    reg::create(kRoot, path);
    reg::Value value;
    value.name = "";
    value.type = reg::REG_SZ;
    value.text = text;
    reg::setValue(kRoot, path, value);
}

void setText(const std::string& path, const std::string& name, const std::string& text) {
    reg::Value value;
    value.name = name;
    value.type = reg::REG_SZ;
    value.text = text;
    reg::setValue(kRoot, path, value);
}

// The key's default text; nothing when the key or the value is missing.
std::optional<std::string> defaultOf(const std::string& path) {
    if (!reg::hasValue(kRoot, path, "")) return std::nullopt;
    return reg::getValue(kRoot, path, "").text;
}

void deleteTree(const std::string& path) {
    if (!reg::exists(kRoot, path)) return;
    for (const std::string& child : reg::subkeyNames(kRoot, path)) deleteTree(path + "\\" + child);
    reg::deleteKey(kRoot, path);
}

void checkName(const std::string& what, const std::string& text) {
    if (text.empty() || text.find('\\') != std::string::npos) {
        throw ComException(ComError::RegistrationFailed,
                           "Cannot register: the " + what + " \"" + text + "\" is not usable");
    }
}

}  // namespace

void registerClass(const ClassRegistration& r) {
    checkName("ProgID", r.progId);
    checkName("class id", r.classId);
    if (r.modulePath.empty())
        throw ComException(ComError::RegistrationFailed, "Cannot register " + r.progId + ": no module path");
    try {
        const std::string cls = "CLSID\\" + r.classId;
        setDefault(r.progId, r.description);
        setDefault(r.progId + "\\CLSID", r.classId);
        setDefault(cls, r.description);
        setDefault(cls + "\\ProgID", r.progId);
        setDefault(cls + "\\InprocServer32", r.modulePath);
        setText(cls + "\\InprocServer32", "ThreadingModel", r.threadingModel);
        setDefault(cls + "\\Version", r.version);
        if (r.control) reg::create(kRoot, cls + "\\Control");
        if (!r.typeLibId.empty()) {
            checkName("type library id", r.typeLibId);
            const std::string lib = "TypeLib\\" + r.typeLibId + "\\" + r.version;
            setDefault(cls + "\\TypeLib", r.typeLibId);
            setDefault(lib, r.typeLibName);
            setDefault(lib + "\\0\\linux", r.modulePath);
        }
    } catch (const ComException&) {
        throw;
    } catch (const std::exception& failure) {
        throw ComException(ComError::RegistrationFailed, "Cannot register " + r.progId + ": " + failure.what());
    }
}

void unregisterClass(const ClassRegistration& r) {
    checkName("ProgID", r.progId);
    checkName("class id", r.classId);
    try {
        // The ProgID goes only while it still names this class.
        std::optional<std::string> named = defaultOf(r.progId + "\\CLSID");
        if (!named || *named == r.classId) deleteTree(r.progId);
        deleteTree("CLSID\\" + r.classId);
        if (!r.typeLibId.empty()) {
            const std::string lib = "TypeLib\\" + r.typeLibId;
            deleteTree(lib + "\\" + r.version);
            if (reg::exists(kRoot, lib) && !reg::hasSubkeys(kRoot, lib) && !reg::hasValues(kRoot, lib)) {
                reg::deleteKey(kRoot, lib);
            }
        }
    } catch (const ComException&) {
        throw;
    } catch (const std::exception& failure) {
        throw ComException(ComError::RegistrationFailed, "Cannot unregister " + r.progId + ": " + failure.what());
    }
}

ClassLocation findClass(const std::string& progId) {
    ClassLocation location;
    location.progId = progId;
    try {
        if (progId.empty() || progId.find('\\') != std::string::npos) throw std::invalid_argument("not a ProgID");
        std::optional<std::string> classId = defaultOf(progId + "\\CLSID");
        if (!classId || classId->empty()) throw std::invalid_argument("no class id");
        location.classId = *classId;
        std::optional<std::string> path = defaultOf("CLSID\\" + *classId + "\\InprocServer32");
        if (!path || path->empty()) throw std::invalid_argument("class " + *classId + " has no module");
        location.modulePath = *path;
    } catch (const std::exception& failure) {
        throw ComException(ComError::ClassNotRegistered,
                           "Class not registered: " + progId + " (" + failure.what() + ")");
    }
    return location;
}

std::string modulePathOf(const void* address) {
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return "";
    char resolved[PATH_MAX];
    if (::realpath(info.dli_fname, resolved) == nullptr) return info.dli_fname;
    return resolved;
}

void registerModule(const std::string& path) { Module::load(path)->registerServer(); }

void unregisterModule(const std::string& path) { Module::load(path)->unregisterServer(); }

}  // namespace com
