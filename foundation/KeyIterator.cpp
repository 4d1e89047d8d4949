#include "foundation/KeyIterator.h"

#include <stdexcept>

#include "platform/registry/Registry.h"

namespace foundation {

KeyIterator::KeyIterator(const RegistryKey& key) : m_key(key) {
    RegistryKey::checkInitialized();
    initializeFields();
}

void KeyIterator::remove() { throw std::logic_error("The remove operation is not supported by this Iterator"); }

RegistryKey KeyIterator::next() {
    if (!hasNext()) throw std::out_of_range("No more sub-keys of " + m_key.toString());
    std::string name = getNext();
    return RegistryKey(m_key.getRootKey(), m_key.makePath(name));
}

void KeyIterator::initializeFields() {
    try {
        m_names = reg::subkeyNames(m_key.getRootKey().getHandle(), m_key.getPath());
    } catch (const std::exception& e) {
        throw RegistryException(e.what());
    }
    m_index = 0;
    m_count = static_cast<int>(m_names.size());
}

std::string KeyIterator::getNext() {
    if (m_index >= m_count) throw RegistryException("No more sub-keys of " + m_key.toString());
    return m_names[m_index++];
}

}  // namespace foundation
