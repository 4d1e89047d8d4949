#pragma once
// Base of a component's class: its dispatch interface described as a table
// of members, each with its id, its parameter names and a body.
//
//     class Counter : public com::DispatchObject {
//     public:
//         Counter() {
//             defineProperty("m_count", 0x40030001, [this] { return com::Variant(m_count); },
//                            [this](const com::Variant& v) { m_count = v.getInt(); });
//             defineMethod("Add", 0x60030001, {"p_amount"}, [this](com::Arguments& a) {
//                 m_count += a.getInt(0);
//                 return com::Variant();
//             });
//         }
//     };
//
// Arguments are bound to parameters by name or position before the body
// runs; a missing argument is BadParamCount, an unknown name ParamNotFound.
// A failure of a body reaches the caller as ComError::Exception with the
// failure's text (a ComException passes through as it is).

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/com/Dispatch.h"

namespace com {

// The arguments of one call, in the order of the member's parameters.
class Arguments {
public:
    explicit Arguments(std::vector<Variant*> bound) : m_bound(std::move(bound)) {}
    size_t size() const { return m_bound.size(); }
    Variant& operator[](size_t index) { return *m_bound.at(index); }
    std::string getString(size_t index) const { return m_bound.at(index)->getString(); }
    bool getBoolean(size_t index) const { return m_bound.at(index)->getBoolean(); }
    int32_t getInt(size_t index) const { return m_bound.at(index)->getInt(); }

private:
    std::vector<Variant*> m_bound;
};

class DispatchObject : public virtual Dispatch {
public:
    using Body = std::function<Variant(Arguments&)>;
    using Getter = std::function<Variant()>;
    using Setter = std::function<void(const Variant&)>;

    std::vector<DispId> getIDsOfNames(const std::vector<std::string>& names) override;
    Variant invoke(DispId member, InvokeKind kind, std::vector<Variant>& args,
                   const std::vector<DispId>& namedArgs) override;

    // The member names in id order, for descriptions and tests.
    std::vector<std::string> memberNames() const;

protected:
    DispatchObject() = default;
    void defineMethod(const std::string& name, DispId id, std::vector<std::string> parameters, Body body);
    void defineProperty(const std::string& name, DispId id, Getter get, Setter put);

private:
    struct Member {
        std::string name;
        DispId id = 0;
        bool property = false;
        std::vector<std::string> parameters;
        Body body;
        Getter get;
        Setter put;
    };
    Member& member(DispId id, const char* what);
    Variant call(Member& member, std::vector<Variant>& args, const std::vector<DispId>& namedArgs);

    std::map<DispId, Member> m_members;
};

}  // namespace com
