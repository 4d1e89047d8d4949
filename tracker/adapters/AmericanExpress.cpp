// American Express Membership Rewards (U.S. log-on): the log-off page, then
// the log-on naming the account summary to land on. The summary holds the
// points of a U.S. card; a card of another country has its own rewards
// page, named by the first country tag the summary carries.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class AmericanExpress final : public Adapter<AmericanExpress> {
public:
    static constexpr const char* KEY = "AmericanExpress";

    void update() override {
        validateLoginLengths(0, 4, 0, 0, 5, 8);

        doGet(url("site", "/myca/logon/us/action?request_type=LogLogoffHandler&Face=en_US"));
        const std::string body = "DestPage=https%3A%2F%2F" + hostName("site") +
                                 "%2Fmyca%2Facctsumm%2Fus%2Faction%3Frequest_type%3Dauthreg_acctAccountSummary%26entry_"
                                 "point%3Dlnk%2F&Face=en_US&UserID=" +
                                 credential(m_username) + "&Password=" + credential(m_password) + "&Logon=+++Go+++";
        const std::string page = doPost(url("site", "/myca/logon/us/action?request_type=LogLogonHandler"), body);

        static const Markers markers = {
            provider("Our System is Not Responding"),
            invalid("Your American Express Online Services User ID or Password is Incorrect."),
            interaction("Obtain A New Password"),
            interaction("Register Your Card"),
            interaction("Please try again. Be careful! You have already tried twice. To ensure your privacy we will "
                        "have to lock you out after a third unsuccessful attempt."),
            invalid("Your User ID or Password is incorrect."),
        };
        if (firstMarker(page, markers)) return;

        static const std::string programRow = "Membership Rewards<sup>&reg;</sup> Program - #";
        static const std::string rewardsLink = "Membership Rewards</a><sup>\xAE</sup>";
        if (positionOf(page, programRow) >= 0) {
            registerBalance(valueAfter(page, programRow, "<TD class=\"INDATA\">", "</TD>"));
        } else if (positionOf(page, rewardsLink) >= 0) {
            registerBalance(valueAfter(page, rewardsLink, "Points Balance:", "<"));
        } else if (positionOf(page, ">non-U.S. card") >= 0) {
            otherCountry(page);
        } else {
            unitedStates();
        }
    }

private:
    // The points cell of a statement-points table.
    static constexpr const char* STATEMENT_POINTS =
        "<TD width=\"10%\" VALIGN=CENTER bgcolor=skyblue ALIGN=CENTER><FONT face=\"arial\" size=\"1\"><B>";

    // The rewards page of the first country tag the summary carries, in this
    // order, with the region its page stands under.
    void otherCountry(std::string_view summary) {
        static const struct {
            const char* tag;
            const char* region;
        } countries[] = {{"en_GB", "emea"},   {"en_CA", "canlac"}, {"en_AU", "japa"}, {"en_HK", "japa"},
                         {"es_MX", "canlac"}, {"de_DE", "emea"},   {"nl_NL", "emea"}, {"ja_JP", "japa"}};
        for (const auto& country : countries) {
            const std::string tag = country.tag;
            if (positionOf(summary, "&Face=" + tag) < 0) continue;
            const std::string page = doGet(url("site", "/myca/rewards/" + std::string(country.region) +
                                                           "/action?request_type=authreg_MrMultipleAccounts&Face=" +
                                                           tag));
            countryBalance(tag, page);
            return;
        }
        registerAllUnknown();
    }

    void countryBalance(const std::string& tag, std::string_view page) {
        using foundation::StrUtil;
        if (tag == "en_GB") {
            static const Markers markers = {
                provider("The American Express Online Services system has not properly responded to your request."),
            };
            if (firstMarker(page, markers)) return;
            registerBalance(valueAfter(page, "Statement Points<BR>Balance", STATEMENT_POINTS, "<"));
        } else if (tag == "en_CA") {
            registerBalance(between(page, "You currently have <B>", "</B> points"));
        } else if (tag == "en_AU" || tag == "en_HK") {
            registerBalance(valueAfter(page, "Statement Points<BR>Balance", STATEMENT_POINTS, "<"));
        } else if (tag == "de_DE") {
            registerBalance(StrUtil::replacePeriodsWithCommas(valueAfterChain(
                page, {"Aktueller Punktestand", "PointBalanceButton"}, "style=\"width:50%\">", "&nbsp;")));
        } else if (tag == "nl_NL") {
            static const Markers markers = {
                interaction("U kunt alleen punten overschrijven, Rewards bestellen of uw puntentotaal bekijken als u "
                            "de basis Kaarthouder bent en als u ingeschreven bent bij"),
            };
            if (firstMarker(page, markers)) return;
            registerBalance(StrUtil::replacePeriodsWithCommas(valueAfter(page, ">Puntentotaal</b>", "<b>", "<")));
        } else if (tag == "ja_JP") {
            registerBalance(valueAfter(page,
                                       ">&#23550;&#35937;&#26399;&#38291;&#32066;&#20102;&#26178;&#12398;&#26377;&#"
                                       "21177;&#12509;&#12452;&#12531;&#12488;<",
                                       STATEMENT_POINTS, "<"));
        } else {
            // Mexico: the page is opened, but it shows no balance to read.
            registerAllUnknown();
        }
    }

    void unitedStates() {
        const std::string page =
            doGet(url("site", "/myca/mr/us/action?request_type=authreg_mr&action=acctSumm&aexp_nav=gnd_membershiprewards"));
        static const Markers markers = {interaction("Enrollment Required")};
        if (firstMarker(page, markers)) return;

        const int available = chainedPosition(page, {"Membership Rewards&reg; Account #", ">Available"});
        if (available < 0) {
            registerAllUnknown();
            return;
        }
        registerBalance(betweenFrom(page, available, "Points: ", "<"));
    }
};

RL_ADAPTER(AmericanExpress)

}  // namespace tracker::adapters
