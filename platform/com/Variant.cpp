#include "platform/com/Variant.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <limits>

#include "platform/com/ComException.h"
#include "platform/system/Ascii.h"
#include "platform/system/NumberText.h"

namespace com {

namespace {

[[noreturn]] void mismatch(const std::string& what) {
    throw ComException(ComError::TypeMismatch, "Type mismatch: " + what);
}

int32_t parseWhole(const std::string& text) {
    size_t start = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t");
    if (start == std::string::npos) mismatch("\"" + text + "\" is not a number");
    std::string body = text.substr(start, end - start + 1);
    size_t digits = (body[0] == '-' || body[0] == '+') ? 1 : 0;
    if (digits == body.size()) mismatch("\"" + text + "\" is not a number");
    for (size_t i = digits; i < body.size(); ++i) {
        if (body[i] < '0' || body[i] > '9') mismatch("\"" + text + "\" is not a number");
    }
    const std::optional<int32_t> value = sys::parseNumber<int32_t>(body);
    if (!value) throw ComException(ComError::Overflow, "Overflow: " + text);
    return *value;
}

}  // namespace

Variant Variant::byRef(std::string& target) {
    Variant v;
    v.m_ref = &target;
    return v;
}

Variant Variant::byRef(bool& target) {
    Variant v;
    v.m_ref = &target;
    return v;
}

Variant Variant::byRef(int16_t& target) {
    Variant v;
    v.m_ref = &target;
    return v;
}

Variant Variant::byRef(int32_t& target) {
    Variant v;
    v.m_ref = &target;
    return v;
}

Variant Variant::byRef(Variant& target) {
    if (target.isByRef()) return target;
    Variant v;
    v.m_ref = &target;
    return v;
}

Variant Variant::value() const {
    switch (m_ref.index()) {
        case 1:
            return Variant(*std::get<bool*>(m_ref));
        case 2:
            return Variant(*std::get<int16_t*>(m_ref));
        case 3:
            return Variant(*std::get<int32_t*>(m_ref));
        case 4:
            return Variant(*std::get<std::string*>(m_ref));
        case 5:
            return std::get<Variant*>(m_ref)->value();
        default:
            break;
    }
    Variant copy;
    copy.m_value = m_value;
    return copy;
}

VarType Variant::getType() const {
    if (isByRef()) return value().getType();
    switch (m_value.index()) {
        case 1:
            return VarType::Bool;
        case 2:
            return VarType::Short;
        case 3:
            return VarType::Int;
        case 4:
            return VarType::String;
        default:
            return VarType::Empty;
    }
}

bool Variant::getBoolean() const {
    if (isByRef()) return value().getBoolean();
    switch (m_value.index()) {
        case 1:
            return std::get<bool>(m_value);
        case 2:
            return std::get<int16_t>(m_value) != 0;
        case 3:
            return std::get<int32_t>(m_value) != 0;
        case 4: {
            const std::string& text = std::get<std::string>(m_value);
            if (sys::equalsIgnoreAsciiCase(text, "true")) return true;
            if (sys::equalsIgnoreAsciiCase(text, "false")) return false;
            mismatch("\"" + text + "\" is not a boolean");
        }
        default:
            return false;
    }
}

int32_t Variant::getInt() const {
    if (isByRef()) return value().getInt();
    switch (m_value.index()) {
        case 1:
            return std::get<bool>(m_value) ? -1 : 0;
        case 2:
            return std::get<int16_t>(m_value);
        case 3:
            return std::get<int32_t>(m_value);
        case 4:
            return parseWhole(std::get<std::string>(m_value));
        default:
            return 0;
    }
}

int16_t Variant::getShort() const {
    int32_t whole = getInt();
    if (whole < std::numeric_limits<int16_t>::min() || whole > std::numeric_limits<int16_t>::max()) {
        throw ComException(ComError::Overflow, "Overflow: " + std::to_string(whole));
    }
    return static_cast<int16_t>(whole);
}

std::string Variant::getString() const {
    if (isByRef()) return value().getString();
    switch (m_value.index()) {
        case 1:
            return std::get<bool>(m_value) ? "true" : "false";
        case 2:
            return std::to_string(std::get<int16_t>(m_value));
        case 3:
            return std::to_string(std::get<int32_t>(m_value));
        case 4:
            return std::get<std::string>(m_value);
        default:
            return "";
    }
}

void Variant::set(const Variant& source) {
    Variant plain = source.value();
    switch (m_ref.index()) {
        case 1:
            *std::get<bool*>(m_ref) = plain.getBoolean();
            return;
        case 2:
            *std::get<int16_t*>(m_ref) = plain.getShort();
            return;
        case 3:
            *std::get<int32_t*>(m_ref) = plain.getInt();
            return;
        case 4:
            *std::get<std::string*>(m_ref) = plain.getString();
            return;
        case 5:
            *std::get<Variant*>(m_ref) = plain;
            return;
        default:
            break;
    }
    m_value = plain.m_value;
}

bool Variant::operator==(const Variant& other) const {
    Variant a = value();
    Variant b = other.value();
    return a.m_value == b.m_value;
}

std::string describe(const Variant& variant) {
    std::string prefix = variant.isByRef() ? "&" : "";
    switch (variant.getType()) {
        case VarType::Empty:
            return prefix + "Empty";
        case VarType::String:
            return prefix + "\"" + variant.getString() + "\"";
        default:
            return prefix + variant.getString();
    }
}

}  // namespace com
