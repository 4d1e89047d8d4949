// The document wrappers over a page of the in-memory browser: fields by
// name, buttons by image source (a fragment, any letter case), by value,
// name or type (exact), forms and frames by name and position, markup.

#include <gtest/gtest.h>

#include "navigator/HTMLDocument.h"
#include "navigator/HTMLImages.h"
#include "platform/automation/Automation.h"
#include "platform/automation/AutomationException.h"
#include "platform/automation/headless/HeadlessBrowser.h"

namespace {

using automation::DispatchPtr;
using automation::Variant;
using automation::headless::Fetch;
using automation::headless::HeadlessWeb;
using automation::headless::Record;
using automation::headless::Response;
using navigator::HTMLDocument;

const char* const PAGE =
    "<html><head><title>Login</title></head><body><div id=app>"
    "<form name=search action=/find><input name=q><input type=submit value=LOGIN name=shout></form>"
    "<form name=login method=post action=/in onsubmit=\"return check()\">"
    "<input name=user><input name=twin value=1><input name=twin value=2>"
    "<input type=image name=go1 src=\"/Images/Buttons/GO.GIF\">"
    "<input type=submit name=ok value=Login><input type=button value=Cancel name=cancel>"
    "<a name=help href=/help>Help</a><span name=tag title=Hint>x</span></form>"
    "<img src=/img/Logo.PNG><iframe name=ad src=/ad.html></iframe></div></body></html>";

Response pages(const Fetch& f) {
    if (f.url == "http://h.com/ad.html") return Response::page("<body><iframe src=/inner.html></iframe></body>");
    if (f.url == "http://h.com/empty.html") return Response::page("");
    return Response::page(PAGE);
}

class DocumentWrappers : public ::testing::Test {
protected:
    void SetUp() override { open("http://h.com/login.html"); }
    void TearDown() override {
        doc.reset();
        ie.reset();
        EXPECT_TRUE(automation::shutdown(5000));
    }
    void open(const std::string& url) {
        ie = automation::createObject("InternetExplorer.Application.1");
        ie->call("Navigate", {Variant(url)});
        ASSERT_TRUE(web.waitIdle());
        doc = std::make_shared<HTMLDocument>(ie->get("Document").toDispatch());
    }
    std::vector<Record> clicks() {
        std::vector<Record> out;
        for (const Record& r : web.browser()->records()) {
            if (r.kind == Record::Kind::Click) out.push_back(r);
        }
        return out;
    }

    HeadlessWeb web{pages};
    DispatchPtr ie;
    std::shared_ptr<HTMLDocument> doc;
};

TEST_F(DocumentWrappers, AnImageSourceMatchesAsAFragmentInAnyCase) {
    auto all = doc->getAll();
    all->clickInputElementBasedOnSrc("buttons/go.gif");
    ASSERT_EQ(clicks().size(), 1u);
    EXPECT_EQ(clicks()[0].element.at("name"), "go1");
    EXPECT_THROW(all->clickInputElementBasedOnSrc("stop.gif"), automation::AutomationException);
    doc->clickImageBasedOnSrc("logo.png");
    EXPECT_EQ(clicks().back().element.at("tag"), "IMG");
}

TEST_F(DocumentWrappers, OtherAttributesMatchExactly) {
    auto all = doc->getAll();
    // "LOGIN" does not answer to "Login"; the input whose value is "Login" does.
    all->clickInputElementBasedOnValue("Login");
    ASSERT_EQ(clicks().size(), 1u);
    EXPECT_EQ(clicks()[0].element.at("name"), "ok");
    EXPECT_EQ(all->getItem(std::string("INPUT"), "VALUE", "Logi", true), nullptr);
    // Nor does a value that equals only the searched one in lower case.
    EXPECT_EQ(all->getItem(std::string("INPUT"), "NAME", "OK", true), nullptr);
    EXPECT_THROW(all->clickInputElementBasedOnName("Cancel"), automation::AutomationException);
    // An input's type is a keyword the browser reports in its own case.
    all->clickInputSubmitElement();
    EXPECT_EQ(clicks().back().element.at("name"), "shout");
    all->clickInputElementBasedOnType("BUTTON");
    EXPECT_EQ(clicks().back().element.at("name"), "cancel");
    all->clickInputElementBasedOnName("ok");
    EXPECT_EQ(clicks().back().element.at("name"), "ok");
    // Without a tag every element counts; the tag compares in any case.
    all->clickElement("title", "Hint");
    EXPECT_EQ(clicks().back().element.at("tag"), "SPAN");
    all->clickElement(std::nullopt, "name", "help");
    EXPECT_EQ(clicks().back().element.at("tag"), "A");
    EXPECT_NE(all->getItem(std::string("input"), "name", "user"), nullptr);
    EXPECT_EQ(all->getItem(std::string("SELECT"), "name", "user"), nullptr);
}

TEST_F(DocumentWrappers, ASharedNameGivesWhatThePageGivesWhileTheRuleGivesTheFirst) {
    auto form = doc->getForm("login");
    DispatchPtr byName = form->getItem(std::string("twin"));
    EXPECT_EQ(byName->get("Length").toInt(), 2);
    EXPECT_THROW(form->setInputTextElementValue("twin", "x"), automation::AutomationException);
    DispatchPtr first = form->getItem(std::nullopt, "name", "twin", true);
    EXPECT_EQ(first->get("value").toString(), "1");
}

TEST_F(DocumentWrappers, FormsFieldsAndTheirProperties) {
    EXPECT_EQ(doc->getForms()->getLength(), 2);
    auto login = doc->getForm("login");
    EXPECT_EQ(login->getAction(), "/in");
    EXPECT_EQ(login->getOnSubmit().toString(), "return check()");
    login->setAction("https://h.com/elsewhere");
    EXPECT_EQ(login->getAction(), "https://h.com/elsewhere");
    login->setInputTextElementValue("user", "joe");
    login->setElementAttributeValue("user", "title", "member");
    EXPECT_EQ(login->getItem(std::string("user"))->get("title").toString(), "member");
    EXPECT_EQ(doc->getForm(0)->getItem(0)->get("name").toString(), "q");
    EXPECT_THROW(doc->getForm("nothing"), automation::AutomationException);
    EXPECT_THROW(doc->getForm(7), automation::AutomationException);
    EXPECT_THROW(login->clickElement("nothing"), automation::AutomationException);
    login->submit();
    ASSERT_TRUE(web.waitIdle());
    std::vector<Record> records = web.browser()->records();
    auto submit = std::find_if(records.begin(), records.end(), [](const Record& r) { return r.kind == Record::Kind::Submit; });
    ASSERT_NE(submit, records.end());
    EXPECT_EQ(submit->url, "https://h.com/elsewhere");
    EXPECT_EQ(submit->fields[0], (std::pair<std::string, std::string>("user", "joe")));
}

TEST_F(DocumentWrappers, FramesMarkupAndCookies) {
    EXPECT_EQ(doc->getFrames()->getLength(), 1);
    EXPECT_EQ(doc->getFrame("ad")->getLength(), 1);
    EXPECT_EQ(doc->getFrame(0)->getLength(), 1);
    EXPECT_THROW(doc->getFrame("none"), automation::AutomationException);
    EXPECT_NE(doc->getDocumentElementInnerHTML().find("<HEAD><TITLE>Login</TITLE></HEAD>"), std::string::npos);
    EXPECT_EQ(doc->getBodyInnerHTML().rfind("<DIV id=app><FORM name=search action=\"/find\">", 0), 0u);
    doc->setCookie("seen=1; path=/");
    EXPECT_EQ(ie->get("Document").toDispatch()->get("Cookie").toString(), "seen=1");
}

TEST_F(DocumentWrappers, AnEmptyCollectionMatchesNothing) {
    open("http://h.com/empty.html");
    auto images = std::make_shared<navigator::HTMLImages>(ie->get("Document").toDispatch()->get("Images").toDispatch());
    EXPECT_EQ(images->getLength(), 0);
    EXPECT_EQ(images->getItem(std::nullopt, "SRC", ""), nullptr);
    EXPECT_THROW(images->clickBasedOnSrc("go.gif"), automation::AutomationException);
}

}  // namespace
