#include "navigator/HTMLForm.h"

namespace navigator {

void HTMLForm::submit() { m_dispatch->call("Submit"); }

void HTMLForm::setAction(const std::string& action) { m_dispatch->put("Action", automation::Variant(action)); }

automation::Variant HTMLForm::getOnSubmit() { return m_dispatch->get("OnSubmit"); }

std::string HTMLForm::getAction() { return m_dispatch->get("Action").toString(); }

}  // namespace navigator
