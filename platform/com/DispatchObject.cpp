#include "platform/com/DispatchObject.h"

#include <algorithm>
#include <exception>

#include "platform/com/ComException.h"

namespace com {

namespace {

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string hex(DispId id) {
    static const char* digits = "0123456789ABCDEF";
    std::string out = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) out += digits[(static_cast<uint32_t>(id) >> shift) & 0xF];
    return out;
}

}  // namespace

Dispatch::~Dispatch() = default;
EventSink::~EventSink() = default;

void DispatchObject::defineMethod(const std::string& name, DispId id, std::vector<std::string> parameters, Body body) {
    Member m;
    m.name = name;
    m.id = id;
    m.parameters = std::move(parameters);
    m.body = std::move(body);
    m_members[id] = std::move(m);
}

void DispatchObject::defineProperty(const std::string& name, DispId id, Getter get, Setter put) {
    Member m;
    m.name = name;
    m.id = id;
    m.property = true;
    m.get = std::move(get);
    m.put = std::move(put);
    m_members[id] = std::move(m);
}

std::vector<std::string> DispatchObject::memberNames() const {
    std::vector<std::string> names;
    for (auto& [id, m] : m_members) names.push_back(m.name);
    return names;
}

std::vector<DispId> DispatchObject::getIDsOfNames(const std::vector<std::string>& names) {
    if (names.empty()) throw ComException(ComError::UnknownName, "No member name given");
    const Member* found = nullptr;
    for (auto& [id, m] : m_members) {
        if (sameName(m.name, names[0])) {
            found = &m;
            break;
        }
    }
    if (!found) throw ComException(ComError::UnknownName, "Unknown name: " + names[0]);
    std::vector<DispId> ids{found->id};
    for (size_t i = 1; i < names.size(); ++i) {
        auto p = std::find_if(found->parameters.begin(), found->parameters.end(),
                              [&](const std::string& param) { return sameName(param, names[i]); });
        if (p == found->parameters.end()) {
            throw ComException(ComError::UnknownName,
                               "Unknown name: " + names[i] + " (a parameter of " + found->name + ")");
        }
        ids.push_back(static_cast<DispId>(p - found->parameters.begin()));
    }
    return ids;
}

DispatchObject::Member& DispatchObject::member(DispId id, const char* what) {
    auto found = m_members.find(id);
    if (found == m_members.end()) {
        throw ComException(ComError::MemberNotFound, std::string("No ") + what + " has the id " + hex(id));
    }
    return found->second;
}

Variant DispatchObject::invoke(DispId id, InvokeKind kind, std::vector<Variant>& args,
                               const std::vector<DispId>& namedArgs) {
    Member& m = member(id, kind == InvokeKind::Method ? "method" : "property");
    try {
        if (kind == InvokeKind::Method) {
            if (m.property) throw ComException(ComError::MemberNotFound, m.name + " is a property, not a method");
            return call(m, args, namedArgs);
        }
        if (!m.property) throw ComException(ComError::MemberNotFound, m.name + " is a method, not a property");
        if (kind == InvokeKind::PropertyGet) {
            if (!args.empty()) throw ComException(ComError::BadParamCount, m.name + " takes no arguments");
            return m.get();
        }
        if (args.size() != 1) throw ComException(ComError::BadParamCount, m.name + " is set from one value");
        m.put(args[0]);
        return Variant();
    } catch (const ComException&) {
        throw;
    } catch (const std::exception& failure) {
        throw ComException(ComError::Exception, m.name + " failed: " + failure.what());
    } catch (...) {
        throw ComException(ComError::Exception, m.name + " failed");
    }
}

Variant DispatchObject::call(Member& m, std::vector<Variant>& args, const std::vector<DispId>& namedArgs) {
    if (args.size() > m.parameters.size()) {
        throw ComException(ComError::BadParamCount, m.name + " takes " + std::to_string(m.parameters.size()) +
                                                        " arguments, not " + std::to_string(args.size()));
    }
    if (!namedArgs.empty() && namedArgs.size() != args.size()) {
        throw ComException(ComError::BadParamCount, m.name + ": one parameter id is needed for each argument");
    }
    std::vector<Variant*> bound(m.parameters.size(), nullptr);
    for (size_t i = 0; i < args.size(); ++i) {
        size_t slot = i;
        if (!namedArgs.empty()) {
            DispId param = namedArgs[i];
            if (param < 0 || static_cast<size_t>(param) >= m.parameters.size()) {
                throw ComException(ComError::ParamNotFound,
                                   m.name + " has no parameter with the id " + std::to_string(param));
            }
            slot = static_cast<size_t>(param);
        }
        if (bound[slot] != nullptr) {
            throw ComException(ComError::BadParamCount, m.name + ": " + m.parameters[slot] + " is given twice");
        }
        bound[slot] = &args[i];
    }
    for (size_t i = 0; i < bound.size(); ++i) {
        if (bound[i] == nullptr)
            throw ComException(ComError::BadParamCount, m.name + ": " + m.parameters[i] + " is missing");
    }
    Arguments arguments(std::move(bound));
    return m.body(arguments);
}

}  // namespace com
