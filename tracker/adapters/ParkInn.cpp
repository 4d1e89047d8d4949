// Park Inn Park Rewards: the hotel brand's login on the shared points
// programme's flow.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"
#include "tracker/core/CarlsonSource.h"

namespace tracker::adapters {

class ParkInn final : public Adapter<ParkInn, CarlsonSource> {
public:
    static constexpr const char* KEY = "ParkInn";

    std::string getDomainName() const override { return "parkinn"; }
};

RL_ADAPTER(ParkInn)

}  // namespace tracker::adapters
