// Thrifty Blue Chip: an ASP.NET log-in form whose view state and event
// validation go back with the credentials, then the rental history, whose
// points figure is read as a whole number.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Thrifty final : public Adapter<Thrifty> {
public:
    static constexpr const char* KEY = "Thrifty";

    void update() override {
        const std::string loginPage = url("secure", "/bluechip/login.aspx");
        const std::string form = doGet(loginPage);
        std::string body = "%5F%5FVIEWSTATE=" + escapeLifted(liftValueAfter(form, "__VIEWSTATE")) +
                           "&Login1%24BlueChipNumberTextBox=" + credential(m_username) +
                           "&Login1%24PasswordTextBox=" + credential(m_password) +
                           "&%5F%5FEVENTVALIDATION=" + escapeLifted(liftValueAfter(form, "__EVENTVALIDATION"));
        appendInputImage(body, "Login1%24LoginImageButton", 30, 17);
        const std::string page = doPost(loginPage, body);

        static const Markers markers = {
            invalid("You have entered an incorrect password"),
            invalid("The password you specified is not correct"),
            invalid("We were unable to find your Blue Chip number"),
        };
        if (firstMarker(page, markers)) return;

        const std::string history = doGet(url("secure", "/BlueChip/RentalHistory.aspx"));
        const std::string figure = valueAfter(history, "RewardsPointToCashIn", ">", " <");
        const std::optional<int32_t> points = foundation::StrUtil::parseInt(figure);
        // A figure that is no whole number ends the retrieval as a failure.
        if (!points) throw NumberFormatError("Not a whole number: \"" + figure + "\"");
        registerBalance(std::to_string(*points));
    }
};

RL_ADAPTER(Thrifty)

}  // namespace tracker::adapters
