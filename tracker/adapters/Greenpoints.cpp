// S&H Greenpoints: the log-in answer shows the balance on its card labels
// when it has them all; otherwise the account summary does.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Greenpoints final : public Adapter<Greenpoints> {
public:
    static constexpr const char* KEY = "Greenpoints";

    void update() override {
        validateLoginLengths(0, 4, 0, 0, 4, 16);

        std::string body = "txtUserID=" + credential(m_username) + "&txtPassword=" + credential(m_password);
        appendInputImage(body, "", 82, 23);
        const std::string page = doPost(url("site", "/account/p_login.asp?URL="), body);

        static const Markers markers = {
            invalid("We don't recognize the username or password you entered."),
        };
        if (firstMarker(page, markers)) return;

        // The second of at least three card labels holds the balance.
        if (nthPosition(page, "cardlabel", 3) >= 0) {
            registerBalance(betweenFrom(page, nthPosition(page, "cardlabel", 2), ">", " "));
            return;
        }

        const std::string summary = doGet(url("site", "/account/act_summary.asp"));
        static const Markers summaryMarkers = {
            maintenance("We're sorry. Due to routine maintenance work, your account summary is currently unavailable. "
                        "Please try again later."),
        };
        if (firstMarker(summary, summaryMarkers)) return;

        registerBalance(valueAfter(summary, "Current Greenpoints Balance", "\"greenActCopy\">", "<"));
    }
};

RL_ADAPTER(Greenpoints)

}  // namespace tracker::adapters
