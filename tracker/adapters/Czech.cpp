// Czech OK Plus: one statement post on the secure site (the site wants the
// password twice); "---" stands for a zero balance.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Czech final : public Adapter<Czech> {
public:
    static constexpr const char* KEY = "Czech";

    void update() override {
        const std::string password = credential(m_password);
        const std::string body = "csano=" + credential(m_username) + "&sitano_pom=" + password + "&sitano=" + password;
        const std::string page = doPost(url("secure", "/en/okplus/okplus_user_account/ok_stavkonta.htm"), body);

        static const Markers markers = {
            invalid("REQUESTED STATEMENT DOES NOT EXIST !!!"),
            provider("We apologize, but the account statement is not available at the moment."),
        };
        if (firstMarker(page, markers)) return;

        const std::string balance = valueAfter(page, ">Actual miles balance<", "class=extra>", "<");
        // Blanks around the dashes are cut, as around any figure.
        registerBalance(foundation::StrUtil::trim(balance) == "---" ? "0" : balance);
    }
};

RL_ADAPTER(Czech)

}  // namespace tracker::adapters
