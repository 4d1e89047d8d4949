#pragma once
// Makes the adapters of this library known to the program table: each key
// gets its adapter's factory (SourceConfig::registerSourceClass), so the
// engine creates the adapter for every account of that program.
//
// Programs and tests call registerAll() before a retrieval; it may be
// called any number of times. A program that links the whole library gets
// the registration at start-up as well.

#include <memory>
#include <string>
#include <vector>

#include "tracker/adapters/AdapterList.h"

namespace tracker {
class RLSource;
}

namespace tracker::adapters {

void registerAll();
// The program keys of this library's adapters, in table order.
const std::vector<std::string>& adapterKeys();

// One factory per adapter, defined by RL_ADAPTER in the adapter's file.
#define RL_DECLARE_ADAPTER_FACTORY(Key) std::shared_ptr<tracker::RLSource> make##Key();
RL_ADAPTER_KEYS(RL_DECLARE_ADAPTER_FACTORY)
#undef RL_DECLARE_ADAPTER_FACTORY

}  // namespace tracker::adapters

// Ends an adapter's source file, inside namespace tracker::adapters.
#define RL_ADAPTER(Key) \
    std::shared_ptr<tracker::RLSource> make##Key() { return std::make_shared<Key>(); }
