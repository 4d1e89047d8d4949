// The in-memory browser's document parser on any page: the tree it builds
// holds together (parents, frames), its markup and text can be taken, and
// every form's data and every link's address can be worked out.

#include <string>
#include <vector>

#include "platform/automation/headless/HeadlessDom.h"
#include "tests/fuzz/FuzzSupport.h"

namespace dom = automation::headless;

namespace {

void checkTree(const dom::Node& node, int depth) {
    if (depth > 2000) return;
    for (const auto& child : node.children) {
        rlfuzz::check(child != nullptr, "an empty child");
        rlfuzz::check(child->parent == &node, "a child whose parent is another node");
        checkTree(*child, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rlfuzz::Input in(data, size);
    const std::string reference = in.text();
    const std::string html = in.rest();
    const std::string base = "http://www.example.com/a/b.html?q=1";

    std::shared_ptr<dom::Document> document = dom::parseDocument(html, base);
    rlfuzz::check(document && document->root, "no document");
    checkTree(*document->root, 0);
    (void)dom::innerMarkup(*document->root);
    (void)dom::textContent(*document->root);
    for (dom::Node* element : document->elements()) {
        rlfuzz::check(element->kind == dom::Node::Kind::Element, "a listed element that is none");
        if (element->isElement("form")) {
            for (dom::Node* control : dom::formControls(*document, *element)) {
                (void)dom::controlValue(*control);
                (void)dom::controlType(*control);
                (void)dom::formOwner(*document, *control);
            }
            (void)dom::encodeFormData(dom::formData(*document, *element, nullptr));
        }
        if (const std::string* href = element->attribute("href")) (void)dom::resolveUrl(base, *href);
    }
    for (dom::Node* frame : document->frameElements()) (void)dom::outerMarkup(*frame);
    (void)dom::resolveUrl(base, reference);
    (void)dom::resolveUrl(reference, html.substr(0, 200));
    return 0;
}
