#include "platform/automation/headless/HeadlessDom.h"
#include "platform/automation/Names.h"
#include "platform/system/Ascii.h"

#include <gumbo.h>

#include <algorithm>

namespace automation::headless {

namespace {

std::string tagName(const GumboElement& element) {
    if (element.tag != GUMBO_TAG_UNKNOWN) return gumbo_normalized_tagname(element.tag);
    GumboStringPiece piece = element.original_tag;
    gumbo_tag_from_original_text(&piece);
    return lowerCase(std::string(piece.data ? piece.data : "", piece.length));
}

void copyChildren(const GumboVector& from, Node& to);

std::unique_ptr<Node> copyNode(const GumboNode& source) {
    auto node = std::make_unique<Node>();
    switch (source.type) {
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE: {
            const GumboElement& element = source.v.element;
            node->kind = Node::Kind::Element;
            node->tag = tagName(element);
            for (unsigned i = 0; i < element.attributes.length; ++i) {
                auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
                node->attributes.emplace_back(lowerCase(attribute->name), attribute->value);
            }
            copyChildren(element.children, *node);
            if (node->tag == "input") {
                std::string type = lowerCase(node->attributeOr("type"));
                node->checked = (type == "checkbox" || type == "radio") && node->attribute("checked") != nullptr;
            }
            break;
        }
        case GUMBO_NODE_COMMENT:
            node->kind = Node::Kind::Comment;
            node->text = source.v.text.text;
            break;
        default:
            node->kind = Node::Kind::Text;
            node->text = source.v.text.text;
            break;
    }
    return node;
}

void copyChildren(const GumboVector& from, Node& to) {
    for (unsigned i = 0; i < from.length; ++i) {
        auto child = copyNode(*static_cast<const GumboNode*>(from.data[i]));
        child->parent = &to;
        to.children.push_back(std::move(child));
    }
}

void collect(Node& node, std::vector<Node*>& out) {
    for (auto& child : node.children) {
        if (child->kind != Node::Kind::Element) continue;
        out.push_back(child.get());
        collect(*child, out);
    }
}

bool isVoid(const std::string& tag) {
    static const char* const voids[] = {"area", "base", "br", "col", "embed", "frame", "hr", "img", "input",
                                        "link", "meta", "param", "source", "track", "wbr", "basefont", "isindex"};
    return std::any_of(std::begin(voids), std::end(voids), [&](const char* v) { return tag == v; });
}

bool isPlainWord(const std::string& value) {
    if (value.empty()) return false;
    return std::all_of(value.begin(), value.end(), [](char c) {
        return sys::isAsciiAlnum(c) || c == '-' || c == '_' || c == '.';
    });
}

std::string escapeText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else out += c;
    }
    return out;
}

void writeMarkup(const Node& node, std::string& out) {
    switch (node.kind) {
        case Node::Kind::Text: {
            const Node* parent = node.parent;
            bool raw = parent && (parent->tag == "script" || parent->tag == "style");
            out += raw ? node.text : escapeText(node.text);
            return;
        }
        case Node::Kind::Comment:
            out += "<!--" + node.text + "-->";
            return;
        case Node::Kind::Document:
            for (auto& child : node.children) writeMarkup(*child, out);
            return;
        case Node::Kind::Element:
            break;
    }
    const std::string tag = upperCase(node.tag);
    out += "<" + tag;
    for (auto& [name, value] : node.attributes) {
        out += " " + name + "=";
        if (isPlainWord(value)) {
            out += value;
        } else {
            std::string quoted;
            for (char c : value) quoted += c == '"' ? std::string("&quot;") : std::string(1, c);
            out += "\"" + quoted + "\"";
        }
    }
    out += ">";
    if (isVoid(node.tag)) return;
    for (auto& child : node.children) writeMarkup(*child, out);
    out += "</" + tag + ">";
}

void writeText(const Node& node, std::string& out) {
    if (node.kind == Node::Kind::Text) out += node.text;
    for (auto& child : node.children) writeText(*child, out);
}

bool isListedControl(const Node& n) {
    if (n.kind != Node::Kind::Element) return false;
    if (n.tag == "input") return controlType(n) != "image";
    return n.tag == "button" || n.tag == "select" || n.tag == "textarea" || n.tag == "object" ||
           n.tag == "fieldset" || n.tag == "output";
}

std::string percentEncode(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (sys::isAsciiAlnum(static_cast<char>(c)) || c == '*' || c == '-' || c == '.' || c == '_') {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// "scheme://authority" of an absolute address; "" when it has none.
std::string origin(const std::string& url) {
    size_t scheme = url.find("://");
    if (scheme == std::string::npos) return "";
    size_t end = url.find_first_of("/?#", scheme + 3);
    return url.substr(0, end);
}

std::string removeDotSegments(const std::string& path) {
    std::vector<std::string> out;
    size_t pos = 0;
    bool trailing = false;
    while (pos <= path.size()) {
        size_t slash = path.find('/', pos);
        std::string segment = path.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
        trailing = false;
        if (segment == "..") {
            if (out.size() > 1) out.pop_back();
            trailing = true;
        } else if (segment == ".") {
            trailing = true;
        } else {
            out.push_back(segment);
        }
        if (slash == std::string::npos) break;
        pos = slash + 1;
    }
    std::string joined;
    for (size_t i = 0; i < out.size(); ++i) joined += (i ? "/" : "") + out[i];
    if (trailing && (joined.empty() || joined.back() != '/')) joined += "/";
    return joined;
}

}  // namespace

const std::string* Node::attribute(const std::string& name) const {
    const std::string key = lowerCase(name);
    for (auto& [n, v] : attributes) {
        if (n == key) return &v;
    }
    return nullptr;
}

void Node::setAttribute(const std::string& name, const std::string& newValue) {
    const std::string key = lowerCase(name);
    for (auto& [n, v] : attributes) {
        if (n == key) {
            v = newValue;
            return;
        }
    }
    attributes.emplace_back(key, newValue);
}

std::string Node::attributeOr(const std::string& name, const std::string& fallback) const {
    const std::string* found = attribute(name);
    return found ? *found : fallback;
}

std::vector<Node*> Document::elements() const {
    std::vector<Node*> out;
    if (root) collect(*root, out);
    return out;
}

std::vector<Node*> Document::elementsNamed(const char* tag) const { return elementsNamed(tag, tag); }

std::vector<Node*> Document::elementsNamed(const char* a, const char* b) const {
    std::vector<Node*> out;
    for (Node* n : elements()) {
        if (n->tag == a || n->tag == b) out.push_back(n);
    }
    return out;
}

Node* Document::documentElement() const {
    if (!root) return nullptr;
    for (auto& child : root->children) {
        if (child->kind == Node::Kind::Element) return child.get();
    }
    return nullptr;
}

Node* Document::body() const {
    for (Node* n : elements()) {
        if (n->tag == "body" || n->tag == "frameset") return n;
    }
    return nullptr;
}

std::shared_ptr<Document> parseDocument(const std::string& html, const std::string& url) {
    auto document = std::make_shared<Document>();
    document->url = url;
    document->root = std::make_unique<Node>();
    document->root->kind = Node::Kind::Document;
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
    copyChildren(output->document->v.document.children, *document->root);
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return document;
}

std::string innerMarkup(const Node& node) {
    std::string out;
    for (auto& child : node.children) writeMarkup(*child, out);
    return out;
}

std::string outerMarkup(const Node& node) {
    std::string out;
    writeMarkup(node, out);
    return out;
}

std::string textContent(const Node& node) {
    std::string out;
    writeText(node, out);
    return out;
}

Node* formOwner(const Document& document, const Node& control) {
    if (const std::string* id = control.attribute("form")) {
        for (Node* n : document.elementsNamed("form")) {
            if (n->attributeOr("id") == *id) return n;
        }
        return nullptr;
    }
    for (Node* p = control.parent; p != nullptr; p = p->parent) {
        if (p->isElement("form")) return p;
    }
    return nullptr;
}

std::vector<Node*> formControls(const Document& document, const Node& form) {
    std::vector<Node*> out;
    for (Node* n : document.elements()) {
        if (isListedControl(*n) && formOwner(document, *n) == &form) out.push_back(n);
    }
    return out;
}

std::string controlType(const Node& control) {
    if (control.tag == "button") return lowerCase(control.attributeOr("type", "submit"));
    if (control.tag == "select") return control.attribute("multiple") ? "select-multiple" : "select-one";
    if (control.tag == "textarea") return "textarea";
    std::string type = lowerCase(control.attributeOr("type", "text"));
    return type.empty() ? "text" : type;
}

std::string controlValue(const Node& control) {
    if (control.valueSet) return control.value;
    if (control.tag == "textarea") return textContent(control);
    if (control.tag == "select") {
        // The selected option, else the first; an option without a value
        // gives its text.
        const Node* first = nullptr;
        const Node* selected = nullptr;
        std::vector<const Node*> pending{&control};
        while (!pending.empty() && !selected) {
            const Node* n = pending.back();
            pending.pop_back();
            if (n->isElement("option")) {
                if (!first) first = n;
                if (n->attribute("selected")) selected = n;
            }
            for (auto child = n->children.rbegin(); child != n->children.rend(); ++child) pending.push_back(child->get());
        }
        const Node* option = selected ? selected : first;
        return option ? option->attributeOr("value", textContent(*option)) : "";
    }
    std::string type = controlType(control);
    if (type == "checkbox" || type == "radio") return control.attributeOr("value", "on");
    return control.attributeOr("value");
}

std::vector<std::pair<std::string, std::string>> formData(const Document& document, const Node& form,
                                                         const Node* submitter) {
    std::vector<std::pair<std::string, std::string>> data;
    for (Node* n : document.elements()) {
        if (n->kind != Node::Kind::Element) continue;
        bool control = n->tag == "input" || n->tag == "button" || n->tag == "select" || n->tag == "textarea";
        if (!control || formOwner(document, *n) != &form) continue;
        if (n->attribute("disabled")) continue;
        const std::string name = n->attributeOr("name");
        const std::string type = controlType(*n);
        if (type == "submit" || type == "image" || type == "button" || type == "reset") {
            if (n != submitter) continue;
            if (type == "image") {
                const std::string prefix = name.empty() ? "" : name + ".";
                data.emplace_back(prefix + "x", "1");
                data.emplace_back(prefix + "y", "1");
                continue;
            }
            if (type == "button" || type == "reset") continue;
        }
        if (name.empty()) continue;
        if ((type == "checkbox" || type == "radio") && !n->checked) continue;
        if (type == "file") continue;
        data.emplace_back(name, controlValue(*n));
    }
    return data;
}

std::string encodeFormData(const std::vector<std::pair<std::string, std::string>>& data) {
    std::string out;
    for (auto& [name, value] : data) {
        if (!out.empty()) out += "&";
        out += percentEncode(name) + "=" + percentEncode(value);
    }
    return out;
}

std::string resolveUrl(const std::string& base, const std::string& reference) {
    std::string ref = reference;
    // Blanks around an address in markup do not count.
    while (!ref.empty() && sys::isAsciiSpace(ref.front())) ref.erase(0, 1);
    while (!ref.empty() && sys::isAsciiSpace(ref.back())) ref.pop_back();
    size_t colon = ref.find(':');
    if (colon != std::string::npos && ref.find_first_of("/?#") > colon && colon > 0) return ref;
    const std::string root = origin(base);
    if (root.empty()) return ref;
    if (ref.rfind("//", 0) == 0) return base.substr(0, base.find("://") + 1) + ref;
    std::string baseRest = base.substr(root.size());
    std::string basePath = baseRest.substr(0, baseRest.find_first_of("?#"));
    if (basePath.empty()) basePath = "/";
    if (ref.empty()) return base.substr(0, base.find('#'));
    if (ref[0] == '#') return base.substr(0, base.find('#')) + ref;
    if (ref[0] == '?') return root + basePath + ref;
    size_t end = ref.find_first_of("?#");
    std::string path = ref.substr(0, end);
    std::string tail = end == std::string::npos ? "" : ref.substr(end);
    if (path.empty() || path[0] != '/') path = basePath.substr(0, basePath.rfind('/') + 1) + path;
    return root + removeDotSegments(path) + tail;
}

}  // namespace automation::headless
