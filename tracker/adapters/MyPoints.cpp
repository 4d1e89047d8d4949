// MyPoints: the log-in page for its cookies (plain HTTP), the secure
// log-in, then the member page with the points.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class MyPoints final : public Adapter<MyPoints> {
public:
    static constexpr const char* KEY = "MyPoints";

    void update() override {
        validateLoginLengths(0, 6, 0, 0, 6, 0);

        doGet(url("site", "/emp/u/login.do"), PAGE_NOT_READ);
        const std::string body = "onOK=%2Femp%2Fu%2FaccountRedirect.vm&action=login&email=" + credential(m_username) +
                                 "&password=" + credential(m_password) + "&proceed=Sign+In";
        const std::string page = doPost(url("secure", "/emp/u/login.do"), body);

        static const Markers markers = {
            provider("<title>Cookies are Required</title>"),
            blocked("Your account has been disabled."),
            invalid("We're sorry, but the data you provided does not match a known user."),
            invalid("The data you provided does not match a known member."),
            provider("dynaCore.f_fetchObjectContent: oracle error: ORA-06508"),
            invalid("Log in failed."),
            invalid("Failed to log in"),
        };
        if (firstMarker(page, markers)) return;

        const std::string member = doGet(url("secure", "/emp/u/index.vm"));
        static const Markers memberMarkers = {provider("<B>Welcome!</B> Not a Member?")};
        if (firstMarker(member, memberMarkers)) return;

        registerBalance(between(member, "<B>You have", "Points"));
    }
};

RL_ADAPTER(MyPoints)

}  // namespace tracker::adapters
