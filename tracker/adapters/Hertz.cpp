// Hertz #1 Awards: two pages open the session (only their cookies matter),
// the login post is read as far as its markers stand, and the awards page
// shows the points. The site alone judges the credentials: there are no
// length rules.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Hertz final : public Adapter<Hertz> {
public:
    static constexpr const char* KEY = "Hertz";
    static constexpr int LOGIN_ANSWER_LIMIT = 35000;

    void update() override {
        doGet(url("site", "/rentacar"), PAGE_NOT_READ);
        doGet(url("site", "/rentacar/emember/login/index.jsp?targetPage=loginView.jsp&method=switchProfile"),
              PAGE_NOT_READ);

        const std::string body = "memberNumber=" + credential(m_username) + "&password=" + credential(m_password);
        const std::string answer = doPost(url("site", "/rentacar/LoginHandler"), body, LOGIN_ANSWER_LIMIT);

        static const Markers markers = {
            invalid("You seem to be having&nbsp;a problem&nbsp;with your password."),
            interaction("Help Us Recognize You"),
            invalid("Member Number - A valid member number must be entered to log in or to create/find a password."),
        };
        if (firstMarker(answer, markers)) return;

        const std::string page =
            doGet(url("site", "/rentacar/emember/affinity/account/index.jsp?targetPage=awardsView.jsp"));
        registerBalance(valueAfter(page, "Total Points:", "<span class=\"ememberBoldText\">", "<"));
    }
};

RL_ADAPTER(Hertz)

}  // namespace tracker::adapters
