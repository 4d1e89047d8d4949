#pragma once
// Calls a component by dispatch name or id.
//
// The host convention: the ids of the member's name and of its argument
// names are asked first, then the member is called with the arguments
// passed as named arguments in that order:
//
//     automation.invoke("SetUpdateButtonsEnabled",
//                       {{"p_currentEnabled", com::Variant(false)}, {"p_allEnabled", com::Variant(true)}});
//     std::string frequency = automation.getProperty("m_updateFrequency").getString();
//
// Failures are ComExceptions; a call after the site or the automation
// object was disposed is ComError::Disposed.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/Dispatch.h"

namespace com {

class OleControlSite;

class OleAutomation {
public:
    // Bound to the site's control for as long as the site has it.
    explicit OleAutomation(OleControlSite& site);
    // Keeps the object alive.
    explicit OleAutomation(std::shared_ptr<Dispatch> object);

    std::vector<DispId> getIDsOfNames(const std::vector<std::string>& names);
    Variant invoke(DispId member, std::vector<Variant> args = {}, const std::vector<DispId>& namedArgs = {});
    Variant getProperty(DispId property);
    void setProperty(DispId property, const Variant& value);

    Variant invoke(const std::string& member, std::vector<std::pair<std::string, Variant>> namedArgs = {});
    Variant getProperty(const std::string& name);
    void setProperty(const std::string& name, const Variant& value);

    void dispose();

private:
    std::shared_ptr<Dispatch> object();

    std::weak_ptr<Dispatch> m_object;
    std::shared_ptr<Dispatch> m_keep;
    bool m_disposed = false;
};

}  // namespace com
