#pragma once
// The page's document: its collections, forms, frames and markup.

#include <memory>
#include <string>

#include "navigator/HTMLElementCollection.h"
#include "navigator/HTMLForm.h"

namespace navigator {

class HTMLDocument {
public:
    explicit HTMLDocument(automation::DispatchPtr dispatch);
    virtual ~HTMLDocument() = default;

    virtual void setCookie(const std::string& value);
    virtual std::shared_ptr<HTMLElementCollection> getFrame(const std::string& name);
    virtual std::shared_ptr<HTMLElementCollection> getFrame(int index);
    virtual std::shared_ptr<HTMLElementCollection> getForms();
    virtual std::shared_ptr<HTMLForm> getForm(const std::string& name);
    virtual std::shared_ptr<HTMLForm> getForm(int index);
    virtual std::string getDocumentElementInnerHTML();
    virtual std::string getBodyInnerHTML();
    virtual std::shared_ptr<HTMLElementCollection> getAll();
    virtual void clickImageBasedOnSrc(const std::string& src);
    virtual std::shared_ptr<HTMLElementCollection> getFrames();

    const automation::DispatchPtr& dispatch() const { return m_dispatch; }

private:
    automation::DispatchPtr object(const std::string& property, const std::string& what);
    std::shared_ptr<HTMLForm> form(const automation::Variant& key, const std::string& what);
    std::shared_ptr<HTMLElementCollection> frame(const automation::Variant& key, const std::string& what);

    automation::DispatchPtr m_dispatch;
};

}  // namespace navigator
