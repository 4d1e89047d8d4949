// ANA Mileage Club: a login post, then the member top page with the miles.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class ANA final : public Adapter<ANA> {
public:
    static constexpr const char* KEY = "ANA";

    void update() override {
        validateLoginLengths(10, 0, 0, 4, 0, 0);

        std::string body = "cusnum=" + credential(m_username) + "&logpass=" + credential(m_password) + "&newlogin=yes";
        appendInputImage(body, "imageField", 35, 17);
        const std::string login = doPost(url("site", "/psz/home_e.jsp"), body);

        static const Markers markers = {
            provider("<TITLE>Request Timeout</TITLE>"),
            provider("We're sorry - the web server is currently busy or unavailable."),
            invalid(">Error message<"),
        };
        if (firstMarker(login, markers)) return;

        const std::string page = doGet(url("site", "/psz/run.mode/swap/default/normal/top_e.jsp"));
        registerBalance(between(page, ">MILES:", "<"));
    }
};

RL_ADAPTER(ANA)

}  // namespace tracker::adapters
