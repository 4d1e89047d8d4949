// Chase Travel / Ultimate Rewards: the bank's public page, a log-on with the
// credentials in lower case, the accounts page, and where that shows no
// points, the history page of the rewards card it links to.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class ChaseTravel final : public Adapter<ChaseTravel> {
public:
    static constexpr const char* KEY = "ChaseTravel";

    void update() override {
        validateLoginLengths(0, 0, 0, 0, 6, 10);

        doGet(url("site", "/"));
        std::string body = "authmethod=userpassword&locale=en_us&pagegentime=&usr_name=" +
                           credential(lowerCase(m_username)) + "&usr_password=" + credential(lowerCase(m_password)) +
                           "&LOB=RBGLogon&hiddenuri=%2Fchaseonline%2Flogon%2Fon_successful_logon.jsp%3FLOB%3DRBGLogon&";
        appendInputImage(body, "Submit", 37, 18);
        const std::string page = doPost(url("banking", "/siteminderagent/forms/formpost.fcc"), body);

        static const Markers markers = {
            invalid("Error Message LO002:<br>There was an error with either your User ID or Password."),
        };
        if (firstMarker(page, markers)) return;

        const std::string accounts = doGet(url("banking", "/chaseonline/mychase/sso_mychase_accts.jsp"));
        static const Markers accountMarkers = {
            invalid("We are unable to process your request because the system is temporarily unavailable."),
            interaction("Chase is pleased to offer our cardmembers a selection of reward programs to choose from."),
        };
        if (firstMarker(accounts, accountMarkers)) return;
        if (points(accounts)) return;

        // The rewards card's history, when the page links a card of a kind
        // that earns points.
        const std::string link = between(accounts, "<a href='" + url("cards", "/servlet/AccountHistoryAaag?account"), "</a>");
        bool rewardsCard = false;
        for (const char* kind : {"Travel", "Ultimate", "Visa", "MasterCard"}) {
            rewardsCard = rewardsCard || link.find(kind) != std::string::npos;
        }
        if (rewardsCard) {
            const std::string history =
                doGet(url("cards", "/servlet/AccountHistoryAaag?account=" + between(link, "=", "'")));
            static const Markers historyMarkers = {interaction("New account number issued")};
            if (firstMarker(history, historyMarkers)) return;
            if (points(history)) return;
        }

        cannotDetermine("Unable to parse ChaseTravel");
    }

protected:
    // The password goes out lower-cased, so a page that shows it back (a
    // report's page dump) holds it in that form as well.
    std::string maskSecrets(const std::string& text) const override {
        return foundation::StrUtil::maskSecrets(Adapter::maskSecrets(text), {lowerCase(m_password)});
    }

private:
    // Records the points of a page that names them (either capitalisation of
    // the label, upper-case first); false when it names none.
    bool points(std::string_view page) {
        int label = positionOf(page, "Total Points Available For Redemption");
        if (label < 0) label = positionOf(page, "Total points available for redemption");
        if (label < 0) return false;
        registerBalance(betweenFrom(page, label, "<span class=\"smalltext\">", "<"));
        return true;
    }
};

RL_ADAPTER(ChaseTravel)

}  // namespace tracker::adapters
