// Country Inns Gold Rewards: the hotel brand's login on the shared points
// programme's flow.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"
#include "tracker/core/CarlsonSource.h"

namespace tracker::adapters {

class CountryInns final : public Adapter<CountryInns, CarlsonSource> {
public:
    static constexpr const char* KEY = "CountryInns";

    std::string getDomainName() const override { return "countryinns"; }
};

RL_ADAPTER(CountryInns)

}  // namespace tracker::adapters
