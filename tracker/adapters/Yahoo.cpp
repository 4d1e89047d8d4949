// Yahoo! Points: the login host's form (read to 15000 bytes) gives two
// session values; the encrypted log-in names the points site (its address
// escaped with lower-case digits), whose home page shows the points.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Yahoo final : public Adapter<Yahoo> {
public:
    static constexpr const char* KEY = "Yahoo";

    void update() override {
        validateLoginLengths(0, 0, 32, 0, 6, 32);

        const std::string points = url("points", "/");
        const std::string form = doGet(url("login", "/config/login?.done=" + points + "&.src=pts"), 15000);
        const std::string body =
            ".src=pts&.tries=1&.md5=&.hash=&.js=&.last=&.intl=us&.bypass=&.partner=&.u==" +
            between(form, "<input type=hidden name=.u value=", ">") + "&.v=0&.challenge=" +
            between(form, "<input type=hidden name=.challenge value=", ">") +
            "&.yplus=&.emailCode=&.pkg=&.stepid=&.ev=&hasMsgr=0&.chkP=Y&.done=" +
            escapedUrl("points", "/", HexCase::Lower) + "&login=" + credential(m_username) +
            "&passwd=" + credential(m_password) + "&.save=Sign+In";
        const std::string page = doPost(url("secureLogin", "/config/login?"), body);

        static const Markers markers = {
            invalid("Invalid ID or password."),
            invalid("Invalid Password"),
            invalid("This Yahoo! ID does not exist."),
        };
        if (firstMarker(page, markers)) return;

        const std::string home = doGet(points);
        static const Markers homeMarkers = {
            interaction("Click the button below to agree to the terms of service and instantly enroll in Yahoo! "
                        "Points."),
        };
        if (firstMarker(home, homeMarkers)) return;

        registerBalance(valueAfter(home, "Available<", "<b>", "<"));
    }
};

RL_ADAPTER(Yahoo)

}  // namespace tracker::adapters
