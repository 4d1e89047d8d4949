// Lufthansa Miles and More: the account page's login form (its address and
// its id, which names its fields) takes the credentials; the balance is
// read in the page's language, English, Italian or German.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Lufthansa final : public Adapter<Lufthansa> {
public:
    static constexpr const char* KEY = "Lufthansa";

    void update() override {
        using foundation::StrUtil;
        const std::string account = doGet(url("site", "/online/portal/lh/de/my_lufthansa/my_account?tl=1&l=de"), 12000);
        // The form's id is searched after the application's own id.
        const int app = positionOf(account, "<div id=\"app\">");
        const int inside = positionAfter(account, "<div id=\"app\">");
        const std::string action = StrUtil::trim(betweenFrom(account, app, "<form action=\"", "\""));
        const std::string formId = betweenFrom(account, inside, " id=\"", "_form\"");
        if (!requireLifted({action, formId}, "No action or form id found for Lufthansa")) return;

        const std::string body = formId + "_userId=" + credential(m_username) + "&" + formId +
                                 "_password=" + credential(m_password);
        const std::string page = doPost(*resolveOnPage(action), body);

        static const Markers markers = {
            invalid("The Miles &amp; More card number that you entered cannot be found in the Miles &amp; More "
                    "database."),
            invalid("Either the Miles &amp; More card number or the PIN code that you entered is not correct."),
            invalid("Your PIN code is incorrect."),
            interaction("No regular card and pin code"),
            invalid("The User-ID that you entered is not valid"),
            invalid("Either the User-ID or the password that you entered is not correct"),
            invalid("The user-id that you entered is not registered on our system."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(StrUtil::replacePeriodsWithCommas(
            betweenFrom(page, balancePosition(page), "<td class=\"txr\">", "</td>")));
    }

private:
    static int balancePosition(std::string_view page) {
        const int english = positionOf(page, "<strong>Current account statement:</strong>");
        if (english >= 0) return positionOf(page, "Award miles</td>", english);
        const int italian = positionOf(page, "<strong>Estratto conto aggiornato</strong>&nbsp;<a href=");
        if (italian >= 0) return italian;
        const int german = positionOf(page, "<strong>Aktueller Kontostand:</strong>");
        return german < 0 ? -1 : positionOf(page, "mienmeilen</td>", german);
    }
};

RL_ADAPTER(Lufthansa)

}  // namespace tracker::adapters
