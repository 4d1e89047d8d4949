#include "foundation/ValueIterator.h"

#include <stdexcept>

#include "platform/registry/Registry.h"

namespace foundation {

ValueIterator::ValueIterator(const RegistryKey& key) : m_key(key) {
    RegistryKey::checkInitialized();
    initializeFields();
}

void ValueIterator::remove() { throw std::logic_error("The remove operation is not supported by this Iterator"); }

RegistryValue ValueIterator::next() { return m_key.getValue(getNext()); }

void ValueIterator::initializeFields() {
    try {
        m_names = reg::valueNames(m_key.getRootKey().getHandle(), m_key.getPath());
    } catch (const std::exception& e) {
        throw RegistryException(e.what());
    }
    m_index = 0;
    m_count = static_cast<int>(m_names.size());
}

std::string ValueIterator::getNext() {
    if (m_index >= m_count) throw RegistryException("No more values of " + m_key.toString());
    return m_names[m_index++];
}

}  // namespace foundation
