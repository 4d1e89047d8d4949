#include "platform/com/ComException.h"

namespace com {

const char* errorName(ComError error) {
    switch (error) {
        case ComError::ClassNotRegistered:
            return "ClassNotRegistered";
        case ComError::ModuleNotLoaded:
            return "ModuleNotLoaded";
        case ComError::EntryPointMissing:
            return "EntryPointMissing";
        case ComError::ClassNotAvailable:
            return "ClassNotAvailable";
        case ComError::RegistrationFailed:
            return "RegistrationFailed";
        case ComError::NotAControl:
            return "NotAControl";
        case ComError::UnknownName:
            return "UnknownName";
        case ComError::MemberNotFound:
            return "MemberNotFound";
        case ComError::BadParamCount:
            return "BadParamCount";
        case ComError::ParamNotFound:
            return "ParamNotFound";
        case ComError::TypeMismatch:
            return "TypeMismatch";
        case ComError::Overflow:
            return "Overflow";
        case ComError::Exception:
            return "Exception";
        case ComError::Disposed:
            return "Disposed";
    }
    return "Unknown";
}

}  // namespace com
