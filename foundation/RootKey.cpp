#include "foundation/RootKey.h"

namespace foundation {

const RootKey* RootKey::fromHandle(uint32_t handle) {
    for (const RootKey* key : {&HKEY_CLASSES_ROOT, &HKEY_CURRENT_USER, &HKEY_LOCAL_MACHINE, &HKEY_USERS,
                               &HKEY_PERFORMANCE_DATA, &HKEY_CURRENT_CONFIG, &HKEY_DYN_DATA}) {
        if (key->getHandle() == handle) return key;
    }
    return nullptr;
}

}  // namespace foundation
