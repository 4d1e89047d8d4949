// Thai Airways Royal Orchid Plus: the login page's two hidden session
// values go back with the credentials; a balance label without a figure is
// the site's trouble.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Thai final : public Adapter<Thai> {
public:
    static constexpr const char* KEY = "Thai";

    void update() override {
        validateLoginLengths(7, 0, 0, 5, 0, 0);

        const std::string loginPage = url("site", "/NASApp/IP_ROP/servlet_rop_Logon");
        const std::string form = doGet(loginPage);
        const std::string jst = valueAfter(form, "GXHC_GX_jst", "VALUE=\"", "\"");
        const std::string sid = valueAfter(form, "GXHC_JSESSIONID", "VALUE=\"", "\"");
        if (!requireLifted({jst}, "No GXHC_GX_jst found for Thai") ||
            !requireLifted({sid}, "No GXHC_JSESSIONID found for Thai")) {
            return;
        }

        const std::string body = "userid=" + credential(m_username) + "&pin=" + credential(m_password) +
                                 "&GXHC%5FJSESSIONID=" + sid + "&GXHC%5FGX%5Fjst=" + jst;
        const std::string page = doPost(loginPage, body);

        static const Markers markers = {
            provider("Sorry, System Unavailable, please try again later"),
            invalid("Invalid Member ID or PIN."),
        };
        if (firstMarker(page, markers)) return;

        registerBalanceUnderLabel(page, "Current Mileage", "color=\"#9E1271\">", "<");
    }
};

RL_ADAPTER(Thai)

}  // namespace tracker::adapters
