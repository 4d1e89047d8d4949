#pragma once
// The message catalogue: every user-visible text of the tracker and the
// upgrade client, by key ("Class.Name"). The catalogue is compiled into the
// program and loaded once, on first use, from any thread.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

class Messages {
public:
    static constexpr const char* BUNDLE_NAME = "Messages";

    // The text of the key; a key the catalogue lacks gives "!" + key + "!".
    // No argument substitution: callers join the pieces themselves.
    static std::string get(std::string_view key);
    static bool contains(std::string_view key);
    // Every key of the catalogue, in key order.
    static std::vector<std::string> keys();

    // Parses text in the properties format (ISO 8859-1 bytes, "\uXXXX"
    // escapes, continuation lines, comments) into UTF-8 keys and values.
    // A later duplicate key wins.
    static std::map<std::string, std::string, std::less<>> parseProperties(std::string_view text);
};

}  // namespace foundation
