#pragma once
// The shared reading of the member page of one airline club site: each
// member airline logs in with its own update() and hands the answer page to
// process().

#include <string>
#include <string_view>

#include "tracker/core/RLSource.h"

namespace tracker {

class LoyaltyGateSource : public RLSource {
public:
    // Records the balance; with detailed also the details rows and the
    // activity table of the page.
    virtual void process(std::string_view page, bool detailed);

    // Stands for a line break inside an activity cell while the table is cut
    // into cells.
    static constexpr const char* BREAK_PLACEHOLDER = "*%br%*";
};

}  // namespace tracker
