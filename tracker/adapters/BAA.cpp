// BAA WorldPoints: an ASP.NET log-in form on the loyalty-data host (its
// view state goes back, the card number in two groups of four), then the
// statement page with the points.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class BAA final : public Adapter<BAA> {
public:
    static constexpr const char* KEY = "BAA";

    void update() override {
        validateLoginLengths(8, 0, 0, 4, 0, 0);

        const std::string loginPage = url("loyalty", "/baa/Login2.aspx");
        const std::string viewState = escapeLifted(liftValueAfter(doGet(loginPage), "__VIEWSTATE"));
        std::string body = "%5F%5FVIEWSTATE=" + viewState + "&CardNumberBox=" + credential(group(m_username, 0, 4)) +
                           "&CardNumberBox2=" + credential(group(m_username, 4, 4)) +
                           "&PasswordBox=" + credential(m_password);
        appendInputImage(body, "LoginButton", 80, 33);
        const std::string page = doPost(loginPage, body);

        static const Markers markers = {
            invalid("Invalid Card Number"),
            invalid("Incorrect Pin"),
        };
        if (firstMarker(page, markers)) return;

        const std::string statement = doGet(url("loyalty", "/baa/MyStatement.aspx"));
        registerBalance(valueAfter(statement, "id=\"points_balance\"", ">", "<"));
    }
};

RL_ADAPTER(BAA)

}  // namespace tracker::adapters
