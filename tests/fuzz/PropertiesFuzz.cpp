// The properties reader (catalogue, host table and settings file share it):
// any bytes parse or fail cleanly, and whatever was read survives being
// written and read again.

#include <map>
#include <stdexcept>
#include <string>

#include "foundation/PropertiesFormat.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tracker/core/PropertiesPrefPersist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::map<std::string, std::string> table;
    try {
        foundation::PropertiesFormat::parse(text, table);
    } catch (const std::invalid_argument&) {
        // A malformed escape: the entries before it stay.
    }
    const std::string written = tracker::PropertiesPrefPersist::formatProperties(table, "fuzz");
    std::map<std::string, std::string> again;
    try {
        foundation::PropertiesFormat::parse(written, again);
    } catch (const std::invalid_argument&) {
        rlfuzz::fail("a written table does not parse");
    }
    rlfuzz::check(again == table, "a written table reads back different");
    for (const auto& [key, value] : table) {
        (void)foundation::PropertiesFormat::escapeKey(key);
        (void)foundation::PropertiesFormat::escapeValue(value);
        (void)foundation::PropertiesFormat::commentLines(value);
    }
    return 0;
}
