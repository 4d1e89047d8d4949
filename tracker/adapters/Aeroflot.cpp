// Aeroflot Bonus: one login post whose answer carries the balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Aeroflot final : public Adapter<Aeroflot> {
public:
    static constexpr const char* KEY = "Aeroflot";

    void update() override {
        std::string body = "ob_no=254&action=auth&back_url=participants.aspx?ob_no=259&member_id=" +
                           credential(m_username) + "&password=" + credential(m_password);
        appendInputImage(body, "", 32, 44);
        const std::string page = doPost(url("secure", "/registration.aspx"), body);

        static const Markers markers = {
            invalid("The password entered is incorrect"),
            invalid("Member ID is invalid"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Balance", "<td>", "<"));
    }
};

RL_ADAPTER(Aeroflot)

}  // namespace tracker::adapters
