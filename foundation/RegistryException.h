#pragma once
// A failure of the registry layer, with the system's reason.

#include <stdexcept>
#include <string>

namespace foundation {

class RegistryException : public std::runtime_error {
public:
    // Both check that the registry layer was initialised first.
    RegistryException();
    explicit RegistryException(const std::string& message);
};

}  // namespace foundation
