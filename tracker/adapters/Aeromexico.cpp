// Aeromexico Club Premier: the mini statement is one GET by account number;
// the program has no password and none is ever sent.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Aeromexico final : public Adapter<Aeromexico> {
public:
    static constexpr const char* KEY = "Aeromexico";

    void update() override {
        const std::string page = doGet(
            url("reservations",
                "/DatalexAeroMexico/cpAccMiniStmt_AM.jsp?lang=english&site=mex&cpNumber=" + credential(m_username)));

        static const Markers markers = {
            provider("At this moment we cannot process your request. Please try again later."),
            provider("Tenemos problemas con el servicio, por favor intentelo mas tarde."),
            invalid("The Club Premier account number you have submitted is invalid."),
            invalid("The Club Premier account number must consist of 9 digits."),
            invalid("El N&uacute;mero de Cuenta debe tener 9 Digitos, Favor de Verificarlo."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(
            valueAfter(page, "Balance in MILES", "<td bgcolor=\"#F5F5F5\" class=\"text\" width=\"65%\">", "</td>"));
    }
};

RL_ADAPTER(Aeromexico)

}  // namespace tracker::adapters
