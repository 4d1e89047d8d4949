#pragma once
// For tests that start the automated browser's server program, which runs
// apart from the test (it outlives the program that started it): the
// session gives the test process a home folder of its own (the web engine's
// profile, caches and downloads go there) and marks the environment, so
// every process started from the test, the server and its helpers
// included, can be found and ended by its id when the test is over.

#include <sys/types.h>

#include <string>
#include <vector>

namespace rltest {

class BrowserSession {
public:
    BrowserSession();
    // Ends the marked processes and removes the home folder.
    ~BrowserSession();
    BrowserSession(const BrowserSession&) = delete;
    BrowserSession& operator=(const BrowserSession&) = delete;

    const std::string& home() const { return m_home; }
    // Processes other than this one whose environment carries the mark;
    // with a name, only those running a program of that file name.
    std::vector<pid_t> processes(const std::string& program = "") const;
    // Asks them to end, waits up to timeoutMs, then kills what is left;
    // true when none is left.
    bool endProcesses(int timeoutMs = 10000) const;

private:
    std::string m_home;
    std::string m_mark;
    std::vector<std::pair<std::string, std::string>> m_saved;
};

bool haveDisplay();

}  // namespace rltest
