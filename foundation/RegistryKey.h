#pragma once
// A registry key named by its root and its path ("\" between sub-keys, ""
// for the root itself). A key object is only a name: it holds no handle and
// may name a key that does not exist. Failures of the registry layer are
// RegistryException.

#include <atomic>
#include <string>

#include "foundation/RegistryException.h"
#include "foundation/RegistryValue.h"
#include "foundation/RootKey.h"

namespace foundation {

class KeyIterator;
class ValueIterator;

class RegistryKey {
public:
    // Every constructor checks that the layer was initialised.
    RegistryKey();                          // current user, ""
    explicit RegistryKey(const std::string& path);  // current user
    explicit RegistryKey(const RootKey& root);
    RegistryKey(const RootKey& root, const std::string& path);

    // The root's name, then "\" and the path when there is one.
    std::string toString() const;
    ValueIterator values() const;
    KeyIterator subkeys() const;
    void setValue(const RegistryValue& value) const;
    // name alone for the root, else path + "\" + name.
    std::string makePath(const std::string& name) const;
    bool hasValues() const;
    bool hasValue(const std::string& name) const;
    bool hasSubkeys() const;
    bool hasSubkey(const std::string& name) const;
    RegistryValue getValue(const std::string& name) const;
    const RootKey& getRootKey() const { return *m_root; }
    const std::string& getPath() const { return m_path; }
    // The last component of the path.
    std::string getName() const;
    bool exists() const;
    void deleteValue(const std::string& name) const;
    // Deletes the key (which must have no sub-keys).
    void deleteKey() const;
    RegistryKey createSubkey(const std::string& name) const;
    // Creates the key and its missing parents.
    void create() const;

    // std::logic_error "You must successfuly call method initialize before
    // calling this method." unless the layer was initialised.
    static void checkInitialized();
    // Binds the layer "winreg"; a layer that cannot be bound throws.
    static void initialize();
    static void initialize(const std::string& libraryName);
    static bool isInitialized() { return c_initSucceeded.load(); }
    // Returns when the layer answers; throws otherwise.
    static void testInitialized();

private:
    const RootKey* m_root;
    std::string m_path;

    static std::atomic<bool> c_initSucceeded;
};

}  // namespace foundation

#include "foundation/KeyIterator.h"
#include "foundation/ValueIterator.h"
