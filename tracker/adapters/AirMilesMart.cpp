// AirMilesMart (plain HTTP): one log-in post whose answer shows the points.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class AirMilesMart final : public Adapter<AirMilesMart> {
public:
    static constexpr const char* KEY = "AirMilesMart";

    void update() override {
        const std::string page = doPost(url("site", "/Top_Bar/login.asp"),
                                        "username=" + credential(m_username) + "&password=" + credential(m_password) +
                                            "&IsSubmitted=yes&B1=Submit");

        static const Markers markers = {invalid("Username/Password Combination Not Found")};
        if (firstMarker(page, markers)) return;

        registerBalance(between(page, "You have ", "points"));
    }
};

RL_ADAPTER(AirMilesMart)

}  // namespace tracker::adapters
