// AlohaPass: the statement post; the balance stands in the cell after six
// empty cells that follow its label.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Aloha final : public Adapter<Aloha> {
public:
    static constexpr const char* KEY = "Aloha";

    void update() override {
        validateLoginLengths(0, 0, 11, 0, 0, 0);

        const std::string body = "alohaLoginAccount=" + credential(m_username) + "&alohaLoginPin=" +
                                 credential(m_password);
        const std::string page = doPost(url("travel", "/statement/ValidateLogin.do"), body);

        static const Markers markers = {
            invalid("Your statement is not available now."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(balanceCell(page));
    }

private:
    static std::string balanceCell(std::string_view page) {
        const std::string_view empty = "<td>&nbsp;</td>";
        const int label = positionOf(page, "Available Miles<");
        const int hit = label < 0 ? -1 : nthPosition(page, empty, 6, label + 1);
        // The value cell follows the sixth empty cell; searched from the
        // empty cell itself, "<td>" would find that cell again.
        return betweenFrom(page, hit < 0 ? -1 : hit + static_cast<int>(empty.size()), "<td>", "</td>");
    }
};

RL_ADAPTER(Aloha)

}  // namespace tracker::adapters
