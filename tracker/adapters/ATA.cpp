// ATA Travel Awards: one login post whose answer carries the points.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class ATA final : public Adapter<ATA> {
public:
    static constexpr const char* KEY = "ATA";

    void update() override {
        validateLoginLengths(0, 5, 50, 0, 6, 20);

        std::string body = "userId=" + credential(m_username) + "&password=" + credential(m_password) + "&method=login";
        appendInputImage(body, "", 285, 24);
        const std::string page = doPost(url("site", "/travel/login/profiles.do"), body);

        static const Markers markers = {
            maintenance("In order to serve you better, we are currently upgrading this"),
            invalid("You have entered an invalid username or password."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(between(page, "Available Points:&nbsp;", "<"));
    }
};

RL_ADAPTER(ATA)

}  // namespace tracker::adapters
