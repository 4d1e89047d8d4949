#pragma once
// A fresh temporary folder made the working folder for the life of the
// object. At its end, every thread still running is stopped and joined
// (endTestThreads; one that does not end fails the test), then the previous
// working folder is restored and the folder removed.

#include <string>

namespace rltest {

class TempWorkDir {
public:
    TempWorkDir();
    ~TempWorkDir();
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;

    const std::string& path() const { return m_path; }
    // Absolute path of a file inside the folder.
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
    std::string m_previous;
};

// Stops and joins every thread of the process (foundation::Thread) within
// a limit that allows for a loaded machine; true when none is left.
bool endTestThreads();

// A new empty folder under the system's temporary folder, named prefix +
// six random characters; the caller removes it.
std::string makeTempDirectory(const std::string& prefix);

// A shell command run to its end, with what it wrote to its output (add
// " 2>&1" to the command for its errors too) and its exit status (-1 when
// it did not exit normally).
struct CommandRun {
    int exitCode = -1;
    std::string output;
};
CommandRun runCommand(const std::string& command);

// Whole-file helpers for tests.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);
// The permission and set-id bits of a file; 0 when it cannot be examined.
unsigned fileMode(const std::string& path);
// Puts a built program into folder under its own name as a file of the
// folder, as an install holds it (a program works in the folder of its own
// file): a hard link when both are on one file system, else a copy.
// Answers its path there.
std::string installProgram(const std::string& program, const std::string& folder);
// The source tree's root (from RL_SOURCE_DIR, set by ctest).
std::string sourceDir();

}  // namespace rltest
