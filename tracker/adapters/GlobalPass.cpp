// GlobalPass: the login post, then the account balance page of the same
// session.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class GlobalPass final : public Adapter<GlobalPass> {
public:
    static constexpr const char* KEY = "GlobalPass";

    void update() override {
        validateLoginLengths(11, 0, 0, 4, 0, 0);

        const std::string body =
            "ServiceName=GPassApp&TemplateName=GPassApp%2FWeb_LoginRouter.html&Prog=GP&FTNumber=" +
            credential(m_username) + "&PinCode=" + credential(m_password) + "&submit=Submit";
        const std::string login = doPost(url("site", "/cgi_bin/fortecgi"), body);

        static const Markers markers = {
            provider("<TITLE>ForteCGI Request Failure</TITLE>"),
            invalid("We are sorry,<br>but there is a problem<br>with your sign-in"),
            invalid("You are alreary logged"),
        };
        if (firstMarker(login, markers)) return;

        const std::string page =
            doGet(url("site", "/cgi_bin/fortecgi?ServiceName=GPassApp&TemplateName=GPassApp/Web_MembAccBal.html"));
        registerBalance(foundation::StrUtil::cleanSpaces(valueAfter(page, "Miles Balance", "\">", "<")));
    }
};

RL_ADAPTER(GlobalPass)

}  // namespace tracker::adapters
