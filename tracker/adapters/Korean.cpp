// Korean Air SkyPass: retrieval is switched off until the adapter is
// rebuilt for the current site; no request is made.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"
#include "tracker/core/RLPreferences.h"

namespace tracker::adapters {

class Korean final : public Adapter<Korean> {
public:
    static constexpr const char* KEY = "Korean";

    void update() override {
        validateLoginLengths(0, 0, 10, 0, 5, 8);
        registerBalance(RLPreferences::DISPLAY_NON_FUNCTIONAL, false);
    }
};

RL_ADAPTER(Korean)

}  // namespace tracker::adapters
