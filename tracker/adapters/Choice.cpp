// Choice Privileges: one sign-in post on the secure host whose answer shows
// the current balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Choice final : public Adapter<Choice> {
public:
    static constexpr const char* KEY = "Choice";

    void update() override {
        validateLoginLengths(0, 6, 20, 0, 6, 20);

        const std::string page =
            doPost(url("secure", "/ires/en-US/html/SignInConfirmation"),
                   "&username=" + credential(m_username) + "&password=" + credential(m_password));

        static const Markers markers = {invalid("Sign in was not successful.")};
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Current Balance*:<", "&nbsp;", "<"));
    }
};

RL_ADAPTER(Choice)

}  // namespace tracker::adapters
