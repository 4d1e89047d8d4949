#pragma once
// Stands in for the user's own browser: while the object lives, every
// address the system layer opens outside is appended by a small recording
// program (started as a real child process) to a file the test reads.

#include <string>
#include <vector>

#include "tests/support/Wait.h"

namespace rltest {

class OpenedUrls {
public:
    OpenedUrls();
    ~OpenedUrls();
    OpenedUrls(const OpenedUrls&) = delete;
    OpenedUrls& operator=(const OpenedUrls&) = delete;

    // The addresses recorded so far, in the order they arrived.
    std::vector<std::string> urls() const;
    // Waits until at least count addresses arrived; answers the list.
    std::vector<std::string> waitFor(size_t count, int timeoutMs = WAIT_MS) const;
    // The recording program itself (for tests of the opener).
    const std::string& program() const { return m_program; }

private:
    std::string m_dir;
    std::string m_program;
    std::string m_record;
};

}  // namespace rltest
