// National Emerald Club: a login post (its image button has no name), then
// the reward details page with the balance. The site alone judges the
// credentials: there are no length rules.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class EmeraldClub final : public Adapter<EmeraldClub> {
public:
    static constexpr const char* KEY = "EmeraldClub";

    void update() override {
        std::string body = "username=" + credential(m_username) + "&password=" + credential(m_password) + "&next=home";
        appendInputImage(body, "", 51, 20);
        const std::string answer = doPost(url("site", "/logon.do"), body);

        static const Markers markers = {
            invalid("Please verify Login Name and Password"),
            invalid("Please verify that you have entered the correct information"),
        };
        if (firstMarker(answer, markers)) return;

        const std::string page = doGet(url("site", "/showRewardDetails.do"));
        registerBalance(between(page, "Current Available Balance: ", "<"));
    }
};

RL_ADAPTER(EmeraldClub)

}  // namespace tracker::adapters
