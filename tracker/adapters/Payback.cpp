// Payback (plain HTTP start page, read to 20000 bytes): the start page's
// log-in form gives its address and three hidden values; the log-in answer
// shows the points, thousands written with a point.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Payback final : public Adapter<Payback> {
public:
    static constexpr const char* KEY = "Payback";

    void update() override {
        validateLoginLengths(10, 0, 0, 4, 0, 0);

        const std::string start = doGet(url("site", "/pb/ui"), 20000);
        static const Markers startMarkers = {
            provider("Daher ist unsere Website momentan leider nicht erreichbar."),
            provider("Auf Grund der momentan starken Zugriffe auf unsere Systeme kommt es kurzzeitig zu "
                     "&Uuml;berlastungen."),
        };
        if (firstMarker(start, startMarkers)) return;

        const std::string action = lift(start, "<form action=\"", "\"");
        const std::string pfid = lift(start, "<input type=\"hidden\" name=\"pfid\" value=\"", "\"");
        const std::string hiddenDid = lift(start, "<input type=\"hidden\" name=\"hiddenDid\" value=\"", "\"");
        const std::string nid = lift(start, "<input type=\"hidden\" name=\"nid\" value=\"", "\"");
        if (!requireLifted({action, pfid, hiddenDid, nid}, "No action, pfid, hiddenDid, or nid found for Payback")) {
            return;
        }
        const std::optional<std::string> address = resolveOnPage(action);
        if (!address) {
            cannotDetermine("No action, pfid, hiddenDid, or nid found for Payback");
            return;
        }

        std::string body = "UseHttps=1&pfid=" + pfid + "&UseHttps=true&hiddenDid=" + hiddenDid + "&nid=" + nid +
                           "&cardNumber=" + credential(m_username) + "&pin=" + credential(m_password);
        appendInputImage(body, "login", 30, 10);
        const std::string page = doPost(*address, body, 20000);

        static const Markers markers = {
            invalid(">Bitte &#252;berpr&#252;fen Sie Ihre eingegebene Kundennummer.<"),
            invalid(">Bitte &#252;berpr&#252;fen Sie Ihre Geheimzahl (PIN).<"),
            provider("Dieser Service ist zur Zeit nicht verf&#252;gbar. Bitte versuchen Sie es zu einem "
                     "sp&#228;teren Zeitpunkt erneut. (Fehler: INTERNAL_ERROR)"),
            provider("Auf Grund der momentan starken Zugriffe auf unsere Systeme kommt es kurzzeitig zu "
                     "&Uuml;berlastungen."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(foundation::StrUtil::replacePeriodsWithCommas(
            between(page, "<td width=\"130\" align=\"center\" class=\"rtx01\">", "</td>")));
    }
};

RL_ADAPTER(Payback)

}  // namespace tracker::adapters
