// Le Meridien Moments: one login post whose answer carries the balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class LeMeridien final : public Adapter<LeMeridien> {
public:
    static constexpr const char* KEY = "LeMeridien";

    void update() override {
        validateLoginLengths(11, 0, 0, 0, 0, 0);

        const std::string body = "referer=%2Findex.shtml&momentsId=" + credential(m_username) +
                                 "&internetPassword=" + credential(m_password);
        const std::string page = doPost(url("site", "/weblets/moments/completelogin"), body);

        static const Markers markers = {
            provider("An error has occurred with our software."),
            interaction("Your account is no longer active, please contact Moments Member Services"),
            invalid("Please check your details and try again"),
            interaction("Register For Your Internet Password"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(between(page, "Your current points balance is <b>", "<"));
    }
};

RL_ADAPTER(LeMeridien)

}  // namespace tracker::adapters
