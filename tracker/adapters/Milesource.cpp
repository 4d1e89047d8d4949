// Milesource AwardMiles (plain HTTP): a log-in whose answer is not read,
// then the account summary.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Milesource final : public Adapter<Milesource> {
public:
    static constexpr const char* KEY = "Milesource";

    void update() override {
        std::string body = "wuser%5Busername%5D=" + credential(m_username) +
                           "&wuser%5Bpassword%5D=" + credential(m_password) + "&login=1";
        appendInputImage(body, "Login", 38, 23);
        doPost(url("site", "/index.php?fts_jst=j"), body, PAGE_NOT_READ);

        const std::string page = doGet(url("site", "/account/account_smry.php"));
        static const Markers markers = {
            invalid("We're sorry, an error has occurred while trying to process your request."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "/images/account/account_page_27.gif", "center\">", "<"));
    }
};

RL_ADAPTER(Milesource)

}  // namespace tracker::adapters
