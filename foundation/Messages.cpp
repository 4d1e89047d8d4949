#include "foundation/Messages.h"

#include <cstdint>

#include "foundation/PropertiesFormat.h"

// The catalogue file, compiled in by the build.
extern const char rl_messages_properties[];
extern const unsigned long rl_messages_properties_size;

namespace foundation {

namespace {

using Catalogue = std::map<std::string, std::string, std::less<>>;

const Catalogue& catalogue() {
    static const Catalogue loaded =
        Messages::parseProperties(std::string_view(rl_messages_properties, rl_messages_properties_size));
    return loaded;
}

}  // namespace

std::map<std::string, std::string, std::less<>> Messages::parseProperties(std::string_view text) {
    std::map<std::string, std::string> entries;
    PropertiesFormat::parse(text, entries);
    return Catalogue(entries.begin(), entries.end());
}

std::string Messages::get(std::string_view key) {
    const Catalogue& c = catalogue();
    auto it = c.find(key);
    if (it == c.end()) return "!" + std::string(key) + "!";
    return it->second;
}

bool Messages::contains(std::string_view key) {
    const Catalogue& c = catalogue();
    return c.find(key) != c.end();
}

std::vector<std::string> Messages::keys() {
    std::vector<std::string> out;
    for (const auto& entry : catalogue()) out.push_back(entry.first);
    return out;
}

}  // namespace foundation
