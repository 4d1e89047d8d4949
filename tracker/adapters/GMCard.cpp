// GM Card: three credentials (last name, zip code, last four card digits)
// log in as one combined key; the answer's hidden fields are relayed to the
// earnings page, which shows the earnings in dollars.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class GMCard final : public Adapter<GMCard> {
public:
    static constexpr const char* KEY = "GMCard";

    void update() override {
        validateLoginLengths(0, 0, 0, 5, 0, 0, 4, 0, 0);

        const std::string key = credential(upperCase(m_username) + m_password + m_password2);
        const std::string body = "_dyncharset=ASCII&CntryCd=US&LangCd=en&WebSiteId=GMCARD&userName=" + key +
                                 "&_D%3AuserName=+&password=" + key + "&_D%3Apassword=+&LastNm=" +
                                 credential(m_username) + "&PostlCd=" + credential(m_password) +
                                 "&cardNbr=" + credential(m_password2) +
                                 "&submit=Login&_D%3Asubmit=+&_DARGS=%2FGMCard%2Fcardmembers%2Flogin.jsp";
        const std::string page = doPost(url("site",
                                            "/GMCard/GMCardServletProcessRunner?USER_ACTION=RedirectProcess&"
                                            "RedirectPage=earningsLookup&_DARGS=/GMCard/cardmembers/login.jsp"),
                                        body);

        // The fields up to the offer field, which must come among the first 15.
        HiddenFieldRelay relay;
        relay.form = "<form";
        relay.input = "<input type=\"hidden\" name=\"";
        relay.value = "value=\"";
        relay.maxFields = 15;
        relay.stopAfter = "specialOfferPromo";
        relay.joined = true;
        const std::optional<std::string> fields = relayHiddenFields(page, relay);
        if (!fields) {
            registerAllUnknown();
            return;
        }
        const std::string earnings =
            doPost(url("site",
                       "/GMCard/GMCardServletProcessRunner?USER_ACTION=GMCardEarningsLookup&_DARGS=/GMCard/com/gm/"
                       "gmcard/presentation/gmcard/gmcard/us/en/earningsLookup.jsp"),
                   *fields, 30000);

        static const Markers markers = {
            invalid("The information you entered does not match our records."),
            invalid("Some of the information we need to process your request is missing."),
        };
        if (firstMarker(earnings, markers)) return;

        registerBalance(between(earnings, "Your Current GM Card Earnings: $", "<"));
    }
};

RL_ADAPTER(GMCard)

}  // namespace tracker::adapters
