// Air Canada Aeroplan: the nine-digit customer number goes as three groups
// of three; the balance is the second red figure after its label.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class AirCanada final : public Adapter<AirCanada> {
public:
    static constexpr const char* KEY = "AirCanada";

    void update() override {
        validateLoginLengths(9, 0, 0, 0, 0, 0);

        // A number of the wrong length gives short groups; the site's
        // answer then decides.
        std::string body = "selectItem=Balance&next_command=account_balance&CUST1=" +
                           credential(group(m_username, 0, 3)) + "&CUST2=" + credential(group(m_username, 3, 3)) +
                           "&CUST3=" + credential(group(m_username, 6, 3)) + "&pin=" + credential(m_password);
        appendInputImage(body, "", 89, 22);
        const std::string page = doPost(url("secure", "/action/cmd/login"), body);

        static const Markers markers = {
            provider("<title>Sorry-Out of Service"),
            maintenance("The Aeroplan website is down for routine maintenance"),
            maintenance("The Aeroplan Web site will not be available for a few hours."),
            maintenance("We are upgrading our member services database."),
            maintenance("We are updating our rewards database. Therefore this function is temporarily unavailable. "
                        "Please try again later."),
            provider("A system error has occurred while processing your request."),
            interaction("It appears that your email address"),
            invalid("An incorrect Aeroplan Number or Password/PIN was entered."),
            invalid("An incorrect Aeroplan Number or PIN was entered."),
            interaction("To use our online features you need to have a valid email address and a Secret Question "
                        "and Answer in your profile."),
            interaction("Please provide the information required below."),
            interaction("Please provide the required information below."),
            interaction("A system error occurred preventing the deduction of Aeroplan miles from your account."),
            invalid("An invalid  Customer Number or PIN was entered."),
        };
        if (firstMarker(page, markers)) return;

        const std::string_view span = "<span class=\"fontred\">";
        const int first = chainedPosition(page, {"Aeroplan Miles Balance</span>", span});
        registerBalance(betweenFrom(page, first < 0 ? -1 : first + 1, span, "<"));
    }
};

RL_ADAPTER(AirCanada)

}  // namespace tracker::adapters
