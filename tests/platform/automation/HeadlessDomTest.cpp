// The in-memory browser's document tree: addresses resolved as a browser
// does, markup written the way the site logic reads it, and the fields a
// form sends.

#include <gtest/gtest.h>

#include "platform/automation/headless/HeadlessDom.h"

namespace {

using namespace automation::headless;

TEST(HeadlessDom, ResolvesReferencesAsABrowserDoes) {
    const std::string base = "https://www.site.com/a/b/page.jsp?x=1#top";
    EXPECT_EQ(resolveUrl(base, "next.jsp"), "https://www.site.com/a/b/next.jsp");
    EXPECT_EQ(resolveUrl(base, "../up.jsp?y=2"), "https://www.site.com/a/up.jsp?y=2");
    EXPECT_EQ(resolveUrl(base, "/root.jsp"), "https://www.site.com/root.jsp");
    EXPECT_EQ(resolveUrl(base, "//other.com/p"), "https://other.com/p");
    EXPECT_EQ(resolveUrl(base, "?z=3"), "https://www.site.com/a/b/page.jsp?z=3");
    EXPECT_EQ(resolveUrl(base, "#end"), "https://www.site.com/a/b/page.jsp?x=1#end");
    EXPECT_EQ(resolveUrl(base, ""), "https://www.site.com/a/b/page.jsp?x=1");
    EXPECT_EQ(resolveUrl(base, "  http://x.org/q  "), "http://x.org/q");
    EXPECT_EQ(resolveUrl(base, "javascript:go()"), "javascript:go()");
    EXPECT_EQ(resolveUrl("http://h.com", "p.html"), "http://h.com/p.html");
    EXPECT_EQ(resolveUrl("http://h.com:8080/a/", "./b/../c"), "http://h.com:8080/a/c");
}

TEST(HeadlessDom, WritesMarkupWithUpperCaseTagsAndBarePlainValues) {
    auto doc = parseDocument(
        "<html><head><title>PayPal - Abort</title><script>if (a < b && c) x = \"<p>\";</script></head>"
        "<body><div id=app class=\"two words\"><FORM id=abc_form action=/go?a=1>"
        "1 &lt; 2 &amp; 3<input name=user value='say \"hi\"'><br></FORM></div><!-- note --></body></html>",
        "https://h.com/");
    EXPECT_EQ(innerMarkup(*doc->documentElement()),
              "<HEAD><TITLE>PayPal - Abort</TITLE><SCRIPT>if (a < b && c) x = \"<p>\";</SCRIPT></HEAD>"
              "<BODY><DIV id=app class=\"two words\"><FORM id=abc_form action=\"/go?a=1\">"
              "1 &lt; 2 &amp; 3<INPUT name=user value=\"say &quot;hi&quot;\"><BR></FORM></DIV><!-- note --></BODY>");
}

TEST(HeadlessDom, AFormSendsItsSuccessfulControlsAndTheButtonPressed) {
    auto doc = parseDocument(
        "<form id=f><input name=t value=one><input type=password name=p value=two>"
        "<input type=checkbox name=c1 checked><input type=checkbox name=c2 value=v2>"
        "<input type=radio name=r value=a><input type=radio name=r value=b checked>"
        "<select name=s><option>first<option value=sv selected>second</select>"
        "<textarea name=ta>text</textarea><input name=off disabled value=x>"
        "<input type=submit name=go value=Go><input type=image name=img src=i.gif><input type=reset name=rs>"
        "</form><input name=outside form=f value=o>",
        "http://h.com/");
    Node* form = doc->elementsNamed("form")[0];
    std::vector<Node*> all = doc->elements();
    Node* image = nullptr;
    for (Node* n : all) {
        if (n->attributeOr("name") == "img") image = n;
    }
    auto data = formData(*doc, *form, image);
    std::vector<std::pair<std::string, std::string>> expected{
        {"t", "one"}, {"p", "two"}, {"c1", "on"}, {"r", "b"}, {"s", "sv"}, {"ta", "text"},
        {"img.x", "1"}, {"img.y", "1"}, {"outside", "o"}};
    EXPECT_EQ(data, expected);
    EXPECT_EQ(encodeFormData({{"a b", "x&y=z/é"}}), "a+b=x%26y%3Dz%2F%C3%A9");
    // The listed controls leave the image button out.
    EXPECT_EQ(formControls(*doc, *form).size(), 12u);
}

}  // namespace
