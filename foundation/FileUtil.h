#pragma once
// Static file helpers: test, copy, read, delete and move files and trees.
// Paths are shown in failures and log lines as they were passed.

#include <stdexcept>
#include <string>
#include <vector>

namespace foundation {

class FileUtil {
public:
    // An input/output failure of these helpers.
    class IOException : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // Whether a file or directory exists at the path (a link counts by
    // what it points to).
    static bool doesFileExist(const std::string& path);

    // Copies the bytes of `from` over `to`. The copy is written next to `to`
    // and renamed into place, so a failure leaves `to` as it was. An
    // existing `to` keeps its permissions; a new one gets those of `from`.
    // Copying a file onto itself (by any path) does nothing and throws.
    // Every failure is an IOException to the caller.
    static void copyFile(const std::string& from, const std::string& to);

    // The whole file; "" after logging "Unable to read from file <path>"
    // when it cannot be read.
    static std::string readFileIntoString(const std::string& path);
    // The whole file; an IOException when it cannot be read, for callers
    // that must tell an unreadable file from an empty one.
    static std::string readFileIntoStringWithThrow(const std::string& path);

    // The names in a directory (without "." and ".."), in the order the
    // system lists them. IOException "Unable to list directory <path>: ...".
    static std::vector<std::string> listFiles(const std::string& dir);

    // A directory goes with everything in it; anything else (a symbolic
    // link included, which is never followed) is unlinked. A missing path
    // is no failure. IOException "Unable to delete file: <path>".
    static void forceDelete(const std::string& file);
    // A missing directory is no failure; a link to a directory is removed
    // itself. IOException "Unable to delete directory <path>.".
    static void deleteDirectory(const std::string& dir);
    // Deletes everything inside the directory and keeps it. Throws
    // std::invalid_argument "<path> does not exist" or "<path> is not a
    // directory"; an entry that cannot be removed does not stop the others,
    // the last such failure is thrown at the end.
    static void cleanDirectory(const std::string& dir);
    // forceDelete that logs "Unable to delete: <path>" instead of throwing.
    static void deleteDirAndFiles(const std::string& file);
    // Moves the tree at `from` over the tree at `to`: source files replace
    // destination files of the same name, other destination files stay,
    // the source keeps its directories. A file is renamed over the one it
    // replaces (never deleted first), so a move stopped at any moment leaves
    // each target whole, old or new; a file is never put where a folder
    // stands, nor a folder where a file stands. Logs what it does: what it
    // could not move as "Not moved: <from> to <to>" (info), followed by
    // why (error). Throws nothing. Answers whether every file was moved (a
    // missing source moves nothing and counts as done).
    static bool overwriteFiles(const std::string& from, const std::string& to);
};

}  // namespace foundation
