#pragma once
// The properties text format shared by the message catalogue and the
// settings file: ISO 8859-1 bytes in, "\uXXXX" for every character above
// 0x7E out, keys and values as UTF-8 in memory.

#include <map>
#include <string>
#include <string_view>

namespace foundation {

class PropertiesFormat {
public:
    // Adds every entry of the text (comments, continuation lines and escapes
    // as the format has them). A malformed "\uXXXX" escape throws
    // std::invalid_argument.
    static void parse(std::string_view latin1, std::map<std::string, std::string>& into);
    static std::string escapeKey(const std::string& utf8);
    static std::string escapeValue(const std::string& utf8);
    // The text as comment lines ("#" + escaped text, one per line break),
    // each ended.
    static std::string commentLines(const std::string& utf8);
};

}  // namespace foundation
