#pragma once
// The registry store of a test: RL_REGISTRY_DIR points at a folder of the
// test's own for the life of the object (the registry layer initialised),
// and the previous setting comes back afterwards.

#include <optional>
#include <string>

namespace rltest {

class TempRegistry {
public:
    explicit TempRegistry(const std::string& folder);
    ~TempRegistry();
    TempRegistry(const TempRegistry&) = delete;
    TempRegistry& operator=(const TempRegistry&) = delete;

    // Writes a text value under a current-user key, making the key.
    static void setString(const std::string& key, const std::string& name, const std::string& value);

private:
    std::optional<std::string> m_previous;
};

}  // namespace rltest
