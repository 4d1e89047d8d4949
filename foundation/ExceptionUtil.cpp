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
std::string traceLines(int skip) {
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

std::string ExceptionUtil::getStackTrace(const std::exception* failure) {
    // A thrown C++ exception carries no trace; only a failure made here has one.
    if (!failure) return description(nullptr, "") + "\n" + traceLines(2);
    return description(failure, "") + "\n";
}

std::string ExceptionUtil::getExceptionText(const std::exception* failure) {
    if (!failure) return description(nullptr, "") + "\n" + description(nullptr, "") + "\n" + traceLines(2);
    return description(failure, "") + "\n" + getStackTrace(failure);
}

std::string ExceptionUtil::dumpStack() { return description(nullptr, "StackTrace") + "\n" + traceLines(2); }

}  // namespace foundation
