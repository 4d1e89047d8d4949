#pragma once
// Opening an address in the user's own web browser or mail program: the
// desktop's opener ("xdg-open") is started as a separate process from an
// argument vector, with the address as its one argument, and not waited for.
// Only http, https and mailto addresses are opened; anything else (local
// files, scripts, other schemes) is refused. A local file is opened only
// through openFile, whose caller decides which files may be opened.

#include <string>
#include <vector>

namespace sys {

// Whether the address is one openUrl hands on: it starts with "http://",
// "https://" or "mailto:" (scheme in any case) and has something after it.
bool isOpenableUrl(const std::string& url);

// Starts the opener on the address. False when the address is refused;
// std::system_error when the opener cannot be started.
bool openUrl(const std::string& url);

// Starts the opener on the file address of an existing regular file given
// by its absolute path. False when the path is not absolute or names no
// regular file; std::system_error when the opener cannot be started.
bool openFile(const std::string& path);

// The file address of an absolute path: "file://" and the path with every
// byte outside the unreserved set and "/" percent-encoded.
std::string fileUrlOf(const std::string& path);

// The program and leading arguments of the opener; the address is added as
// the last argument. {"xdg-open"} unless set (tests name a recorder).
void setUrlOpener(std::vector<std::string> command);
std::vector<std::string> getUrlOpener();

}  // namespace sys
