#include "platform/automation/Variant.h"

#include <charconv>

#include "platform/automation/AutomationException.h"

namespace automation {

Variant::Variant(DispatchPtr object) {
    if (object) {
        m_type = Type::Object;
        m_object = std::move(object);
    } else {
        m_type = Type::Null;
    }
}

Variant Variant::null() {
    Variant v;
    v.m_type = Type::Null;
    return v;
}

std::string Variant::toString() const {
    switch (m_type) {
        case Type::Empty:
        case Type::Null:
            return "";
        case Type::Bool:
            return m_int ? "true" : "false";
        case Type::Int:
            return std::to_string(m_int);
        case Type::String:
            return m_text;
        case Type::Object:
            break;
    }
    throw AutomationException("An object has no text value");
}

int64_t Variant::toInt() const {
    switch (m_type) {
        case Type::Bool:
        case Type::Int:
            return m_int;
        case Type::String: {
            int64_t value = 0;
            auto [end, error] = std::from_chars(m_text.data(), m_text.data() + m_text.size(), value);
            if (error == std::errc() && end == m_text.data() + m_text.size() && !m_text.empty()) return value;
            break;
        }
        default:
            break;
    }
    throw AutomationException("Not a whole number: " + (m_type == Type::String ? "\"" + m_text + "\"" : "no value"));
}

bool Variant::toBool() const {
    switch (m_type) {
        case Type::Bool:
        case Type::Int:
            return m_int != 0;
        case Type::String:
            if (m_text == "true") return true;
            if (m_text == "false") return false;
            break;
        default:
            break;
    }
    throw AutomationException("Not a boolean value");
}

DispatchPtr Variant::toDispatch() const {
    if (m_type == Type::Object) return m_object;
    if (isNull()) return nullptr;
    throw AutomationException("Not an object: \"" + toString() + "\"");
}

bool Variant::operator==(const Variant& other) const {
    return m_type == other.m_type && m_int == other.m_int && m_text == other.m_text && m_object == other.m_object;
}

}  // namespace automation
