// Sol Melia MaS: the club's page on the plain site opens the session (its
// answer not read); the login goes to the secure host by a path that climbs
// with "../" as the site's own form writes it, and its first 20000 bytes
// carry the points.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class SolMelia final : public Adapter<SolMelia> {
public:
    static constexpr const char* KEY = "SolMelia";
    static constexpr int LOGIN_ANSWER_LIMIT = 20000;

    void update() override {
        validateLoginLengths(0, 6, 0, 0, 0, 0);

        doGet(url("site", "/solNew/mas/jsp/C_Mas.jsp"), PAGE_NOT_READ);
        const std::string body = "login=" + credential(m_username) + "&password=" + credential(m_password);
        const std::string page =
            doPost(url("secure", "/solNew/mas/jsp/../../mas/jsp/C_Login.jsp"), body, LOGIN_ANSWER_LIMIT);

        static const Markers markers = {
            invalid("The password or log-in given cannot be processed."),
            invalid("It seems you have not filled in the e-mail address correctly"),
            invalid("The e-mail address is invalid or cannot be found in our database."),
            invalid("Please type in your e-mail address and password again to continue"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Points available", "<b>", "<"));
    }
};

RL_ADAPTER(SolMelia)

}  // namespace tracker::adapters
