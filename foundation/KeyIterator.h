#pragma once
// Walks the direct sub-keys of a key, as they were when the walk began.

#include <string>
#include <vector>

#include "foundation/RegistryKey.h"

namespace foundation {

class KeyIterator {
public:
    explicit KeyIterator(const RegistryKey& key);
    // Always throws std::logic_error: walks are read-only.
    void remove();
    // std::out_of_range when there is no next sub-key.
    RegistryKey next();
    bool hasNext() const { return m_index < m_count; }
    // Takes the sub-key list and starts at the first entry.
    void initializeFields();
    // The next sub-key's name; RegistryException after the last one.
    std::string getNext();

private:
    RegistryKey m_key;
    int m_index = 0;
    int m_count = 0;
    std::vector<std::string> m_names;
};

}  // namespace foundation
