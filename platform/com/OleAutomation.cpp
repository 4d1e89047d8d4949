#include "platform/com/OleAutomation.h"

#include "platform/com/ComException.h"
#include "platform/com/OleControlSite.h"

namespace com {

OleAutomation::OleAutomation(OleControlSite& site) : m_object(site.getDispatch()) {
    if (!site.getDispatch()) throw ComException(ComError::Disposed, "The site of " + site.getProgId() + " is disposed");
}

OleAutomation::OleAutomation(std::shared_ptr<Dispatch> object) : m_object(object), m_keep(std::move(object)) {
    if (!m_keep) throw ComException(ComError::Disposed, "No object to automate");
}

std::shared_ptr<Dispatch> OleAutomation::object() {
    std::shared_ptr<Dispatch> live = m_disposed ? nullptr : m_object.lock();
    if (!live) throw ComException(ComError::Disposed, "The automation object is disposed");
    return live;
}

std::vector<DispId> OleAutomation::getIDsOfNames(const std::vector<std::string>& names) {
    return object()->getIDsOfNames(names);
}

Variant OleAutomation::invoke(DispId member, std::vector<Variant> args, const std::vector<DispId>& namedArgs) {
    return object()->invoke(member, InvokeKind::Method, args, namedArgs);
}

Variant OleAutomation::getProperty(DispId property) {
    std::vector<Variant> none;
    return object()->invoke(property, InvokeKind::PropertyGet, none, {});
}

void OleAutomation::setProperty(DispId property, const Variant& value) {
    std::vector<Variant> args{value};
    object()->invoke(property, InvokeKind::PropertyPut, args, {});
}

Variant OleAutomation::invoke(const std::string& member, std::vector<std::pair<std::string, Variant>> namedArgs) {
    std::vector<std::string> names{member};
    std::vector<Variant> args;
    for (auto& [name, value] : namedArgs) {
        names.push_back(name);
        args.push_back(std::move(value));
    }
    std::vector<DispId> ids = getIDsOfNames(names);
    std::vector<DispId> params(ids.begin() + 1, ids.end());
    return invoke(ids[0], std::move(args), params);
}

Variant OleAutomation::getProperty(const std::string& name) { return getProperty(getIDsOfNames({name})[0]); }

void OleAutomation::setProperty(const std::string& name, const Variant& value) {
    setProperty(getIDsOfNames({name})[0], value);
}

void OleAutomation::dispose() {
    m_disposed = true;
    m_keep.reset();
    m_object.reset();
}

}  // namespace com
