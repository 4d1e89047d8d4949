// E-Poll Rewards: the log-in, then the rewards list, which opens with the
// points.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Epoll final : public Adapter<Epoll> {
public:
    static constexpr const char* KEY = "Epoll";

    void update() override {
        validateLoginLengths(0, 6, 0, 0, 0, 0);

        std::string body = "emailAddress=" + credential(m_username) + "&password=" + credential(m_password);
        appendInputImage(body, "", 68, 16);
        const std::string page = doPost(url("site", "/epoll/clients/login.htm"), body);

        static const Markers markers = {
            invalid("Please enter a valid email address."),
            invalid("Invalid email address"),
            invalid("The combination of username and password you have provided does not match the information we "
                    "have on file."),
        };
        if (firstMarker(page, markers)) return;

        const std::string rewards = doGet(url("site", "/epoll/clients/shopping/rewardsList.htm?action=getCategories"));
        registerBalance(between(rewards, "<span class=\"cartTxt\">You have ", " "));
    }
};

RL_ADAPTER(Epoll)

}  // namespace tracker::adapters
