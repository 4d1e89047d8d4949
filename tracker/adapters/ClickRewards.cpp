// ClickRewards: one statement request with the credentials; the answer's
// balance cell holds the figure, maybe followed by a word.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class ClickRewards final : public Adapter<ClickRewards> {
public:
    static constexpr const char* KEY = "ClickRewards";

    void update() override {
        validateLoginLengths(0, 6, 0, 0, 7, 0);

        std::string body =
            "request=CStatementRequest&style=clickrewards&referralProgramName=&style=clickrewards&backupStyle=&"
            "merchantURLID=&comingFrom=Statement&consumerEmailAddress=" +
            credential(m_username) + "&consumerPassword=" + credential(m_password);
        appendInputImage(body, "Send", 78, 29);
        const std::string page = doPost(url("site", "/info/CRequestHandlerServlet"), body);

        static const Markers markers = {
            provider("We're sorry, we are temporarily unable to process your request. Your business is important to "
                     "us. Please wait a few minutes and try again."),
            invalid("The password you entered does not match our records."),
            invalid("Joining ClickRewards is free and easy."),
            invalid("java.lang.NullPointerException"),
        };
        if (firstMarker(page, markers)) return;

        const std::string cell = valueAfter(page, "Balance*", "<B>", "<");
        registerBalance(cell.substr(0, cell.find(' ')));
    }
};

RL_ADAPTER(ClickRewards)

}  // namespace tracker::adapters
