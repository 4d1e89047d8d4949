#pragma once
// A value passed to and from a component: nothing, a boolean, a 16- or
// 32-bit whole number or a text (UTF-8). A variant may instead refer to the
// caller's storage of one of these types (an argument passed by reference):
// reading follows the reference and set() writes through it, converting to
// the referred type.
//
//     std::string url;
//     std::vector<com::Variant> args{com::Variant::byRef(url)};
//     ... the callee does args[0].set(com::Variant("http://..."));  // url changes

#include <cstdint>
#include <string>
#include <variant>

namespace com {

enum class VarType { Empty, Bool, Short, Int, String };

class Variant {
public:
    Variant() = default;
    Variant(bool value) : m_value(value) {}
    Variant(int16_t value) : m_value(value) {}
    Variant(int32_t value) : m_value(value) {}
    Variant(std::string value) : m_value(std::move(value)) {}
    Variant(const char* value) : m_value(std::string(value)) {}

    static Variant byRef(std::string& target);
    static Variant byRef(bool& target);
    static Variant byRef(int16_t& target);
    static Variant byRef(int32_t& target);
    // A reference to another variant (which must not itself be one).
    static Variant byRef(Variant& target);

    bool isByRef() const { return m_ref.index() != 0; }
    // The type of the value, behind a reference too.
    VarType getType() const;
    bool isEmpty() const { return getType() == VarType::Empty; }

    // The value converted; ComException TypeMismatch when it does not
    // convert, Overflow when a number does not fit. Texts convert to
    // booleans from "true"/"false" (any case) and to numbers from decimal
    // whole numbers with an optional sign; booleans to numbers as -1 and 0.
    bool getBoolean() const;
    int16_t getShort() const;
    int32_t getInt() const;
    std::string getString() const;

    // The value behind a reference, as a variant of its own.
    Variant value() const;
    // Stores a value: through the reference (converted to the referred
    // type), or into this variant.
    void set(const Variant& value);

    bool operator==(const Variant& other) const;

private:
    using Value = std::variant<std::monostate, bool, int16_t, int32_t, std::string>;
    using Ref = std::variant<std::monostate, bool*, int16_t*, int32_t*, std::string*, Variant*>;

    Value m_value;
    Ref m_ref;
};

// "Empty", "true", "12", "\"text\"", with "&" before a reference.
std::string describe(const Variant& variant);

}  // namespace com
