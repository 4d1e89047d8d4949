#pragma once
// A fresh temporary folder made the working folder for the life of the
// object; the previous working folder is restored and the folder removed.

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

// Whole-file helpers for tests.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);
// The permission and set-id bits of a file; 0 when it cannot be examined.
unsigned fileMode(const std::string& path);
// The source tree's root (from RL_SOURCE_DIR, set by ctest).
std::string sourceDir();

}  // namespace rltest
