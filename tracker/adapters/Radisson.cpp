// Radisson Gold Rewards: the hotel brand's login on the shared points
// programme's flow.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"
#include "tracker/core/CarlsonSource.h"

namespace tracker::adapters {

class Radisson final : public Adapter<Radisson, CarlsonSource> {
public:
    static constexpr const char* KEY = "Radisson";

    std::string getDomainName() const override { return "radisson"; }
};

RL_ADAPTER(Radisson)

}  // namespace tracker::adapters
