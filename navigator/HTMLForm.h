#pragma once
// A form of the page; a form is itself the collection of its fields.

#include <string>

#include "navigator/HTMLElementCollection.h"
#include "platform/automation/Variant.h"

namespace navigator {

class HTMLForm : public HTMLElementCollection {
public:
    explicit HTMLForm(automation::DispatchPtr dispatch) : HTMLElementCollection(std::move(dispatch)) {}

    virtual void submit();
    virtual void setAction(const std::string& action);
    virtual automation::Variant getOnSubmit();
    virtual std::string getAction();
};

}  // namespace navigator
