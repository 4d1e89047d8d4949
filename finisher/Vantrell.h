#pragma once
// The upgrade finisher: started by the upgrade client just before the
// program ends, it waits for the program to quit, validates every
// downloaded archive, installs them one by one over the install folder
// (unpacking into a scratch folder, running the archive's scripts, moving
// the files into place), replaces the versions file, deletes the upgrade
// folder and starts the program again. It asks nothing and has no window;
// "Vantrell.log" in the working folder tells what it did.
//
// Nothing is installed unless every archive passed its checks; the versions
// file is replaced only when every file was moved into place, so a partly
// installed upgrade is offered again.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace finisher {

struct ZipEntry;

class Vantrell {
public:
    static constexpr int64_t INITIAL_PAUSE = 5000;
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
    // quit; tests shorten it.
    Vantrell(const std::string& source, const std::string& destination, const std::string& executable,
             const std::string& versionsSource, const std::string& versionsDestination,
             int64_t pauseMs = INITIAL_PAUSE);

    // Whether the run went through to the end ("Exiting" was logged).
    bool isComplete() const { return m_complete; }

    // Lists an archive and checks it whole (names, kinds, methods, data)
    // without writing anything; throws when it may not be installed.
    void validateZipFile(const std::string& sourceDir, const std::string& fileName);
    // Unpacks an archive into the scratch folder of sourceDir.
    void unzipFile(const std::string& sourceDir, const std::string& fileName);

private:
    // False when a check failed or there was nothing to install.
    bool install();
    void installArchive(const std::string& fileName);
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
    mode_t m_newFileMode;
    bool m_allMoved = true;
    bool m_complete = false;
};

// Picks the archives of the upgrade folder: names ending in ".zip" exactly.
class ZipFilenameFilter {
public:
    bool accept(const std::string& dir, const std::string& name) const;
};

}  // namespace finisher
