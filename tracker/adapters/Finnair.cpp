// Finnair Plus: the credentials go in the query of one GET.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Finnair final : public Adapter<Finnair> {
public:
    static constexpr const char* KEY = "Finnair";

    void update() override {
        std::string query =
            "sesLanguage=com&sesMz=com&sesBrowser=false&sesServerRoot=null&sesWwwRoot=null&sesServerJspRoot=null"
            "&sesB2A=null&sesEnableUserStatistics=null&UserId=" +
            credential(m_username) + "&Password=" + credential(m_password) + "&pageid=-9198";
        appendInputImage(query, "", 64, 21);
        const std::string page = doGet(url("site", "/web/finnair/scripts/finnair.jsp?" + query));

        static const Markers markers = {
            invalid("User not found"),
            invalid("Invalid username / password"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(between(page, "Points Balance:<br>", "<"));
    }
};

RL_ADAPTER(Finnair)

}  // namespace tracker::adapters
