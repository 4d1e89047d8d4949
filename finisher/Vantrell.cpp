#include "finisher/Vantrell.h"

#include <limits.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "finisher/ZipArchive.h"
#include "foundation/ExceptionUtil.h"
#include "foundation/FileUtil.h"
#include "foundation/LogText.h"
#include "foundation/Logger.h"
#include "foundation/ProcessUtil.h"
#include "foundation/ThreadUtil.h"

using foundation::ExceptionUtil;
using foundation::FileUtil;
using foundation::Logger;
using foundation::LogText;
using foundation::ProcessUtil;

namespace finisher {

namespace {

std::string parentOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash);
}

// The canonical form of an existing path; "" when it cannot be had.
std::string canonical(const std::string& path) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return "";
    return resolved;
}

// Whether the canonical path inner is the canonical folder or lies inside it.
bool within(const std::string& folder, const std::string& inner) {
    if (folder.empty() || inner.empty()) return false;
    if (folder == inner || folder == "/") return true;
    return inner.compare(0, folder.size() + 1, folder + "/") == 0;
}

// Whether inner is folder itself or lies inside it.
bool holds(const std::string& folder, const std::string& inner) { return within(canonical(folder), canonical(inner)); }

// Where name inside the resolved folder leads: links that exist are
// followed, the rest is taken as written.
std::string resolveChild(const std::string& folder, const std::string& name) {
    std::string candidate = (folder == "/" ? "" : folder) + "/" + name;
    struct stat st;
    if (::lstat(candidate.c_str(), &st) != 0) return candidate;
    std::string real = canonical(candidate);
    return real.empty() ? candidate : real;
}

// The relaunch command: a bare program name is the one in the working
// folder, which is where the program that started us runs.
std::string relaunchCommand(const std::string& executable) {
    std::string first = executable.substr(0, executable.find(' '));
    if (!first.empty() && first.find('/') == std::string::npos) return "./" + executable;
    return executable;
}

mode_t currentUmask() {
    mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

}  // namespace

int Vantrell::main(const std::vector<std::string>& args) {
    if (args.size() != 5) {
        std::cout << NOT_MANUAL << std::endl;
        return -1;
    }
    Vantrell run(args[0], args[1], args[2], args[3], args[4]);
    return 0;
}

Vantrell::Vantrell(const std::string& source, const std::string& destination, const std::string& executable,
                   const std::string& versionsSource, const std::string& versionsDestination, int64_t pauseMs,
                   uint64_t unpackLimit)
    : m_source(source),
      m_destination(destination),
      m_executable(executable),
      m_versionsSource(versionsSource),
      m_versionsDestination(versionsDestination),
      m_unpackLimit(unpackLimit),
      m_newFileMode(0666 & ~currentUmask()) {
    Logger::setLogFilePath(LOG_FILE);
    Logger::setLevel(Logger::LEVEL_VERBOSE);
    Logger::setUseConsole(false);

    Logger::info("Source Path: " + m_source);
    Logger::info("Destination Path: " + m_destination);
    Logger::info("Executable Path: " + m_executable);
    Logger::info("Versions Source: " + m_versionsSource);
    Logger::info("Versions Destination: " + m_versionsDestination);
    Logger::info("Waiting 5 seconds to give launching app a chance to fully quit");
    foundation::ThreadUtil::sleepWithoutAlarm(pauseMs);

    bool complete = false;
    try {
        complete = install();
    } catch (const std::exception& failure) {
        Logger::error(failure);
    } catch (...) {
        Logger::error("Unable to install the upgrade");
    }
    closing();
    if (complete) {
        m_complete = true;
        Logger::info("Exiting");
    }
}

bool Vantrell::install() {
    if (!FileUtil::doesFileExist(m_destination)) {
        Logger::error("No dir exists at destination path at " + m_destination);
        return false;
    }
    if (!FileUtil::doesFileExist(m_source)) {
        Logger::error("No dir exists at source path at " + m_source);
        return false;
    }
    if (!FileUtil::doesFileExist(m_versionsSource)) {
        Logger::error("No temporary versions file exists at " + m_versionsSource);
        return false;
    }

    ZipFilenameFilter filter;
    for (const auto& name : FileUtil::listFiles(m_source)) {
        if (filter.accept(m_source, name)) m_archives.push_back(name);
    }
    if (m_archives.empty()) {
        Logger::error("No relevant files in source dir");
        return false;
    }
    m_sourceReal = canonical(m_source);
    m_destinationReal = canonical(m_destination);
    if (m_sourceReal.empty() || m_destinationReal.empty()) {
        throw std::runtime_error("Unable to resolve " + m_source + " and " + m_destination);
    }

    // Every archive is checked whole, then unpacked into a staging folder
    // of its own, before the first file of any is moved: a failure up to
    // there leaves the install folder and the versions file as they were.
    for (const auto& name : m_archives) validateZipFile(m_source, name);
    for (const auto& name : m_archives) unzipFile(m_source, name);
    for (const auto& name : m_archives) installArchive(name);

    if (!m_allMoved) {
        // The old versions file stays, so the upgrade is offered again.
        Logger::error("Not overwriting " + m_versionsDestination + " since some files could not be moved into place");
        return true;
    }
    Logger::info("Overwriting " + m_versionsDestination + " with " + m_versionsSource);
    if (!replaceVersions()) {
        Logger::info("Not moved: " + m_versionsSource + " to " + m_versionsDestination);
        Logger::error("Unable to replace " + m_versionsDestination);
    }
    return true;
}

bool Vantrell::replaceVersions() {
    std::string text;
    try {
        text = FileUtil::readFileIntoStringWithThrow(m_versionsSource);
    } catch (const std::exception& failure) {
        Logger::error(failure);
        return false;
    }
    // Written beside the old file, flushed and renamed over it: a run
    // stopped here leaves the old table or the new one, whole.
    if (!Logger::writeFileChecked(m_versionsDestination, text)) return false;
    Logger::info("Moved: " + m_versionsSource + " to " + m_versionsDestination);
    FileUtil::deleteDirAndFiles(m_versionsSource);
    return true;
}

void Vantrell::installArchive(const std::string& fileName) {
    // The archive's scripts and moves see it in the scratch folder, where
    // an upgrade's own scripts look for its files.
    const std::string staging = stagingFolder(m_source, fileName);
    const std::string scratch = m_source + "/" + TEMP_UNZIP_DIRECTORY;
    deleteFolder(scratch);
    // An archive without entries whose staging folder could not be made
    // has nothing to move, and whatever stands there is not its own.
    if (m_staged.count(fileName) && ::rename(staging.c_str(), scratch.c_str()) != 0) {
        throw std::runtime_error("Unable to move " + staging + " to " + scratch + ": " + std::strerror(errno));
    }
    runScript(scratch + "/" + PRE_SCRIPT_PATH);
    if (!FileUtil::overwriteFiles(scratch, m_destination)) m_allMoved = false;
    deleteFolder(scratch);
    runScript(m_destination + "/" + POST_SCRIPT_PATH);
}

std::string Vantrell::stagingFolder(const std::string& sourceDir, const std::string& fileName) const {
    // Numbered by the archive's place in the list: no name that could be
    // taken for an archive or a versions table.
    auto at = std::find(m_archives.begin(), m_archives.end(), fileName);
    return sourceDir + "/" + TEMP_UNZIP_DIRECTORY + "." + std::to_string(at - m_archives.begin() + 1);
}

void Vantrell::runScript(const std::string& path) {
    struct stat st;
    bool hasContent = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
    if (hasContent) {
        Logger::info("Running " + path);
        ProcessUtil::launchProcess(SCRIPT_SHELL, {path}, true);
    } else {
        Logger::info("Not launching " + path + " since it is an empty script");
    }
    FileUtil::deleteDirAndFiles(path);
}

void Vantrell::validateZipFile(const std::string& sourceDir, const std::string& fileName) {
    std::string path = sourceDir + "/" + fileName;
    Logger::info("Validating " + LogText::escape(path));
    ZipArchive archive(path);
    Logger::info("\tEntries - " + std::to_string(archive.entries().size()));
    for (const ZipEntry& entry : archive.entries()) {
        Logger::info("\tEntry - " + LogText::escape(entry.name) + " with size of " +
                     std::to_string(entry.uncompressedSize));
    }
    archive.checkEntries();
    checkPlacement(archive, stagingFolder(sourceDir, fileName));
    archive.checkData();
}

void Vantrell::checkPlacement(const ZipArchive& archive, const std::string& staging) {
    uint64_t size = archive.unpackedSize();
    if (size > m_unpackLimit - m_unpacked) {
        throw ZipException("Cannot install " + LogText::escape(archive.getPath()) + ": the upgrade would unpack " +
                           std::to_string(m_unpacked) + " + " + std::to_string(size) + " bytes, more than the " +
                           std::to_string(m_unpackLimit) + " one upgrade may");
    }
    m_unpacked += size;
    for (const ZipEntry& entry : archive.entries()) {
        // Unpacked and moved under paths the file system takes whole.
        if (std::max(staging.size(), m_destination.size()) + 1 + entry.path().size() >= PATH_MAX) {
            throw archive.failure(entry, "is too long for the file system");
        }
        std::vector<std::string> parts = entry.components();
        std::string relative;
        for (size_t i = 0; i < parts.size(); ++i) {
            relative += (i == 0 ? "" : "/") + parts[i];
            plan(relative, i + 1 < parts.size() || entry.isDirectory(), archive, entry);
        }
    }
}

void Vantrell::plan(const std::string& relative, bool folder, const ZipArchive& archive, const ZipEntry& entry) {
    auto known = m_plan.find(relative);
    if (known != m_plan.end()) {
        if (known->second.folder == folder) return;
        const std::string shown = LogText::escape(relative);
        throw archive.failure(entry, folder ? "needs a folder where an entry puts the file " + shown
                                            : "puts a file where an entry needs the folder " + shown);
    }
    auto slash = relative.find_last_of('/');
    bool top = slash == std::string::npos;
    const std::string& parent = top ? m_destinationReal : m_plan.at(relative.substr(0, slash)).resolved;
    std::string resolved = resolveChild(parent, top ? relative : relative.substr(slash + 1));

    // The upgrade folder holds the archives, the scratch folder and the new
    // versions file; nothing may be moved over them. An install folder
    // inside the upgrade folder is the one exception.
    bool installInsideUpgrade = m_destinationReal != m_sourceReal && within(m_sourceReal, m_destinationReal);
    if (within(m_sourceReal, resolved) && !(installInsideUpgrade && within(m_destinationReal, resolved))) {
        throw archive.failure(entry, "names the upgrade folder " + LogText::escape(m_source));
    }

    std::string target = m_destination + "/" + relative;
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0) {
        struct stat followed;
        bool isFolder = S_ISDIR(st.st_mode) ||
                        (S_ISLNK(st.st_mode) && ::stat(target.c_str(), &followed) == 0 && S_ISDIR(followed.st_mode));
        if (folder && !isFolder) {
            throw archive.failure(entry, "needs a folder where the file " + LogText::escape(target) + " stands");
        }
        if (!folder && S_ISDIR(st.st_mode)) {
            throw archive.failure(entry, "puts a file where the folder " + LogText::escape(target) + " stands");
        }
    }
    m_plan.emplace(relative, Planned{folder, resolved});
}

void Vantrell::unzipFile(const std::string& sourceDir, const std::string& fileName) {
    std::string path = sourceDir + "/" + fileName;
    Logger::info("Unzipping " + LogText::escape(path));
    try {
        ZipArchive archive(path);
        archive.checkEntries();
        std::string root = stagingFolder(sourceDir, fileName);
        std::string shownRoot = LogText::escape(root);
        // Made fresh: what an earlier run left there never reaches the
        // install, a link there is deleted itself, and a folder holding the
        // install folder stays, so the folder cannot be made.
        struct stat st;
        if (::lstat(root.c_str(), &st) == 0) {
            Logger::info("Deleting " + shownRoot);
            if (S_ISDIR(st.st_mode)) {
                deleteFolder(root);
            } else {
                FileUtil::deleteDirAndFiles(root);
            }
        }
        Logger::info("Creating root dir: " + shownRoot);
        const auto& entries = archive.entries();
        if (::mkdir(root.c_str(), 0777) == 0) {
            m_staged.insert(fileName);
        } else {
            const int err = errno;
            Logger::info("Root dir not created: " + shownRoot);
            if (!entries.empty()) throw ZipException("Unable to create " + shownRoot + ": " + std::strerror(err));
        }
        for (size_t i = 0; i < entries.size(); ++i) {
            const ZipEntry& entry = entries[i];
            std::string relative = entry.path();
            std::string target = root + "/" + relative;
            std::error_code ec;
            std::string shown = LogText::escape(target);
            if (entry.isDirectory()) {
                Logger::info("Creating dir: " + shown);
                if (!std::filesystem::create_directory(target, ec)) Logger::info("Dir not created: " + shown);
                continue;
            }
            std::string parent = parentOf(target);
            std::string shownParent = LogText::escape(parent);
            Logger::info("Creating parent dirs: " + shownParent);
            if (!std::filesystem::create_directories(parent, ec)) {
                Logger::info("Parent dirs not created: " + shownParent);
            }
            archive.extract(i, target, modeFor(entry, relative));
        }
    } catch (const std::exception& failure) {
        throw ZipException("Error creating zip file for " + LogText::escape(path) + "\r\n\r\n" +
                           ExceptionUtil::getExceptionText(failure));
    }
}

mode_t Vantrell::modeFor(const ZipEntry& entry, const std::string& relative) const {
    // Permission bits only: an upgrade never makes set-id files.
    if (auto mode = entry.unixMode()) return *mode & 0777;
    struct stat st;
    std::string replaced = m_destination + "/" + relative;
    if (::stat(replaced.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 0777;
    return m_newFileMode;
}

void Vantrell::deleteFolder(const std::string& folder) {
    if (holds(folder, m_destination)) {
        Logger::error("Not deleting " + folder + " since the install folder " + m_destination + " is inside it");
        return;
    }
    FileUtil::deleteDirAndFiles(folder);
}

void Vantrell::closing() {
    // What was unpacked and not moved goes, also where the upgrade folder
    // itself stays.
    for (const auto& name : m_archives) deleteFolder(stagingFolder(m_source, name));
    deleteFolder(m_source + "/" + TEMP_UNZIP_DIRECTORY);
    Logger::info("Deleting " + m_source);
    deleteFolder(m_source);
    Logger::info("Launching " + m_executable);
    try {
        ProcessUtil::spawnSeparateProcess(relaunchCommand(m_executable));
    } catch (const std::exception& failure) {
        Logger::error("Unable to launch " + m_executable, failure);
    }
}

bool ZipFilenameFilter::accept(const std::string&, const std::string& name) const {
    static const std::string suffix = ".zip";
    return name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace finisher
