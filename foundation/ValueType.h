#pragma once
// The twelve registry value types, each a name and its type number.
// REG_DWORD and REG_DWORD_LITTLE_ENDIAN are two instances of one number.

#include <cstdint>
#include <string>

namespace foundation {

class ValueType {
public:
    static const ValueType REG_NONE;
    static const ValueType REG_SZ;
    static const ValueType REG_EXPAND_SZ;
    static const ValueType REG_BINARY;
    static const ValueType REG_DWORD;
    static const ValueType REG_DWORD_LITTLE_ENDIAN;
    static const ValueType REG_DWORD_BIG_ENDIAN;
    static const ValueType REG_LINK;
    static const ValueType REG_MULTI_SZ;
    static const ValueType REG_RESOURCE_LIST;
    static const ValueType REG_FULL_RESOURCE_DESCRIPTOR;
    static const ValueType REG_RESOURCE_REQUIREMENTS_LIST;

    constexpr ValueType(const char* name, uint32_t number) : m_name(name), m_number(number) {}
    std::string toString() const { return m_name; }
    std::string getName() const { return m_name; }
    constexpr uint32_t getNumber() const { return m_number; }

    // The first instance with the number (REG_DWORD for 4), or nullptr.
    static const ValueType* fromNumber(uint32_t number);

private:
    const char* m_name;
    uint32_t m_number;
};

inline constexpr ValueType ValueType::REG_NONE{"REG_NONE", 0};
inline constexpr ValueType ValueType::REG_SZ{"REG_SZ", 1};
inline constexpr ValueType ValueType::REG_EXPAND_SZ{"REG_EXPAND_SZ", 2};
inline constexpr ValueType ValueType::REG_BINARY{"REG_BINARY", 3};
inline constexpr ValueType ValueType::REG_DWORD{"REG_DWORD", 4};
inline constexpr ValueType ValueType::REG_DWORD_LITTLE_ENDIAN{"REG_DWORD_LITTLE_ENDIAN", 4};
inline constexpr ValueType ValueType::REG_DWORD_BIG_ENDIAN{"REG_DWORD_BIG_ENDIAN", 5};
inline constexpr ValueType ValueType::REG_LINK{"REG_LINK", 6};
inline constexpr ValueType ValueType::REG_MULTI_SZ{"REG_MULTI_SZ", 7};
inline constexpr ValueType ValueType::REG_RESOURCE_LIST{"REG_RESOURCE_LIST", 8};
inline constexpr ValueType ValueType::REG_FULL_RESOURCE_DESCRIPTOR{"REG_FULL_RESOURCE_DESCRIPTOR", 9};
inline constexpr ValueType ValueType::REG_RESOURCE_REQUIREMENTS_LIST{"REG_RESOURCE_REQUIREMENTS_LIST", 10};

}  // namespace foundation
