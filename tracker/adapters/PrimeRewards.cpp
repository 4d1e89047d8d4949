// Prime Rewards: one log-in post on the secure host whose answer shows the
// balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class PrimeRewards final : public Adapter<PrimeRewards> {
public:
    static constexpr const char* KEY = "PrimeRewards";

    void update() override {
        std::string body = "txtusername=" + credential(m_username) + "&txtpasswd=" + credential(m_password);
        appendInputImage(body, "imageField", 61, 19);
        const std::string page = doPost(url("secure", "/prime/member_secure/PgLogin2.htm"), body);

        static const Markers markers = {invalid("Your Login was invalid.")};
        if (firstMarker(page, markers)) return;

        registerBalance(between(page, "Balance: <A>", "<"));
    }
};

RL_ADAPTER(PrimeRewards)

}  // namespace tracker::adapters
