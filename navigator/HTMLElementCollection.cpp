#include "navigator/HTMLElementCollection.h"

#include "platform/automation/AutomationException.h"
#include "platform/automation/Names.h"

namespace navigator {

using automation::DispatchPtr;
using automation::Variant;
using automation::lowerCase;

HTMLElementCollection::HTMLElementCollection(DispatchPtr dispatch) : m_dispatch(std::move(dispatch)) {
    if (!m_dispatch) throw automation::AutomationException("No collection to wrap");
}

DispatchPtr HTMLElementCollection::found(DispatchPtr element, const std::string& what) {
    if (!element) throw automation::AutomationException("Not on the page: " + what);
    return element;
}

void HTMLElementCollection::setInputTextElementValue(const std::string& name, const std::string& value) {
    found(getItem(name), "element \"" + name + "\"")->put("Value", Variant(value));
}

void HTMLElementCollection::setElementAttributeValue(const std::string& name, const std::string& attribute,
                                                     const std::string& value) {
    found(getItem(name), "element \"" + name + "\"")->put(attribute, Variant(value));
}

int HTMLElementCollection::getLength() { return static_cast<int>(m_dispatch->get("Length").toInt()); }

DispatchPtr HTMLElementCollection::getItem(const std::optional<std::string>& tag, const std::string& attribute,
                                           const std::string& value, bool exact) {
    const std::string lowered = lowerCase(value);
    // A TYPE is a keyword the browser reports in its own letter case,
    // whatever the page wrote; every other value compares exactly.
    const bool keyword = lowerCase(attribute) == "type";
    const std::string wantedTag = tag ? lowerCase(*tag) : "";
    const int length = getLength();
    for (int i = 0; i < length; ++i) {
        DispatchPtr element = getItem(i);
        if (!element) continue;
        if (tag) {
            Variant tagName = element->get("tagName");
            if (tagName.isNull() || lowerCase(tagName.toString()) != wantedTag) continue;
        }
        Variant property = element->get(attribute);
        if (property.isObject()) continue;
        const std::string text = property.toString();
        if (text == value || (keyword && lowerCase(text) == lowered)) return element;
        if (!exact && lowerCase(text).find(lowered) != std::string::npos) return element;
    }
    return nullptr;
}

DispatchPtr HTMLElementCollection::getItem(const std::optional<std::string>& tag, const std::string& attribute,
                                           const std::string& value) {
    return getItem(tag, attribute, value, false);
}

DispatchPtr HTMLElementCollection::getItem(const std::string& name) {
    return m_dispatch->call("Item", {Variant(name)}).toDispatch();
}

DispatchPtr HTMLElementCollection::getItem(int index) {
    return m_dispatch->call("Item", {Variant(index)}).toDispatch();
}

void HTMLElementCollection::clickInputSubmitElement() { clickElement("INPUT", "TYPE", "Submit"); }

void HTMLElementCollection::clickInputElementBasedOnValue(const std::string& value) {
    clickElement("INPUT", "VALUE", value);
}

void HTMLElementCollection::clickInputElementBasedOnSrc(const std::string& value) {
    clickElement("INPUT", "SRC", value);
}

void HTMLElementCollection::clickInputElementBasedOnName(const std::string& value) {
    clickElement("INPUT", "NAME", value);
}

void HTMLElementCollection::clickElement(const std::optional<std::string>& tag, const std::string& attribute,
                                         const std::string& value) {
    const bool exact = lowerCase(attribute) != "src";
    DispatchPtr element = getItem(tag, attribute, value, exact);
    found(element, (tag ? *tag : std::string("element")) + " with " + attribute + " \"" + value + "\"")
        ->call("Click");
}

void HTMLElementCollection::clickElement(const std::string& attribute, const std::string& value) {
    clickElement(std::nullopt, attribute, value);
}

void HTMLElementCollection::clickElement(const std::string& name) {
    found(getItem(name), "element \"" + name + "\"")->call("Click");
}

void HTMLElementCollection::clickInputElementBasedOnType(const std::string& value) {
    clickElement("INPUT", "TYPE", value);
}

}  // namespace navigator
