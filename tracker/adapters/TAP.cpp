// TAP Air Portugal Navigator: a member of the shared airline club site whose
// retrieval is switched off; no request is made.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"
#include "tracker/core/LoyaltyGateSource.h"
#include "tracker/core/RLPreferences.h"

namespace tracker::adapters {

class TAP final : public Adapter<TAP, LoyaltyGateSource> {
public:
    static constexpr const char* KEY = "TAP";

    void update() override {
        validateLoginLengths(9, 0, 0, 0, 0, 0);
        registerBalance(RLPreferences::DISPLAY_NON_FUNCTIONAL, false);
    }
};

RL_ADAPTER(TAP)

}  // namespace tracker::adapters
