#pragma once
// Names of the temporary files that whole-file writes go through, and the
// removal of those that a killed writer left behind.
//
// A temporary file is named "<file>.tmp<pid>-<n>" in the folder of the file
// it replaces: the pid of the writing process and a counter of that process.
// A program removes such files from the folders it owns when it starts, once
// the process that made them is gone; files of any other name, and those of
// processes still running, are left alone.

#include <string>
#include <vector>

namespace foundation {

class TempFiles {
public:
    TempFiles() = delete;

    // A fresh temporary name for a write that replaces path.
    static std::string nameFor(const std::string& path);

    // Whether a file name (without folder) is one nameFor gives; pid, when
    // given, receives the writer's process id.
    static bool isTemporaryName(const std::string& name, long* pid = nullptr);

    // Removes the temporary files of writers that are gone from folder and
    // from each of the subfolders named (relative to folder), never from a
    // folder below them: a program names only the folders it writes into,
    // so a user's own files elsewhere stay whatever their names. Symbolic
    // links are not followed. Answers how many were removed.
    static int removeStale(const std::string& folder, const std::vector<std::string>& subfolders = {});
};

}  // namespace foundation
