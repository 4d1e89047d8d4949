#include "foundation/RegistryKey.h"

#include <mutex>
#include <stdexcept>

#include "platform/registry/Registry.h"

namespace foundation {

std::atomic<bool> RegistryKey::c_initSucceeded{false};

namespace {

std::mutex& classLock() {
    static std::mutex m;
    return m;
}

// Runs one call of the layer with its failures as RegistryException.
template <class F>
auto native(F&& call) -> decltype(call()) {
    try {
        return call();
    } catch (const reg::RegistryError& e) {
        throw RegistryException(e.what());
    }
}

reg::Value toNative(const RegistryValue& value) {
    reg::Value out;
    out.name = value.getName();
    out.type = value.getType().getNumber();
    const auto& data = value.getData();
    if (std::holds_alternative<std::monostate>(data)) throw RegistryException("Value " + out.name + " has no data");
    switch (reg::kindOf(out.type)) {
        case reg::DataKind::Text:
            out.text = value.getStringValue();
            return out;
        case reg::DataKind::Number: {
            if (auto i = value.getIntData()) {
                out.number = *i;
            } else if (auto* b = std::get_if<bool>(&data)) {
                out.number = *b ? 1 : 0;
            } else if (auto* v = std::get_if<std::byte>(&data)) {
                out.number = static_cast<int8_t>(*v);
            } else if (auto* l = std::get_if<int64_t>(&data); l && *l >= 0 && *l <= 0xFFFFFFFFll) {
                out.number = static_cast<int32_t>(static_cast<uint32_t>(*l));
            } else {
                throw RegistryException("Data of " + out.name + " is not an integer");
            }
            return out;
        }
        case reg::DataKind::Bytes:
            break;
    }
    auto i = value.getIntData();
    if (out.type == reg::REG_DWORD_BIG_ENDIAN && i) {
        auto u = static_cast<uint32_t>(*i);
        out.bytes = {static_cast<uint8_t>(u >> 24), static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 8),
                     static_cast<uint8_t>(u)};
    } else {
        out.bytes = *value.getByteData();
    }
    return out;
}

RegistryValue fromNative(const reg::Value& value) {
    const ValueType* type = ValueType::fromNumber(value.type);
    if (!type) throw RegistryException("Unknown value type " + std::to_string(value.type) + " of " + value.name);
    switch (reg::kindOf(value.type)) {
        case reg::DataKind::Text:
            return RegistryValue(value.name, *type, value.text);
        case reg::DataKind::Number:
            return RegistryValue(value.name, *type, value.number);
        case reg::DataKind::Bytes:
            break;
    }
    return RegistryValue(value.name, *type, value.bytes);
}

}  // namespace

RegistryKey::RegistryKey() : RegistryKey(RootKey::HKEY_CURRENT_USER, "") {}

RegistryKey::RegistryKey(const std::string& path) : RegistryKey(RootKey::HKEY_CURRENT_USER, path) {}

RegistryKey::RegistryKey(const RootKey& root) : RegistryKey(root, "") {}

RegistryKey::RegistryKey(const RootKey& root, const std::string& path) : m_root(&root), m_path(path) {
    checkInitialized();
}

std::string RegistryKey::toString() const {
    return m_path.empty() ? m_root->getName() : m_root->getName() + "\\" + m_path;
}

ValueIterator RegistryKey::values() const {
    checkInitialized();
    return ValueIterator(*this);
}

KeyIterator RegistryKey::subkeys() const {
    checkInitialized();
    return KeyIterator(*this);
}

void RegistryKey::setValue(const RegistryValue& value) const {
    reg::Value out = toNative(value);
    native([&] { reg::setValue(m_root->getHandle(), m_path, out); });
}

std::string RegistryKey::makePath(const std::string& name) const {
    return m_path.empty() ? name : m_path + "\\" + name;
}

bool RegistryKey::hasValues() const {
    return native([&] { return reg::hasValues(m_root->getHandle(), m_path); });
}

bool RegistryKey::hasValue(const std::string& name) const {
    return native([&] { return reg::hasValue(m_root->getHandle(), m_path, name); });
}

bool RegistryKey::hasSubkeys() const {
    return native([&] { return reg::hasSubkeys(m_root->getHandle(), m_path); });
}

bool RegistryKey::hasSubkey(const std::string& name) const {
    checkInitialized();
    return RegistryKey(*m_root, makePath(name)).exists();
}

RegistryValue RegistryKey::getValue(const std::string& name) const {
    reg::Value value = native([&] { return reg::getValue(m_root->getHandle(), m_path, name); });
    return fromNative(value);
}

std::string RegistryKey::getName() const {
    auto slash = m_path.rfind('\\');
    return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}

bool RegistryKey::exists() const {
    return native([&] { return reg::exists(m_root->getHandle(), m_path); });
}

void RegistryKey::deleteValue(const std::string& name) const {
    native([&] { reg::deleteValue(m_root->getHandle(), m_path, name); });
}

void RegistryKey::deleteKey() const {
    native([&] { reg::deleteKey(m_root->getHandle(), m_path); });
}

RegistryKey RegistryKey::createSubkey(const std::string& name) const {
    checkInitialized();
    RegistryKey key(*m_root, makePath(name));
    key.create();
    return key;
}

void RegistryKey::create() const {
    native([&] { reg::create(m_root->getHandle(), m_path); });
}

void RegistryKey::checkInitialized() {
    if (!c_initSucceeded) {
        throw std::logic_error("You must successfuly call method initialize before calling this method.");
    }
}

void RegistryKey::initialize() { initialize("winreg"); }

void RegistryKey::initialize(const std::string& libraryName) {
    std::lock_guard<std::mutex> guard(classLock());
    try {
        reg::test();
    } catch (const reg::NotLoadedError&) {
        reg::loadLibrary(libraryName);
        reg::test();
    }
    c_initSucceeded = true;
}

void RegistryKey::testInitialized() { reg::test(); }

}  // namespace foundation
