// British Airways Executive Club: the account page opens the session, the
// login post answers with the balance near its top (only its first 22000
// bytes are read).

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class BritishAirways final : public Adapter<BritishAirways> {
public:
    static constexpr const char* KEY = "BritishAirways";
    static constexpr int LOGIN_PAGE_LIMIT = 22000;

    void update() override {
        validateLoginLengths(0, 8, 9, 4, 0, 0);

        doGet(url("site",
                  "/execclub/viewAccount/ViewAccountControllerServlet.servlet?eId=106012&prim=execclub&sec=managacc"));

        const std::string body =
            "Directional_Login=%2Fexecclub%2FviewAccount%2FViewAccountControllerServlet.servlet%3FeId%3D106012%26prim"
            "%3Dexecclub%26sec%3Dmanagacc&membershipNumber=" +
            credential(m_username) + "&password=" + credential(m_password);
        const std::string page = doPost(url("site", "/travel/loginr/public/en_us?eId=109001"), body, LOGIN_PAGE_LIMIT);

        static const Markers markers = {
            provider("We regret to advise that this section of the site is temporarily unavailable."),
            provider("Unfortunately our systems are not responding, so we are unable to process your request at the "
                     "moment."),
            invalid("We are not able to recognise the user name that you have supplied."),
            invalid("We are not able to recognise the membership number that you have supplied."),
            invalid("The membership number and PIN code supplied do not match what is held on the System.  Please "
                    "check and re-enter."),
            invalid("The username and password do not match what is held on our system."),
            invalid("When you registered as a user of the British Airways web site you chose the following prompt to "
                    "help you remember your Password."),
            blocked("You have made too many invalid login attempts."),
            invalid("To prevent fraudulent attempts to guess PIN you are only allowed 3 attempts in a 24 hour period."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(balance(page));
    }

private:
    // A household account shows its figure in a right-aligned cell; a
    // single one in the navigation cell, or a right-aligned one when that
    // is empty. Older pages write the label with a small b.
    static std::string balance(std::string_view page) {
        const std::string_view rightCell = "<td align=\"right\">";
        const int label = positionOf(page, ">My Mileage Balance");
        if (label < 0) return valueAfter(page, ">My Mileage balance", rightCell, "<");
        if (positionOf(page, "Household Mileage:", label) >= 0) return betweenFrom(page, label, rightCell, "<");
        const std::string own = betweenFrom(page, label, "class=\"globalnav\">", "<");
        return own.empty() ? betweenFrom(page, label, rightCell, "<") : own;
    }
};

RL_ADAPTER(BritishAirways)

}  // namespace tracker::adapters
