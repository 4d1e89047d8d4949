#pragma once
// The provider menu's catalogue and the query addresses of the search
// sites. A site's scheme and host come from the host table (roles
// "Search.<site>"); the paths and fixed parameters are the sites' own.

#include <string>

namespace tiraleaf {

class cNewMenu6;

class modQueries {
public:
    // Adds the whole catalogue: the two top items and a separator, the
    // eleven headers, then each header's sites (and the two sub-headers
    // under "News").
    static void BuildProviderMenu(cNewMenu6& menu);
    // The query address for a provider caption (exact, case-sensitive) and
    // the search terms; "" for a caption that is no site (a header, a
    // separator).
    static std::string BuildQueryURL(const std::string& caption, const std::string& terms);
    // Letters and digits stay, a blank becomes "+", every other character
    // "%XX" of its code-page byte ("%3F" when the code page has none).
    static std::string EncodeSearchTerms(const std::string& terms);
};

}  // namespace tiraleaf
