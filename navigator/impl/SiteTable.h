#pragma once
// The site table: the rows of the sites whose page logic is data, and the
// members of the two shared site families.

#include <string>
#include <utility>
#include <vector>

#include "navigator/impl/SiteKit.h"

namespace navigator::impl {

const std::vector<SiteRow>& siteTable();
// Program key and domain word of each hotel brand of the points programme.
const std::vector<std::pair<std::string, std::string>>& carlsonBrands();
// Program key and member-area address of each club of the shared platform.
const std::vector<std::pair<std::string, std::string>>& loyaltyGateClubs();

}  // namespace navigator::impl
