// Fiesta Rewards: the card number travels in three groups (hotel code,
// state code, contract number) with the PIN; the welcome page then shows
// the balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Fiesta final : public Adapter<Fiesta> {
public:
    static constexpr const char* KEY = "Fiesta";

    void update() override {
        validateLoginLengths(8, 0, 0, 0, 0, 0);

        std::string body = "tipo=home&CCHotCod=" + credential(group(m_username, 0, 2)) +
                           "&CCEsfCod=" + credential(group(m_username, 2, 1)) +
                           "&NCNumCon=" + credential(group(m_username, 3, 5)) + "&CPin=" + credential(m_password);
        appendInputImage(body, "imageField", 42, 24);
        const std::string answer = doPost(url("site", "/log_in2.asp"), body);

        // The site sends a wrong login back to its form by script.
        static const Markers markers = {
            invalid("history.back();"),
        };
        if (firstMarker(answer, markers)) return;

        const std::string page = doGet(url("site", "/bienvenido.asp"));
        registerBalance(between(page, "es de <b>", "<"));
    }
};

RL_ADAPTER(Fiesta)

}  // namespace tracker::adapters
