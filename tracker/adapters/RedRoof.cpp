// Red Roof Inns RediCard: one login post on the plain site, of which the
// first 20000 bytes are read; the balance follows a non-breaking space after
// its label.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class RedRoof final : public Adapter<RedRoof> {
public:
    static constexpr const char* KEY = "RedRoof";
    static constexpr int LOGIN_ANSWER_LIMIT = 20000;

    void update() override {
        validateLoginLengths(10, 0, 0, 0, 0, 0);

        std::string body = "PAGE=account&member_id=" + credential(m_username) + "&mbr_password=" + credential(m_password);
        appendInputImage(body, "SUBMIT", 70, 17);
        const std::string page = doPost(url("site", "/index.jsp"), body, LOGIN_ANSWER_LIMIT);

        static const Markers markers = {
            invalid("The member id or password you have supplied is invalid."),
        };
        if (firstMarker(page, markers)) return;

        // Without the space after the label the site's value is searched
        // from the top of the page.
        const int space = positionOr(page, "&#160", positionOf(page, "Current Balance:"), 0);
        registerBalance(betweenFrom(page, space, ";", "<"));
    }
};

RL_ADAPTER(RedRoof)

}  // namespace tracker::adapters
