#pragma once
// Opening an address in the user's own browser or mail program: only http,
// https and mailto addresses are handed on, to xdg-open as one argument of
// its own (never through a shell), in a separate process.

#include <string>
#include <vector>

namespace sys {

// Whether the address starts with "http:", "https:" or "mailto:" (the scheme
// in any case).
bool isExternallyOpenable(const std::string& url);

// Starts the opener for the address; false when the address is refused or
// the opener could not be started. Does not wait for it.
bool openUrlExternally(const std::string& url);

// The program and leading arguments the address is appended to ("xdg-open"
// unless changed; tests put a recorder here). Empty restores the default.
void setUrlOpener(std::vector<std::string> command);

}  // namespace sys
