#include "tracker/adapters/Registration.h"

#include "tracker/core/RLSource.h"
#include "tracker/core/SourceConfig.h"

namespace tracker::adapters {

void registerAll() {
#define RL_REGISTER_ADAPTER(Key) SourceConfig::registerSourceClass(#Key, &make##Key);
    RL_ADAPTER_KEYS(RL_REGISTER_ADAPTER)
#undef RL_REGISTER_ADAPTER
}

const std::vector<std::string>& adapterKeys() {
#define RL_ADAPTER_KEY_TEXT(Key) #Key,
    static const std::vector<std::string> keys = {RL_ADAPTER_KEYS(RL_ADAPTER_KEY_TEXT)};
#undef RL_ADAPTER_KEY_TEXT
    return keys;
}

namespace {

// A program that links the whole library (the headless retrieval) needs no
// call of its own. The factory table is built on first use, so the order of
// static initialisation does not matter.
[[maybe_unused]] const bool g_registered = (registerAll(), true);

}  // namespace

}  // namespace tracker::adapters
