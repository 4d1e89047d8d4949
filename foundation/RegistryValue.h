#pragma once
// A named, typed registry value. The data's kind follows the type for values
// read from the registry (text for REG_SZ and REG_EXPAND_SZ, a 32-bit
// integer for REG_DWORD, bytes otherwise); a value made here may hold any
// of the kinds below, and setData never changes the type.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "foundation/ValueType.h"

namespace foundation {

class RegistryValue {
public:
    using Data = std::variant<std::monostate, std::string, bool, int32_t, int64_t, float, double, std::byte,
                              std::vector<uint8_t>>;

    // Every constructor checks that the registry layer was initialised.
    RegistryValue();
    explicit RegistryValue(Data data);
    explicit RegistryValue(const char* data);
    RegistryValue(const std::string& name, Data data);
    RegistryValue(const std::string& name, const char* data);
    RegistryValue(const std::string& name, const ValueType& type, Data data);
    RegistryValue(const std::string& name, bool data);
    RegistryValue(const std::string& name, int32_t data);
    RegistryValue(const std::string& name, int64_t data);
    RegistryValue(const std::string& name, float data);
    RegistryValue(const std::string& name, double data);
    RegistryValue(const std::string& name, std::byte data);

    // "name:TYPE:" and getStringValue().
    std::string toString() const;
    void setType(const ValueType& type) { m_type = &type; }
    void setName(const std::string& name) { m_name = name; }
    void setData(bool data) { m_data = data; }
    void setData(const Data& data) { m_data = data; }
    void setData(const std::string& data) { m_data = data; }
    void setData(const char* data) { m_data = std::string(data); }
    void setData(int64_t data) { m_data = data; }
    void setData(int32_t data) { m_data = data; }
    void setData(float data) { m_data = data; }
    void setData(double data) { m_data = data; }
    void setData(std::byte data) { m_data = data; }
    const ValueType& getType() const { return *m_type; }
    // Text for the text types, the integer in decimal for REG_DWORD, and a
    // blank and the signed decimal value of each byte for the byte-valued
    // types. std::invalid_argument without data; RegistryException for
    // REG_DWORD_BIG_ENDIAN, which has no text form, or data that does not
    // fit the type.
    std::string getStringValue() const;
    const std::string& getName() const { return m_name; }
    const Data& getData() const { return m_data; }

    // The data as a 32-bit integer, absent when it is not one.
    std::optional<int32_t> getIntData() const;
    // The data as the bytes the byte-valued types store (numbers least
    // significant byte first, text as its UTF-8 bytes); absent without data.
    std::optional<std::vector<uint8_t>> getByteData() const;

private:
    std::string m_name;
    const ValueType* m_type = &ValueType::REG_SZ;
    Data m_data;
};

}  // namespace foundation
