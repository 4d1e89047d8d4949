#pragma once
// Every navigator class by simple name (the program key): the rows of the
// site table, the hand-written sites and the members of the shared
// families. A class's full name is PACKAGE followed by its simple name.

#include <string>
#include <vector>

#include "navigator/AbstractLauncher.h"

namespace navigator::impl {

constexpr const char* PACKAGE = "rl.nav.impl.";

// std::out_of_range for a name no class has.
const NavigatorClass& navigatorClass(const std::string& simpleName);
std::vector<std::string> navigatorClassNames();

}  // namespace navigator::impl
