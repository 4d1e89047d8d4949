// eBay Anything Points, kept on the payment site: the log-in, a pause, the
// points page, a log-out that follows the points page whatever it held,
// and then the sum of the page's points rows.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Ebay final : public Adapter<Ebay> {
public:
    static constexpr const char* KEY = "Ebay";

    void update() override {
        validateLoginLengths(0, 6, 0, 0, 8, 40);

        const std::string body = "cmd=_login-submit&login_email=" + credential(m_username) +
                                 "&login_password=" + credential(m_password) + "&submit.x=Log+In";
        const std::string page = doPost(url("payment", "/cgi-bin/webscr"), body, 6000);

        static const Markers markers = {
            maintenance("We are currently performing weekly maintenance"),
            invalid("The password you have entered does not match our records."),
            invalid("The email address you have entered does not match our records."),
            invalid("The email address or password you have entered does not match our records."),
            invalid("Please enter any email address you have registered with your PayPal account."),
            interaction("<title>PayPal - Security Measures</title>"),
        };
        if (firstMarker(page, markers)) return;

        m_tb->beNice(1000);
        std::string points;
        bool decided = false;
        try {
            points = doGet(url("payment", "/us/cgi-bin/webscr?cmd=_profile-pie-available"));
            decided = noPointsToRead(points);
        } catch (const std::exception&) {
            // Signed in: sign off before the failure goes on.
            logOut(signOff());
            throw;
        }
        logOut(signOff());
        if (!decided) recordPoints(points);
    }

private:
    std::function<void()> signOff() {
        return [this] { doGet(url("payment", "/us/cgi-bin/webscr?cmd=_logout"), PAGE_NOT_READ); };
    }

    // The points page's trouble, or no points at all, records its outcome.
    bool noPointsToRead(std::string_view points) {
        static const Markers markers = {provider("We are unable to complete your request at this time.")};
        if (firstMarker(points, markers)) return true;
        if (positionOf(points, "There are currently no redemption codes in your account.") >= 0 ||
            positionOf(points, "There are no redemption codes associated with your account.") >= 0) {
            registerZeroBalance();
            return true;
        }
        return false;
    }

    // The sum of the figures beside every points label, thousands commas
    // dropped.
    void recordPoints(std::string points) {
        using foundation::StrUtil;
        static const std::string label = "<td class=\"tableCellRegularSmall\">eBay Anything Points</td>";
        if (positionOf(points, label) < 0 &&
            positionOf(points, "<td class=\"ppdashbody\">eBay Anything Points</td>") < 0) {
            cannotDetermine("Unable to parse eBay");
            return;
        }
        points = StrUtil::replace(points, "ppdashbody", "tableCellRegularSmall");
        std::vector<std::string> figures;
        for (int at = positionOf(points, label); at >= 0; at = positionOf(points, label, at + 1)) {
            figures.push_back(
                StrUtil::replace(betweenFrom(points, at + 1, "<td class=\"tableCellRegularSmall\">", "</td>"), ",", ""));
        }
        const std::optional<std::string> sum = sumOfIntegers(figures);
        if (!sum) {
            cannotDetermine("Unable to parse eBay");
            return;
        }
        registerBalance(*sum, false);
    }
};

RL_ADAPTER(Ebay)

}  // namespace tracker::adapters
