// Bank of America MilesEdge: a login through the awards catalogue's browse
// form. The site gives no balance the tracker can read, so a login that is
// not refused ends in the Unknown status with a report.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class BankAmericaMilesEdge final : public Adapter<BankAmericaMilesEdge> {
public:
    static constexpr const char* KEY = "BankAmericaMilesEdge";

    void update() override {
        const std::string form = doGet(url("catalogue", "/redirect/boa/"));
        const std::string n = lift(form, "name=\"N\" value=\"", "\"");
        const std::string thm = lift(form, "name=\"THM\" value=\"", "\"");
        const std::string suffix = lift(form, "<form name=\"BrowseLogin\" method=\"post\" action=\"", "\"");
        if (!requireLifted({n, thm, suffix}, "No N, THM, or URL suffix found for BankAmericaMilesEdge")) return;

        const std::string body = "fuseaction=ePortal.AccountBrowseLoginSecurityModel&N=" + n + "&THM=" + thm +
                                 "&initialFA=EPortal.AccountInitiateLoginSession&logincount=0&txtUserID=" +
                                 credential(m_username) + "&txtPassword=" + credential(m_password);
        const std::string page = doPost(url("catalogue", "/ep/" + suffix), body);

        static const Markers markers = {
            invalid("The log-in information you entered does not match our files."),
        };
        if (firstMarker(page, markers)) return;

        cannotDetermine("Unable to parse BankAmericaMilesEdge");
    }
};

RL_ADAPTER(BankAmericaMilesEdge)

}  // namespace tracker::adapters
