#include "foundation/ExceptionUtil.h"

#include <cxxabi.h>
#include <execinfo.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace foundation {

namespace {

std::string demangle(const char* mangled) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> out(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    std::string name = (status == 0 && out) ? out.get() : mangled;
    // A failure thrown with std::throw_with_nested is named after what was thrown.
    const std::string nested = "std::_Nested_exception<";
    if (name.rfind(nested, 0) == 0 && name.back() == '>') name = name.substr(nested.size(), name.size() - nested.size() - 1);
    // Drop the namespaces: "foundation::TextBrowserException" -> "TextBrowserException".
    auto templ = name.find('<');
    auto colon = name.rfind("::", templ == std::string::npos ? std::string::npos : templ);
    if (colon != std::string::npos) name = name.substr(colon + 2);
    return name;
}

std::string description(const std::exception* failure, const std::string& fallbackMessage) {
    std::string type = failure ? ExceptionUtil::typeName(*failure) : "Exception";
    std::string message = failure ? failure->what() : fallbackMessage;
    return message.empty() ? type : type + ": " + message;
}

// Frames of the current call chain, skipping this file's own frames.
__attribute__((noinline)) std::string traceLines(int skip) {
    void* frames[32];
    int n = backtrace(frames, 32);
    std::unique_ptr<char*, void (*)(void*)> symbols(backtrace_symbols(frames, n), std::free);
    std::string out;
    if (!symbols) return out;
    for (int i = skip; i < n; ++i) {
        std::string line = symbols.get()[i];
        auto open = line.find('(');
        auto plus = line.find('+', open);
        if (open != std::string::npos && plus != std::string::npos && plus > open + 1) {
            line = demangle(line.substr(open + 1, plus - open - 1).c_str());
        }
        out += "\tat " + line + "\n";
    }
    return out;
}

}  // namespace

std::string ExceptionUtil::typeName(const std::exception& failure) { return demangle(typeid(failure).name()); }

std::string ExceptionUtil::typeName(const std::type_info& type) { return demangle(type.name()); }

namespace {

// "Caused by: " lines for the failures nested inside this one.
std::string causes(const std::exception& failure, int depth) {
    auto* nested = dynamic_cast<const std::nested_exception*>(&failure);
    if (!nested || !nested->nested_ptr() || depth > 16) return "";
    try {
        std::rethrow_exception(nested->nested_ptr());
    } catch (const std::exception& cause) {
        return "Caused by: " + description(&cause, "") + "\n" + causes(cause, depth + 1);
    } catch (...) {
        return "Caused by: unknown failure\n";
    }
}

}  // namespace

std::string ExceptionUtil::getStackTrace(const std::exception* failure) {
    // A thrown C++ exception carries no trace; only a failure made here has one.
    if (!failure) return description(nullptr, "") + "\n" + traceLines(2);
    return description(failure, "") + "\n" + causes(*failure, 0);
}

std::string ExceptionUtil::getExceptionText(const std::exception* failure) {
    if (!failure) return description(nullptr, "") + "\n" + description(nullptr, "") + "\n" + traceLines(2);
    return description(failure, "") + "\n" + getStackTrace(failure);
}

std::string ExceptionUtil::dumpStack() { return description(nullptr, "StackTrace") + "\n" + traceLines(2); }

}  // namespace foundation
