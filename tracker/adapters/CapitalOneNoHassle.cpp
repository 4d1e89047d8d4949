// Capital One No Hassle Rewards, on the miles host.

#include "tracker/adapters/CapitalOneNoHassle.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class CapitalOneNoHassle final : public NoHassleRewards<CapitalOneNoHassle> {
public:
    static constexpr const char* KEY = "CapitalOneNoHassle";
    static constexpr const char* HOST = "miles";
    static constexpr const char* PROGRAM = "&programID=58&webAppName=ip-gm";
};

RL_ADAPTER(CapitalOneNoHassle)

}  // namespace tracker::adapters
