#pragma once
// Outside text made fit for one log line. Entry names of archives, server
// answers and page texts may hold line breaks, escape sequences and other
// control characters; written raw they would forge log lines or drive the
// terminal of whoever reads the log.

#include <cstddef>
#include <string>
#include <string_view>

namespace foundation {

class LogText {
public:
    // How much of a server's answer a log line shows.
    static constexpr size_t ANSWER_LIMIT = 4096;

    // The text with every control character written as an escape: "\n",
    // "\r", "\t", "\\" for a backslash, "\xHH" for the other C0 characters
    // and DEL, "\u0085" and the like for the C1 characters and the Unicode
    // line and paragraph separators. Everything else (other UTF-8, bytes
    // that are no UTF-8) stays as it is.
    static std::string escape(std::string_view text);

    // escape() of at most the first `limit` bytes of the text; a longer text
    // is followed by " ... (<n> bytes in all)". The cut never splits a UTF-8
    // character.
    static std::string excerpt(std::string_view text, size_t limit = ANSWER_LIMIT);
};

}  // namespace foundation
