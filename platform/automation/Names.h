#pragma once
// Member and tag names compare without regard to letter case (ASCII).

#include <string>

#include "platform/system/Ascii.h"

namespace automation {

inline std::string lowerCase(const std::string& text) { return sys::asciiLower(text); }
inline std::string upperCase(const std::string& text) { return sys::asciiUpper(text); }

}  // namespace automation
