// Park Plaza Park Rewards: the hotel brand's login on the shared points
// programme's flow.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"
#include "tracker/core/CarlsonSource.h"

namespace tracker::adapters {

class ParkPlaza final : public Adapter<ParkPlaza, CarlsonSource> {
public:
    static constexpr const char* KEY = "ParkPlaza";

    std::string getDomainName() const override { return "parkplaza"; }
};

RL_ADAPTER(ParkPlaza)

}  // namespace tracker::adapters
