#pragma once
// The document tree of the in-memory browser: pages parsed with gumbo into
// nodes that keep their attributes in source order and the state a user
// changes (field values, check marks). Markup is written back the way the
// automated browser's site logic expects it (see innerMarkup).

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace automation::headless {

struct Document;

struct Node {
    enum class Kind { Document, Element, Text, Comment };

    Kind kind = Kind::Element;
    std::string tag;  // lower case, elements only
    std::vector<std::pair<std::string, std::string>> attributes;  // names lower case, source order
    std::string text;  // text and comments
    std::vector<std::unique_ptr<Node>> children;
    Node* parent = nullptr;

    // Form state: a value set by the program or the user replaces the
    // markup's value; check marks of boxes and radio buttons.
    bool valueSet = false;
    std::string value;
    bool checked = false;

    bool isElement(const char* name) const { return kind == Kind::Element && tag == name; }
    // Attribute by name, any letter case; nullptr when absent.
    const std::string* attribute(const std::string& name) const;
    void setAttribute(const std::string& name, const std::string& value);
    std::string attributeOr(const std::string& name, const std::string& fallback = "") const;
};

// A frame of a page: its element, its address and its loaded document.
struct Frame {
    Node* element = nullptr;
    std::string url;
    std::shared_ptr<Document> document;
};

struct Document {
    std::string url;
    std::unique_ptr<Node> root;
    std::vector<Frame> frames;

    // Every element in document order.
    std::vector<Node*> elements() const;
    std::vector<Node*> elementsNamed(const char* tag) const;
    Node* documentElement() const;
    Node* body() const;
    // frame and iframe elements in document order.
    std::vector<Node*> frameElements() const { return elementsNamed("frame", "iframe"); }

private:
    std::vector<Node*> elementsNamed(const char* a, const char* b) const;
};

std::shared_ptr<Document> parseDocument(const std::string& html, const std::string& url);

// The markup of a node's children: tag names in upper case, attributes in
// source order with values bare when they are plain words (letters,
// digits, "-", "_", ".") and in double quotes otherwise, text with "&",
// "<" and ">" escaped except inside scripts and styles.
std::string innerMarkup(const Node& node);
std::string outerMarkup(const Node& node);
// The text of a node and its descendants.
std::string textContent(const Node& node);

// The form a control belongs to (its "form" attribute's id, else the
// nearest form around it); nullptr for none.
Node* formOwner(const Document& document, const Node& control);
// The controls of a form in document order (image buttons are not listed,
// as in the browser's own collection).
std::vector<Node*> formControls(const Document& document, const Node& form);
// The current value of a control.
std::string controlValue(const Node& control);
// "text" for an input without a type; types in lower case.
std::string controlType(const Node& control);
// The name/value pairs a form submits, with the submitting button's own
// pair (image buttons send name.x and name.y).
std::vector<std::pair<std::string, std::string>> formData(const Document& document, const Node& form,
                                                         const Node* submitter);
// application/x-www-form-urlencoded, UTF-8.
std::string encodeFormData(const std::vector<std::pair<std::string, std::string>>& data);

// A reference resolved against an absolute address.
std::string resolveUrl(const std::string& base, const std::string& reference);

}  // namespace automation::headless
