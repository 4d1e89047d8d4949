#include "foundation/ValueType.h"

namespace foundation {

const ValueType* ValueType::fromNumber(uint32_t number) {
    for (const ValueType* type :
         {&REG_NONE, &REG_SZ, &REG_EXPAND_SZ, &REG_BINARY, &REG_DWORD, &REG_DWORD_BIG_ENDIAN, &REG_LINK,
          &REG_MULTI_SZ, &REG_RESOURCE_LIST, &REG_FULL_RESOURCE_DESCRIPTOR, &REG_RESOURCE_REQUIREMENTS_LIST}) {
        if (type->getNumber() == number) return type;
    }
    return nullptr;
}

}  // namespace foundation
