#pragma once
// The upgrade finisher: started by the upgrade client just before the
// program ends, it waits for the program to quit, validates every
// downloaded archive, unpacks each into a staging folder of its own (made
// fresh, whatever stood there), then installs them one by one over the
// install folder (the staging folder becomes the scratch folder, where the
// archive's scripts run around the move of its files into place), replaces
// the versions file, deletes the upgrade folder and starts the program
// again. It asks nothing and has no window; "Vantrell.log" in the working
// folder tells what it did.
//
// Nothing is installed unless every archive passed its checks (safe names,
// no entry aimed at the upgrade folder, no file where a folder stands or
// the other way round, no more than MAX_UNPACKED_BYTES in all) and was
// unpacked whole. Each file is renamed over the one it replaces, so a run
// stopped at any moment leaves every file whole, old or new. The versions
// file is replaced (written beside itself, flushed, renamed over) only when
// every file was moved into place, so a partly installed upgrade is offered
// again.

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace finisher {

struct ZipEntry;
class ZipArchive;

class Vantrell {
public:
    static constexpr int64_t INITIAL_PAUSE = 5000;
    // What the files of all archives of one upgrade may unpack to.
    static constexpr uint64_t MAX_UNPACKED_BYTES = uint64_t{2} << 30;
    static constexpr const char* PRE_SCRIPT_PATH = "pre-upgrade.bat";
    static constexpr const char* POST_SCRIPT_PATH = "post-upgrade.bat";
    static constexpr const char* TEMP_UNZIP_DIRECTORY = "unzip";
    static constexpr const char* LOG_FILE = "Vantrell.log";
    static constexpr const char* NOT_MANUAL = "This app is not designed to be launched manually";
    // Scripts are shell scripts, whatever their names say.
    static constexpr const char* SCRIPT_SHELL = "/bin/sh";

    // The entry point: exactly five arguments run the finisher (status 0,
    // whatever happened); any other count prints NOT_MANUAL and answers -1.
    static int main(const std::vector<std::string>& args);

    // Performs the whole run. The pause lets the program that started us
    // quit; tests shorten it, and the limit of what may be unpacked.
    Vantrell(const std::string& source, const std::string& destination, const std::string& executable,
             const std::string& versionsSource, const std::string& versionsDestination,
             int64_t pauseMs = INITIAL_PAUSE, uint64_t unpackLimit = MAX_UNPACKED_BYTES);

    // Whether the run went through to the end ("Exiting" was logged).
    bool isComplete() const { return m_complete; }

    // Lists an archive and checks it whole (names, kinds, methods, where
    // its entries land, size, data) without writing anything; throws when it
    // may not be installed. Archives are checked together: what an earlier
    // one unpacks counts for the later ones.
    void validateZipFile(const std::string& sourceDir, const std::string& fileName);
    // Unpacks an archive into its staging folder in sourceDir.
    void unzipFile(const std::string& sourceDir, const std::string& fileName);

private:
    // Where an archive of sourceDir is unpacked until its turn comes, when
    // the folder becomes the scratch folder.
    std::string stagingFolder(const std::string& sourceDir, const std::string& fileName) const;
    // False when a check failed or there was nothing to install.
    bool install();
    // Runs an unpacked archive's scripts around the move of its files.
    void installArchive(const std::string& fileName);
    // Where the archive's entries land in its staging folder and the
    // install folder, and its share of the limit; throws when it may not be
    // installed.
    void checkPlacement(const ZipArchive& archive, const std::string& staging);
    // Records that the install path (relative, normalized) becomes a folder
    // or a file; throws when that clashes with the install folder, the
    // upgrade folder or another entry.
    void plan(const std::string& relative, bool folder, const ZipArchive& archive, const ZipEntry& entry);
    // Writes the new versions file over the old one; false on failure.
    bool replaceVersions();
    // Runs a script that has content and deletes it either way.
    void runScript(const std::string& path);
    // The archive's mode, else that of the file it replaces, else a new
    // file's.
    mode_t modeFor(const ZipEntry& entry, const std::string& relative) const;
    void closing();
    // Deletes a folder of ours unless the install folder is inside it.
    void deleteFolder(const std::string& folder);

    std::string m_source;
    std::string m_destination;
    std::string m_executable;
    std::string m_versionsSource;
    std::string m_versionsDestination;
    // The archives of the upgrade folder, in the order they install.
    std::vector<std::string> m_archives;
    uint64_t m_unpackLimit;
    mode_t m_newFileMode;
    // The canonical upgrade and install folders, once both exist.
    std::string m_sourceReal;
    std::string m_destinationReal;
    // What each install path becomes, over all archives: whether it is a
    // folder and where it resolves to.
    struct Planned {
        bool folder;
        std::string resolved;
    };
    std::map<std::string, Planned> m_plan;
    // The archives whose staging folder this run made.
    std::set<std::string> m_staged;
    uint64_t m_unpacked = 0;
    bool m_allMoved = true;
    bool m_complete = false;
};

// Picks the archives of the upgrade folder: names ending in ".zip" exactly.
class ZipFilenameFilter {
public:
    bool accept(const std::string& dir, const std::string& name) const;
};

}  // namespace finisher
