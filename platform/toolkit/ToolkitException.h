#pragma once
// Failure of a toolkit call: wrong thread, disposed widget, bad argument,
// missing backend, unreadable image.

#include "platform/toolkit/Style.h"

#include <stdexcept>
#include <string>

namespace tk {

class ToolkitException : public std::runtime_error {
public:
    explicit ToolkitException(int code);
    ToolkitException(int code, const std::string& detail);
    int code() const { return m_code; }
    // The standard text of a code ("Widget is disposed").
    static std::string textOf(int code);

private:
    int m_code;
};

}  // namespace tk
