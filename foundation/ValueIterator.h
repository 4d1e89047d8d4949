#pragma once
// Walks the values of a key, as they were when the walk began.

#include <string>
#include <vector>

#include "foundation/RegistryKey.h"

namespace foundation {

class ValueIterator {
public:
    explicit ValueIterator(const RegistryKey& key);
    // Always throws std::logic_error: walks are read-only.
    void remove();
    // The next value; RegistryException after the last one.
    RegistryValue next();
    bool hasNext() const { return m_index < m_count; }
    void initializeFields();
    std::string getNext();

private:
    RegistryKey m_key;
    int m_index = 0;
    int m_count = 0;
    std::vector<std::string> m_names;
};

}  // namespace foundation
