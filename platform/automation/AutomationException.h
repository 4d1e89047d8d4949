#pragma once
// A failure of an automation call: no server for a name, an unknown
// property or method, a call the object refused, a browser that is gone.

#include <stdexcept>
#include <string>

namespace automation {

class AutomationException : public std::runtime_error {
public:
    explicit AutomationException(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace automation
