// South African Voyager: retrieval is switched off and the site cannot be
// opened for navigation either; no request is made.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"
#include "tracker/core/RLPreferences.h"

namespace tracker::adapters {

class SouthAfrican final : public Adapter<SouthAfrican> {
public:
    static constexpr const char* KEY = "SouthAfrican";

    void update() override { registerBalance(RLPreferences::DISPLAY_NON_FUNCTIONAL, false); }
};

RL_ADAPTER(SouthAfrican)

}  // namespace tracker::adapters
