// Upromise (a cash balance): the log-in page (read to 10000 bytes) gives
// the log-in key; the log-in answer (read to 15000 bytes) shows the savings,
// unless it is an offer to skip, after which the account page does.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Upromise final : public Adapter<Upromise> {
public:
    static constexpr const char* KEY = "Upromise";

    void update() override {
        validateLoginLengths(0, 0, 0, 0, 6, 0);

        const std::string form = doGet(url("secure", "/secure/8300.do?cx=l0"), 10000);
        static const Markers formMarkers = {provider("<title>Upromise - Page Cannot Be Found</title>")};
        if (firstMarker(form, formMarkers)) return;

        std::string body = "loginKey=" + liftValueAfter(form, "<input type=\"hidden\" name=\"loginKey\"") +
                           "&branding=upromise&username=" + credential(m_username) +
                           "&password=" + credential(m_password);
        appendInputImage(body, "Submit", 188, 38);

        std::string page = doPost(url("secure", "/secure/8112.do"), body, 15000);
        static const Markers markers = {
            provider("This functionality is not available at this time."),
            provider("temporarily unavailable"),
            invalid("The password you provided for this username cannot be recognized."),
            invalid("You have exceeded the maximum number of attempts to log in to your account."),
            invalid("The password you provided cannot be recognized."),
        };
        if (firstMarker(page, markers)) return;

        // An interstitial offer stands between the log-in and the account.
        if (positionOf(page, ">Skip This Step and Continue<") >= 0 ||
            positionOf(page, ">No, thanks. Continue to My Account<") >= 0) {
            page = doGet(url("secure", "/ppr.do"));
        }

        // The savings figure in the third cell after its heading.
        registerBalance(valueAfterChain(page, {"Upromise Saving", "<td ", "<td ", "<td "}, "$", "<"));
    }
};

RL_ADAPTER(Upromise)

}  // namespace tracker::adapters
