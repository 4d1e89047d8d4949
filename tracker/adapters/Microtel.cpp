// Microtel MicroPass: one login post on the plain site; the answer carries
// the balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Microtel final : public Adapter<Microtel> {
public:
    static constexpr const char* KEY = "Microtel";

    void update() override {
        const std::string body = "UserName=" + credential(m_username) + "&Password=" + credential(m_password) +
                                 "&pwfail=fail&Submit=Submit";
        const std::string page = doPost(url("site", "/index.asp"), body);

        static const Markers markers = {
            invalid("Sorry. Your login failed."),
            invalid("You have entered an incorrect username or password."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Current MicroPass Balance", "<b>", "<"));
    }
};

RL_ADAPTER(Microtel)

}  // namespace tracker::adapters
