// American Express Membership Rewards (Germany): the log-off page, a log-on
// whose answer is not read, then the card list's button that opens the
// points page.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class AmericanExpressGermany final : public Adapter<AmericanExpressGermany> {
public:
    static constexpr const char* KEY = "AmericanExpressGermany";

    void update() override {
        validateLoginLengths(0, 4, 0, 0, 5, 8);

        doGet(url("site", "/myca/logon/emea/action?request_type=LogLogoffHandler&Face=de_DE"));
        const std::string body = "request_type=LogLogonHandler&DestPage=https%3A%2F%2F" + hostName("site") +
                                 "%2Fmyca%2Festatement%2Femea%2Faction%3Frequest_type%3Dauthreg_CardsList%26Face%3Dde_"
                                 "DE%26aexp_in%3Dgerbrc_checkbill&Face=de_DE&UserID=" +
                                 credential(m_username) + "&Password=" + credential(m_password) + "&Logon=Weiter...";
        doPost(url("site", "/myca/logon/emea/action"), body, PAGE_NOT_READ);
        const std::string page =
            doPost(url("site", "/myca/estatement/emea/action?"),
                   "Face=de_DE&request_type=authreg_Redirection&INPUTTYPE=BUTTON&bt_action_Rewards_Rewards=Punkte+anzeigen");

        static const Markers markers = {
            invalid("Haben Sie bereits einen Benutzernamen<BR>&nbsp;&nbsp;und ein Kennwort?"),
            interaction("Registrierung erforderlich..."),
        };
        if (firstMarker(page, markers)) return;

        // Thousands are written with a point.
        registerBalance(foundation::StrUtil::replacePeriodsWithCommas(valueAfterChain(
            page, {"Aktueller Punktestand", "PointBalanceButton"}, "style=\"width:50%\">", "&nbsp;")));
    }
};

RL_ADAPTER(AmericanExpressGermany)

}  // namespace tracker::adapters
