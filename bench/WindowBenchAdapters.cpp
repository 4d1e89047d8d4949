// Stand-ins for every program of the table, for the window's benchmark: the
// page then has a row for each of the 111 programs, and a retrieval's
// account threads wait, touching no network, until the program ends.

#include <memory>
#include <string>

#include "foundation/ThreadStop.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/core/SourceConfig.h"

namespace {

class StandInSource : public tracker::RLSource {
public:
    explicit StandInSource(std::string key) : m_key(std::move(key)) {}

    void update() override {
        if (foundation::StopToken* token = foundation::ThreadStop::current()) token->waitFor(600000);
    }
    const tracker::SourceConfig& getSourceConfig() const override {
        return *tracker::RLPreferences::getConfig(m_key);
    }

private:
    std::string m_key;
};

bool registerAll() {
    for (int row = 0; row < tracker::RLPreferences::getSourceCount(); ++row) {
        const std::string key = tracker::RLPreferences::getKey(row);
        tracker::SourceConfig::registerSourceClass(
            key, [key]() -> std::shared_ptr<tracker::RLSource> { return std::make_shared<StandInSource>(key); });
    }
    return true;
}

[[maybe_unused]] const bool g_registered = registerAll();

}  // namespace
