#pragma once
// A failure of the component layer or of a component, with its kind and a
// text that says what failed and why.

#include <stdexcept>
#include <string>

namespace com {

enum class ComError {
    ClassNotRegistered,  // no class is registered under the ProgID or class id
    ModuleNotLoaded,     // the module file is missing or cannot be loaded
    EntryPointMissing,   // the file is no module: an entry point is missing
    ClassNotAvailable,   // the module does not offer the registered class
    RegistrationFailed,  // the registry store could not be written
    NotAControl,         // the object cannot be placed in a frame
    UnknownName,         // a member or parameter name is not known
    MemberNotFound,      // no member has the id, or not of that kind
    BadParamCount,       // arguments missing or too many
    ParamNotFound,       // a named argument is not a parameter of the member
    TypeMismatch,        // an argument does not convert to the parameter's type
    Overflow,            // a number is outside the type's range
    Exception,           // the member itself failed; the text is its reason
    Disposed,            // the site or automation object was disposed
};

class ComException : public std::runtime_error {
public:
    ComException(ComError error, const std::string& message) : std::runtime_error(message), m_error(error) {}
    ComError getError() const { return m_error; }

private:
    ComError m_error;
};

// The error's name, for log lines and test messages.
const char* errorName(ComError error);

}  // namespace com
