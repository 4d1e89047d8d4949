#include "foundation/RegistryException.h"

#include "foundation/RegistryKey.h"

namespace foundation {

namespace {
const std::string& checked(const std::string& message) {
    RegistryKey::checkInitialized();
    return message;
}
}  // namespace

RegistryException::RegistryException() : std::runtime_error(checked("")) {}

RegistryException::RegistryException(const std::string& message) : std::runtime_error(checked(message)) {}

}  // namespace foundation
