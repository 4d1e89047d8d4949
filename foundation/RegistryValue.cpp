#include "foundation/RegistryValue.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "foundation/RegistryException.h"
#include "foundation/RegistryKey.h"

namespace foundation {

namespace {

template <class T>
std::vector<uint8_t> littleEndian(T value) {
    std::vector<uint8_t> out(sizeof(T));
    std::memcpy(out.data(), &value, sizeof(T));
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    std::reverse(out.begin(), out.end());
#endif
    return out;
}

// As a stream writes it ("%g"), with "." whatever the locale.
std::string numberText(double value) {
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
    return std::string(buf, result.ptr);
}

}  // namespace

RegistryValue::RegistryValue() { RegistryKey::checkInitialized(); }

RegistryValue::RegistryValue(Data data) : m_data(std::move(data)) { RegistryKey::checkInitialized(); }

RegistryValue::RegistryValue(const char* data) : m_data(std::string(data)) { RegistryKey::checkInitialized(); }

RegistryValue::RegistryValue(const std::string& name, Data data) : m_name(name), m_data(std::move(data)) {
    RegistryKey::checkInitialized();
}

RegistryValue::RegistryValue(const std::string& name, const char* data) : m_name(name), m_data(std::string(data)) {
    RegistryKey::checkInitialized();
}

RegistryValue::RegistryValue(const std::string& name, const ValueType& type, Data data)
    : m_name(name), m_type(&type), m_data(std::move(data)) {
    RegistryKey::checkInitialized();
}

RegistryValue::RegistryValue(const std::string& name, bool data)
    : m_name(name), m_type(&ValueType::REG_DWORD), m_data(data) {
    RegistryKey::checkInitialized();
}

RegistryValue::RegistryValue(const std::string& name, int32_t data)
    : m_name(name), m_type(&ValueType::REG_DWORD), m_data(data) {
    RegistryKey::checkInitialized();
}

RegistryValue::RegistryValue(const std::string& name, int64_t data)
    : m_name(name), m_type(&ValueType::REG_DWORD), m_data(data) {
    RegistryKey::checkInitialized();
}

RegistryValue::RegistryValue(const std::string& name, float data)
    : m_name(name), m_type(&ValueType::REG_BINARY), m_data(data) {
    RegistryKey::checkInitialized();
}

RegistryValue::RegistryValue(const std::string& name, double data)
    : m_name(name), m_type(&ValueType::REG_BINARY), m_data(data) {
    RegistryKey::checkInitialized();
}

RegistryValue::RegistryValue(const std::string& name, std::byte data)
    : m_name(name), m_type(&ValueType::REG_BINARY), m_data(data) {
    RegistryKey::checkInitialized();
}

std::optional<int32_t> RegistryValue::getIntData() const {
    if (auto* v = std::get_if<int32_t>(&m_data)) return *v;
    if (auto* v = std::get_if<int64_t>(&m_data)) {
        if (*v >= std::numeric_limits<int32_t>::min() && *v <= std::numeric_limits<int32_t>::max()) {
            return static_cast<int32_t>(*v);
        }
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> RegistryValue::getByteData() const {
    struct Visit {
        std::optional<std::vector<uint8_t>> operator()(std::monostate) const { return std::nullopt; }
        std::optional<std::vector<uint8_t>> operator()(const std::string& s) const {
            return std::vector<uint8_t>(s.begin(), s.end());
        }
        std::optional<std::vector<uint8_t>> operator()(bool b) const { return std::vector<uint8_t>{b ? uint8_t{1} : uint8_t{0}}; }
        std::optional<std::vector<uint8_t>> operator()(int32_t v) const { return littleEndian(v); }
        std::optional<std::vector<uint8_t>> operator()(int64_t v) const { return littleEndian(v); }
        std::optional<std::vector<uint8_t>> operator()(float v) const { return littleEndian(v); }
        std::optional<std::vector<uint8_t>> operator()(double v) const { return littleEndian(v); }
        std::optional<std::vector<uint8_t>> operator()(std::byte v) const {
            return std::vector<uint8_t>{static_cast<uint8_t>(v)};
        }
        std::optional<std::vector<uint8_t>> operator()(const std::vector<uint8_t>& v) const { return v; }
    };
    return std::visit(Visit{}, m_data);
}

std::string RegistryValue::getStringValue() const {
    if (std::holds_alternative<std::monostate>(m_data)) {
        throw std::invalid_argument("Neither name not data may be null");
    }
    switch (m_type->getNumber()) {
        case 1:  // REG_SZ
        case 2:  // REG_EXPAND_SZ
            if (auto* s = std::get_if<std::string>(&m_data)) return *s;
            if (auto* b = std::get_if<bool>(&m_data)) return *b ? "true" : "false";
            if (auto i = getIntData()) return std::to_string(*i);
            if (auto* v = std::get_if<int64_t>(&m_data)) return std::to_string(*v);
            if (auto* v = std::get_if<float>(&m_data)) return numberText(*v);
            if (auto* v = std::get_if<double>(&m_data)) return numberText(*v);
            throw RegistryException("Data of " + m_name + " is not text");
        case 4:  // REG_DWORD, REG_DWORD_LITTLE_ENDIAN
            if (auto i = getIntData()) return std::to_string(*i);
            if (auto* v = std::get_if<int64_t>(&m_data)) return std::to_string(*v);
            if (auto* b = std::get_if<bool>(&m_data)) return *b ? "1" : "0";
            if (auto* v = std::get_if<std::byte>(&m_data)) return std::to_string(static_cast<int8_t>(*v));
            throw RegistryException("Data of " + m_name + " is not an integer");
        case 0:
        case 3:
        case 6:
        case 7:
        case 8:
        case 9:
        case 10: {
            std::string out;
            const std::vector<uint8_t> bytes = getByteData().value_or(std::vector<uint8_t>{});
            for (uint8_t b : bytes) out += " " + std::to_string(static_cast<int8_t>(b));
            return out;
        }
        default:
            break;
    }
    throw RegistryException("Unrecognized data type: " + m_type->getName());
}

std::string RegistryValue::toString() const { return m_name + ":" + m_type->getName() + ":" + getStringValue(); }

}  // namespace foundation
