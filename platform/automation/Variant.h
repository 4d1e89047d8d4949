#pragma once
// A value passed to and from an automation object: nothing, null, a
// boolean, an integer, a text or another automation object.

#include <cstdint>
#include <memory>
#include <string>

namespace automation {

class Dispatch;
using DispatchPtr = std::shared_ptr<Dispatch>;

class Variant {
public:
    enum class Type { Empty, Null, Bool, Int, String, Object };

    Variant() = default;
    Variant(bool value) : m_type(Type::Bool), m_int(value ? 1 : 0) {}
    Variant(int value) : m_type(Type::Int), m_int(value) {}
    Variant(int64_t value) : m_type(Type::Int), m_int(value) {}
    Variant(std::string value) : m_type(Type::String), m_text(std::move(value)) {}
    Variant(const char* value) : m_type(Type::String), m_text(value ? value : "") {}
    // A null object becomes the null value.
    Variant(DispatchPtr object);

    static Variant null();

    Type type() const { return m_type; }
    bool isEmpty() const { return m_type == Type::Empty; }
    // Empty and null both stand for "no value".
    bool isNull() const { return m_type == Type::Empty || m_type == Type::Null; }
    bool isObject() const { return m_type == Type::Object; }

    // Text of a text, integer or boolean ("true"/"false"); "" for no value.
    // An object has no text: AutomationException.
    std::string toString() const;
    // An integer, a boolean as 0/1, or a text holding a whole number;
    // anything else is an AutomationException.
    int64_t toInt() const;
    bool toBool() const;
    // The object; nullptr for no value; AutomationException for others.
    DispatchPtr toDispatch() const;

    bool operator==(const Variant& other) const;

private:
    Type m_type = Type::Empty;
    int64_t m_int = 0;
    std::string m_text;
    DispatchPtr m_object;
};

}  // namespace automation
