#pragma once
// The settings store as its users see it: string pairs in memory, written
// whole to one file by save() and read back by load().

#include <cstdint>
#include <string>
#include <vector>

namespace tracker {

class IPrefPersist {
public:
    virtual ~IPrefPersist() = default;

    virtual void setStringValue(const std::string& key, const std::string& value) = 0;
    virtual void setPersistenceFilePathPrefix(const std::string& name) = 0;
    virtual void setLongValue(const std::string& key, int64_t value) = 0;
    virtual void setIntValue(const std::string& key, int value) = 0;
    virtual void save() = 0;
    // Keys that belong to a prefix follow the user-number rule of
    // BasePrefPersist::doesKeyBelongToUser.
    virtual void renameKeysWithPrefix(const std::string& oldPrefix, const std::string& newPrefix) = 0;
    virtual void removeKeysWithPrefix(const std::string& prefix) = 0;
    virtual void removeKey(const std::string& key) = 0;
    virtual void load() = 0;
    virtual std::string getStringValue(const std::string& key, const std::string& defaultValue) const = 0;
    virtual std::string getStringValue(const std::string& key) const = 0;
    // The default when the key is absent or its text is not a decimal number
    // of the type's range.
    virtual int64_t getLongValue(const std::string& key, int64_t defaultValue) const = 0;
    virtual int64_t getLongValue(const std::string& key) const = 0;
    virtual std::vector<std::string> getKeys() const = 0;
    virtual int getIntValue(const std::string& key, int defaultValue) const = 0;
    virtual int getIntValue(const std::string& key) const = 0;
};

}  // namespace tracker
