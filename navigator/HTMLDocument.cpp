#include "navigator/HTMLDocument.h"

#include "navigator/HTMLImages.h"
#include "platform/automation/AutomationException.h"

namespace navigator {

using automation::DispatchPtr;
using automation::Variant;

HTMLDocument::HTMLDocument(DispatchPtr dispatch) : m_dispatch(std::move(dispatch)) {
    if (!m_dispatch) throw automation::AutomationException("The browser has no document");
}

DispatchPtr HTMLDocument::object(const std::string& property, const std::string& what) {
    DispatchPtr value = m_dispatch->get(property).toDispatch();
    if (!value) throw automation::AutomationException("Not on the page: " + what);
    return value;
}

void HTMLDocument::setCookie(const std::string& value) { m_dispatch->put("Cookie", Variant(value)); }

std::shared_ptr<HTMLElementCollection> HTMLDocument::frame(const Variant& key, const std::string& what) {
    DispatchPtr found = object("Frames", "frames")->call("Item", {key}).toDispatch();
    if (!found) throw automation::AutomationException("Not on the page: frame " + what);
    return std::make_shared<HTMLElementCollection>(found);
}

std::shared_ptr<HTMLElementCollection> HTMLDocument::getFrame(const std::string& name) {
    return frame(Variant(name), "\"" + name + "\"");
}

std::shared_ptr<HTMLElementCollection> HTMLDocument::getFrame(int index) {
    return frame(Variant(index), std::to_string(index));
}

std::shared_ptr<HTMLElementCollection> HTMLDocument::getForms() {
    return std::make_shared<HTMLElementCollection>(object("Forms", "forms"));
}

std::shared_ptr<HTMLForm> HTMLDocument::form(const Variant& key, const std::string& what) {
    DispatchPtr found = object("Forms", "forms")->call("Item", {key}).toDispatch();
    if (!found) throw automation::AutomationException("Not on the page: form " + what);
    return std::make_shared<HTMLForm>(found);
}

std::shared_ptr<HTMLForm> HTMLDocument::getForm(const std::string& name) { return form(Variant(name), "\"" + name + "\""); }

std::shared_ptr<HTMLForm> HTMLDocument::getForm(int index) { return form(Variant(index), std::to_string(index)); }

std::string HTMLDocument::getDocumentElementInnerHTML() {
    return object("DocumentElement", "document element")->get("innerHTML").toString();
}

std::string HTMLDocument::getBodyInnerHTML() { return object("Body", "body")->get("innerHTML").toString(); }

std::shared_ptr<HTMLElementCollection> HTMLDocument::getAll() {
    return std::make_shared<HTMLElementCollection>(object("All", "all elements"));
}

void HTMLDocument::clickImageBasedOnSrc(const std::string& src) {
    HTMLImages(object("Images", "images")).clickBasedOnSrc(src);
}

std::shared_ptr<HTMLElementCollection> HTMLDocument::getFrames() {
    return std::make_shared<HTMLElementCollection>(object("Frames", "frames"));
}

}  // namespace navigator
