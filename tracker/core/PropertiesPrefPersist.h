#pragma once
// The settings store over one properties file ("<base name>.settings" in the
// working folder): ISO 8859-1 with "\uXXXX" escapes, held in memory as UTF-8
// pairs. Saves replace the file through a temporary file and a rename.

#include <cstdint>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tracker/core/BasePrefPersist.h"

namespace tracker {

class PropertiesPrefPersist : public BasePrefPersist {
public:
    PropertiesPrefPersist() = default;
    ~PropertiesPrefPersist() override = default;

    void setStringValue(const std::string& key, const std::string& value) override;
    void setPersistenceFilePathPrefix(const std::string& name) override;
    void setLongValue(const std::string& key, int64_t value) override;
    void setIntValue(const std::string& key, int value) override;
    void save() override;
    void renameKeysWithPrefix(const std::string& oldPrefix, const std::string& newPrefix) override;
    void removeKeysWithPrefix(const std::string& prefix) override;
    void removeKey(const std::string& key) override;
    void load() override;
    std::string getStringValue(const std::string& key, const std::string& defaultValue) const override;
    std::string getStringValue(const std::string& key) const override;
    int64_t getLongValue(const std::string& key, int64_t defaultValue) const override;
    int64_t getLongValue(const std::string& key) const override;
    std::vector<std::string> getKeys() const override;
    int getIntValue(const std::string& key, int defaultValue) const override;
    int getIntValue(const std::string& key) const override;

    // m_filePath = working folder + base name + ".settings".
    void setDefaultFilePath();
    std::string getFilePath() const;
    std::string getPersistenceFilePathPrefix() const;
    void showLoadErrorMessageBox(const std::string& name, const std::exception& failure);

    // The file format on its own. Parsing adds the entries of the text to the
    // table and throws std::invalid_argument on a malformed "\u" escape,
    // after the entries before it were added.
    static void parseProperties(const std::string& latin1, std::map<std::string, std::string>& into);
    static std::string formatProperties(const std::map<std::string, std::string>& table,
                                        const std::string& headerComment);
    static std::string escapeKey(const std::string& utf8);
    static std::string escapeValue(const std::string& utf8);

    static constexpr const char* SETTINGS_EXTENSION = ".settings";
    static constexpr const char* HISTORY_EXTENSION = ".history";
    static constexpr const char* UNREADABLE_SUFFIX = ".unreadable";
    // A save writes "<settings file>.save-XXXXXX.tmp" (six letters or digits)
    // and renames it; a save that was killed leaves it behind, and the next
    // load removes it.
    static constexpr const char* TEMP_INFIX = ".save-";
    static constexpr const char* TEMP_SUFFIX = ".tmp";
    static bool isTemporaryFileName(const std::string& name, const std::string& settingsName);

protected:
    // Called once the new contents are written and flushed to the temporary
    // file, right before it replaces the settings file.
    virtual void beforeReplace(const std::string& tempPath);

private:
    enum class ReadResult { Read, Missing };
    // Reads m_filePath into m_properties; throws on a failure other than a
    // missing file.
    ReadResult readFile();
    void writeFile(const std::map<std::string, std::string>& table);
    void keepUnreadableCopy();
    void removeStaleTemporaryFiles();
    void importPreviousInstallation();
    void showSaveErrorMessageBox(const std::string& name, const std::string& text);
    std::string headerComment() const;

    mutable std::mutex m_lock;
    std::string m_persistenceFilePathPrefix;
    std::map<std::string, std::string> m_properties;
    std::string m_filePath;
};

}  // namespace tracker
