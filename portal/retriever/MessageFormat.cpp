#include "portal/retriever/MessageFormat.h"

#include <stdexcept>

namespace portal::retriever {

namespace {

// The value of an element's index text; "" is no number.
size_t argumentIndex(const std::string& text) {
    if (text.empty()) throw std::invalid_argument("can't parse argument number: " + text);
    size_t index = 0;
    for (char c : text) {
        if (c == ',') throw std::invalid_argument("unsupported format element: {" + text + "}");
        if (c < '0' || c > '9') throw std::invalid_argument("can't parse argument number: " + text);
        if (index > 100000000) throw std::invalid_argument("argument number too large: " + text);
        index = index * 10 + static_cast<size_t>(c - '0');
    }
    return index;
}

}  // namespace

std::string MessageFormat::format(std::string_view pattern, const std::vector<std::string>& values) {
    std::string out;
    out.reserve(pattern.size());
    bool inQuote = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                out += '\'';
                ++i;
            } else {
                inQuote = !inQuote;
            }
            continue;
        }
        if (c != '{' || inQuote) {
            out += c;
            continue;
        }
        const size_t close = pattern.find('}', i + 1);
        if (close == std::string_view::npos) throw std::invalid_argument("Unmatched braces in the pattern.");
        const std::string text(pattern.substr(i + 1, close - i - 1));
        if (text.find('{') != std::string::npos) throw std::invalid_argument("Unmatched braces in the pattern.");
        const size_t index = argumentIndex(text);
        if (index < values.size()) {
            out += values[index];
        } else {
            out += "{" + text + "}";
        }
        i = close;
    }
    return out;
}

}  // namespace portal::retriever
