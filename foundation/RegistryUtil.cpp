#include "foundation/RegistryUtil.h"

#include "foundation/Logger.h"

namespace foundation {

namespace {

const RootKey& initialized(const RootKey& root) {
    if (!RegistryKey::isInitialized()) RegistryKey::initialize();
    return root;
}

}  // namespace

RegistryUtil::RegistryUtil(const RootKey& root, const std::string& path)
    : m_root(&initialized(root)), m_path(path), m_regKey(root, path) {}

RegistryUtil RegistryUtil::getCurrentUserInstance(const std::string& path) {
    return RegistryUtil(RootKey::HKEY_CURRENT_USER, path);
}

RegistryUtil RegistryUtil::getLocalMachineInstance(const std::string& path) {
    return RegistryUtil(RootKey::HKEY_LOCAL_MACHINE, path);
}

void RegistryUtil::setInt(const std::string& name, int32_t value) {
    try {
        if (!m_regKey.exists()) m_regKey.create();
        m_regKey.setValue(RegistryValue(name, ValueType::REG_DWORD, value));
    } catch (const RegistryException& e) {
        Logger::error("Error setting registry key " + name + " to " + std::to_string(value), e);
    }
}

std::string RegistryUtil::getString(const std::string& name, const std::string& defaultValue) {
    try {
        if (m_regKey.hasValue(name)) return m_regKey.getValue(name).getStringValue();
    } catch (const RegistryException& e) {
        Logger::error("Error getting registry key " + name, e);
    }
    return defaultValue;
}

int32_t RegistryUtil::getInt(const std::string& name, int32_t defaultValue) {
    try {
        if (!m_regKey.hasValue(name)) return defaultValue;
        RegistryValue value = m_regKey.getValue(name);
        if (auto number = value.getIntData()) return *number;
        throw RegistryException("Registry value " + name + " is not an integer");
    } catch (const RegistryException& e) {
        Logger::error("Error getting registry key " + name, e);
    }
    return defaultValue;
}

}  // namespace foundation
