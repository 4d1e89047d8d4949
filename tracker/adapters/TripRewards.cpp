// TripRewards: the account page for its cookies, the log-in, the balance in
// the answer, then a sign-off that never changes the outcome.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"
#include "tracker/core/RLPreferences.h"

namespace tracker::adapters {

class TripRewards final : public Adapter<TripRewards> {
public:
    static constexpr const char* KEY = "TripRewards";

    void update() override {
        validateLoginLengths(0, 8, 12, 0, 8, 12);

        doGet(url("secure", "/ip-tr/MyAccount.jsp"), PAGE_NOT_READ);
        std::string body =
            "programID=754&webAppName=ip%2Dtr&urlRedirectToWithPoints=AccountSummary%2Ejsp%3Fbrandcode%3DNA&j_"
            "username=" +
            credential(m_username) + "&j_password=" + credential(m_password) + "&rememberMe=N";
        appendInputImage(body, "Go1", 32, 22);
        const std::string page = doPost(url("secure", "/ip-tr/j_security_check"), body);

        static const Markers markers = {
            badLogin("This site is temporarily unavailable due to site maintenance.", RLPreferences::DISPLAY_MAINTENANCE),
            invalid("We were unable to verify the information you provided. Please try again"),
            invalid("Primary User ID must be entered."),
            invalid("We were unable to verify the information you provided."),
            interaction("For your security, this account has been locked."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(between(page, "Current Point Balance: <B>", "<"));

        logOut([this] { doGet(url("secure", "/ip-tr/SignOffServlet"), PAGE_NOT_READ); });
    }
};

RL_ADAPTER(TripRewards)

}  // namespace tracker::adapters
