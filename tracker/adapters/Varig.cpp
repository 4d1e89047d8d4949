// Varig Smiles: the signed-out page opens the session (its answer not
// read); the login answer shows the balance under one of three labels, in
// English, Portuguese or Spanish, with points for thousands.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Varig final : public Adapter<Varig> {
public:
    static constexpr const char* KEY = "Varig";

    void update() override {
        validateLoginLengths(9, 0, 0, 0, 0, 0);

        doGet(url("secure", "/smiles/logged_out"), PAGE_NOT_READ);
        std::string body = "camefrom=%2Fsmiles%2Fmysmiles%2F&cardnumber=" + credential(m_username) +
                           "&password=" + credential(m_password);
        appendInputImage(body, "submit", 64, 19);
        const std::string page = doPost(url("secure", "/smiles/mysmiles/logged_in"), body);

        static const Markers markers = {
            provider("<TITLE>502 Proxy Error</TITLE>"),
            provider("This service is temporarily inaccessible."),
            blocked("Senha bloqueada, entre em contato com a Central de Atendimento Smiles"),
            blocked("senha bloqueada, entre em contato com a central de atendimento."),
            blocked("Senha bloqueada"),
            invalid("Senha Incorreta"),
            invalid("Senha incorreta, tente novamente."),
            invalid("Conta smiles suspensa. Entrar em contato na central de atendimento."),
            interaction("Usu\xE1rio j\xE1 logado"),
        };
        if (firstMarker(page, markers)) return;

        // With none of the three labels the value is searched from the top.
        int anchor = positionOf(page, ">Account balance<");
        if (anchor < 0) anchor = positionOf(page, ">Saldo Atual<");
        if (anchor < 0) anchor = positionOf(page, ">Saldo Actual<");
        registerBalance(
            foundation::StrUtil::replacePeriodsWithCommas(betweenFrom(page, anchor < 0 ? 0 : anchor, "\">", "<")));
    }
};

RL_ADAPTER(Varig)

}  // namespace tracker::adapters
