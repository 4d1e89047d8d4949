// Webmiles (plain HTTP): the site's root for its cookies, the log-in, and
// the sum of the miles available and the miles not yet available.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Webmiles final : public Adapter<Webmiles> {
public:
    static constexpr const char* KEY = "Webmiles";

    void update() override {
        doGet(url("site", "/"), PAGE_NOT_READ);
        std::string body =
            "trans_website_login=0&subclient=0&client=0&DMD3000_STATE_ID=state_homepage&DMD3000_EVENT_TYPE=change_"
            "state&user_name=" +
            credential(m_username) + "&password=" + credential(m_password);
        appendInputImage(body, "", 63, 20);
        const std::string page = doPost(url("site", "/Nova"), body);

        static const Markers markers = {
            invalid(">Bitte &uuml;berpr&uuml;fen Sie Ihre Eingabe<"),
            maintenance("content=\"0; URL=wartung.html\""),
        };
        if (firstMarker(page, markers)) return;

        static const std::string_view figure = "vertical-align:middle;\">";
        const std::string available = valueAfter(page, ">Summe verf&uuml;gbar", figure, "&nbsp;");
        const std::string pending =
            valueAfterChain(page, {">Summe verf&uuml;gbar", ">Summe noch nicht verf&uuml;gbar"}, figure, "&nbsp;");
        const std::optional<std::string> sum = sumOfIntegers({available, pending});
        if (!sum) {
            registerAllUnknown();
            return;
        }
        registerBalance(*sum);
    }
};

RL_ADAPTER(Webmiles)

}  // namespace tracker::adapters
