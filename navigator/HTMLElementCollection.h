#pragma once
// A collection of the page (the document's "All", a form, the frames or
// the images, or a frame) reached by name: fields are found and filled,
// buttons found and clicked. Nothing is cached; each call asks the page.

#include <optional>
#include <string>

#include "platform/automation/Dispatch.h"

namespace navigator {

class HTMLElementCollection {
public:
    explicit HTMLElementCollection(automation::DispatchPtr dispatch);
    virtual ~HTMLElementCollection() = default;

    virtual void setInputTextElementValue(const std::string& name, const std::string& value);
    virtual void setElementAttributeValue(const std::string& name, const std::string& attribute,
                                          const std::string& value);
    virtual int getLength();
    // The first element in collection order whose property `attribute`
    // matches value: the same text (as given or in lower case), or with
    // exact false, a text that contains the value in any letter case. With
    // a tag, only elements of that tag name (any letter case) count.
    // nullptr when none matches.
    virtual automation::DispatchPtr getItem(const std::optional<std::string>& tag, const std::string& attribute,
                                            const std::string& value, bool exact);
    virtual automation::DispatchPtr getItem(const std::optional<std::string>& tag, const std::string& attribute,
                                            const std::string& value);
    // What the page's own "Item" answers for the name or the index.
    virtual automation::DispatchPtr getItem(const std::string& name);
    virtual automation::DispatchPtr getItem(int index);
    virtual void clickInputSubmitElement();
    virtual void clickInputElementBasedOnValue(const std::string& value);
    virtual void clickInputElementBasedOnSrc(const std::string& value);
    virtual void clickInputElementBasedOnName(const std::string& value);
    // Exact matching except for image sources ("src" in any case).
    virtual void clickElement(const std::optional<std::string>& tag, const std::string& attribute,
                              const std::string& value);
    virtual void clickElement(const std::string& attribute, const std::string& value);
    virtual void clickElement(const std::string& name);
    virtual void clickInputElementBasedOnType(const std::string& value);

    const automation::DispatchPtr& dispatch() const { return m_dispatch; }

protected:
    // The element, or a failure naming what was looked for.
    static automation::DispatchPtr found(automation::DispatchPtr element, const std::string& what);

    automation::DispatchPtr m_dispatch;
};

}  // namespace navigator
