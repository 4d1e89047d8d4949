// Best Western Gold Crown Club: the log-in page for its cookies, a log-in
// that sends the credentials twice (once inside a summary field), the
// balance after the welcome, then a log-out.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class BestWestern final : public Adapter<BestWestern> {
public:
    static constexpr const char* KEY = "BestWestern";

    void update() override {
        validateLoginLengths(16, 0, 0, 0, 5, 8);

        doGet(url("site", "/login.asp"));
        const std::string user = credential(m_username);
        const std::string password = credential(m_password);
        const std::string body = "submit%5Fdata=submit%5Fdata%3A%20%D%Amember%5Fid%3A%20" + user +
                                 "%D%Apassword%3A%20" + password + "%D%A&member%5Fid=" + user +
                                 "&password=" + password;
        const std::string page = doPost(url("secure", "/members/login_process.asp?submit=1"), body);

        static const Markers markers = {
            invalid("The password you entered does not match the password on file."),
            invalid("The Membership Number you entered is not registered for"),
            invalid("Invalid membership number.  The membership number must be 16 digits."),
            interaction("To access your account online, you must first <a href='/custserv/register.asp' "
                        "class='c1u'>register a password</a>."),
            interaction("The Membership number you entered has not been registered for Gold Crown Club "
                        "International Online Account Access."),
            invalid("The membership number you entered was not found in our database."),
            interaction("The account which you are requesting is a merged account and cannot be retrieved."),
            interaction("The account cannot be retrieved. If you need to access this account, please contact"),
            interaction("An internal error has been logged.   We are unable to continue processing your request at "
                        "this time."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Welcome", "Balance: ", "&nbsp;"));

        logOut([this] { doGet(url("secure", "/members/logout.asp")); });
    }
};

RL_ADAPTER(BestWestern)

}  // namespace tracker::adapters
