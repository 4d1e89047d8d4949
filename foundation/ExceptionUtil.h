#pragma once
// A failure as text, for log entries and error reports.

#include <exception>
#include <string>
#include <typeinfo>

namespace foundation {

class ExceptionUtil {
public:
    // The failure's type name (without namespaces) for the report texts.
    static std::string typeName(const std::exception& failure);
    // A type's name without namespaces, as above.
    static std::string typeName(const std::type_info& type);
    // Type and message on one line ("Type: message", or the type alone), then
    // one line per trace frame and a "Caused by: " line per nested failure;
    // every line ends with "\n". An absent failure stands for a generic
    // failure raised at the call point.
    static std::string getStackTrace(const std::exception* failure);
    static std::string getStackTrace(const std::exception& failure) { return getStackTrace(&failure); }
    // The one-line description, "\n", then getStackTrace of the failure.
    static std::string getExceptionText(const std::exception* failure);
    static std::string getExceptionText(const std::exception& failure) { return getExceptionText(&failure); }
    // The report text of a new failure "StackTrace" raised here.
    static std::string dumpStack();
};

}  // namespace foundation
