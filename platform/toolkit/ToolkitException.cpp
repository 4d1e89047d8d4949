#include "platform/toolkit/ToolkitException.h"

#include "platform/toolkit/Style.h"

namespace tk {

std::string ToolkitException::textOf(int code) {
    switch (code) {
        case ERROR_NO_HANDLES: return "No more handles";
        case ERROR_NULL_ARGUMENT: return "Argument cannot be null";
        case ERROR_INVALID_ARGUMENT: return "Argument not valid";
        case ERROR_INVALID_RANGE: return "Index out of bounds";
        case ERROR_NOT_IMPLEMENTED: return "Not implemented";
        case ERROR_THREAD_INVALID_ACCESS: return "Invalid thread access";
        case ERROR_WIDGET_DISPOSED: return "Widget is disposed";
        case ERROR_INVALID_PARENT: return "Argument not valid [invalid parent]";
        case ERROR_IO: return "i/o error";
        case ERROR_INVALID_IMAGE: return "Invalid image";
        case ERROR_UNSUPPORTED_FORMAT: return "Unsupported or unrecognized format";
        case ERROR_GRAPHIC_DISPOSED: return "Graphic is disposed";
        case ERROR_DEVICE_DISPOSED: return "Device is disposed";
        case ERROR_NO_BACKEND: return "No such toolkit backend";
        default: return "Unspecified error";
    }
}

ToolkitException::ToolkitException(int code) : std::runtime_error(textOf(code)), m_code(code) {}

ToolkitException::ToolkitException(int code, const std::string& detail)
    : std::runtime_error(textOf(code) + " [" + detail + "]"), m_code(code) {}

}  // namespace tk
