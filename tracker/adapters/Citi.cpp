// Citi ThankYou Network: the log-in page's form token, the log-in, the
// account statement with the points, then a log-out.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Citi final : public Adapter<Citi> {
public:
    static constexpr const char* KEY = "Citi";

    void update() override {
        const std::string login = doGet(url("site", "/login.jspx"));
        std::string body = "org%2Eapache%2Estruts%2Etaglib%2Ehtml%2ETOKEN=" +
                           valueAfter(login, "loginSubmit", "value=\"", "\"") +
                           "&referer=%2FaccountStatement%2Ejspx&userName=" + credential(m_username) +
                           "&password=" + credential(m_password);
        appendInputImage(body, "", 26, 18);
        const std::string page = doPost(url("site", "/loginSubmit.jspx"), body);

        static const Markers markers = {
            invalid("We're sorry, but we don't recognize your log-in information."),
        };
        if (firstMarker(page, markers)) return;

        const std::string statement = doGet(url("site", "/accountStatement.jspx"));
        registerBalance(valueAfter(statement, "currentBalance", ">", "<"));

        logOut([this] { doGet(url("site", "/logout.jspx")); });
    }
};

RL_ADAPTER(Citi)

}  // namespace tracker::adapters
