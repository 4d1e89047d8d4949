#pragma once
// Fills a template by message formatting: every format element "{n}" (n a
// decimal argument index) becomes the n-th value, inserted as it stands.
//
// Quoting: a single quote starts or ends a quoted stretch, in which braces
// are plain text; two single quotes stand for one literal quote, inside a
// quoted stretch or outside it. A template that shows a quote therefore
// writes it doubled ("Today''s"). A lone "}" outside a format element is
// plain text.
//
// An element whose index has no value stays as "{n}". A "{" that is never
// closed, an element whose index is not a plain decimal number, and an
// element with a type or style (",number") are errors: std::invalid_argument
// with a message that names the fault.

#include <string>
#include <string_view>
#include <vector>

namespace portal::retriever {

class MessageFormat {
public:
    static std::string format(std::string_view pattern, const std::vector<std::string>& values);
};

}  // namespace portal::retriever
