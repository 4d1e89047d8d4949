#pragma once
// What the Diners Club Club Rewards sites of the United States and
// Australia share: the texts of their login answers, and the form that
// opens a statement of a given date.

#include <string>
#include <string_view>

#include "tracker/adapters/AdapterKit.h"

namespace tracker::adapters::dinersclub {

// The login answer's markers, in their order.
const Markers& loginMarkers();

// The statement form of the site's folder subdir ("%2Fen_ra%2F") for the
// statement date.
std::string statementBody(std::string_view subdir, std::string_view date);

}  // namespace tracker::adapters::dinersclub
