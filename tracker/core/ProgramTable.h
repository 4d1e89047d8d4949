#pragma once
// The rows of the program table, one per loyalty program, in display order.
// RLPreferences serves every look-up over them; this file only holds them.

#include <vector>

#include "tracker/core/SourceConfig.h"

namespace tracker {

const std::vector<SourceConfig>& programTableRows();

}  // namespace tracker
