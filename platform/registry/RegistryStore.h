#pragma once
// In-memory form of one root's keys and its text file format. Internal to
// the registry layer.

#include <map>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"

namespace reg::detail {

// ASCII letters folded to lower case; everything else as it is.
std::string fold(const std::string& text);
// Non-empty components of a "\"-separated path.
std::vector<std::string> splitPath(const std::string& path);
std::string joinPath(const std::vector<std::string>& parts);

struct KeyEntry {
    std::string path;  // as first spelled
    std::vector<Value> values;  // in creation order

    const Value* find(const std::string& name) const;
    Value* find(const std::string& name);
};

class Store {
public:
    // Keys by folded path; the root ("") always exists.
    std::map<std::string, KeyEntry> keys;

    bool exists(const std::string& path) const;
    const KeyEntry* key(const std::string& path) const;
    KeyEntry* key(const std::string& path);
    // Creates the key and its missing parents, spelled after the parents
    // that exist already; answers whether anything was created.
    bool create(const std::string& path);
    std::vector<std::string> subkeyNames(const std::string& path) const;
    bool hasSubkeys(const std::string& path) const;

    // The file text. Lines: "K\t<path>" starts a key, "V\t<name>\t<type>\t<data>"
    // a value of the key above; "%XX" escapes "%" and control characters.
    std::string serialize(const std::string& rootName) const;
    // Reads what it can; answers false when a line was not understood.
    bool parse(const std::string& text);
};

}  // namespace reg::detail
