// Capital One No Hassle Rewards for small businesses, on the rewards host.

#include "tracker/adapters/CapitalOneNoHassle.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class CapitalOneNoHassleSmallBus final : public NoHassleRewards<CapitalOneNoHassleSmallBus> {
public:
    static constexpr const char* KEY = "CapitalOneNoHassleSmallBus";
    static constexpr const char* HOST = "rewards";
    static constexpr const char* PROGRAM = "&programID=954&webAppName=ip-sb";
};

RL_ADAPTER(CapitalOneNoHassleSmallBus)

}  // namespace tracker::adapters
