#pragma once
// The local-machine root built from the machine's facts. Internal to the
// registry layer.

#include "platform/registry/RegistryStore.h"

namespace reg::detail {

// A copy of the local-machine keys as they stand now.
Store machineStore();

}  // namespace reg::detail
