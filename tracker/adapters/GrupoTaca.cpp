// Grupo Taca Distancia: a login post whose answer is not read, then the
// account balance page of the same session.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class GrupoTaca final : public Adapter<GrupoTaca> {
public:
    static constexpr const char* KEY = "GrupoTaca";

    void update() override {
        validateLoginLengths(11, 0, 0, 6, 0, 0);

        std::string body = "ftnum=" + credential(m_username) + "&pin=" + credential(m_password);
        appendInputImage(body, "process", 102, 23);
        doPost(url("site", "/eng/mdis/mdislogmen01.asp"), body, PAGE_NOT_READ);

        const std::string page = doGet(url("site", "/eng/mdis/mdisaccbal01.asp"));

        static const Markers markers = {
            invalid("You will need a PIN"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Total:", "class=\"contentbld\">", "<"));
    }
};

RL_ADAPTER(GrupoTaca)

}  // namespace tracker::adapters
