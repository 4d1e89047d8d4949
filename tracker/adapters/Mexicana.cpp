// Mexicana Frecuenta: one login post whose answer shows the balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Mexicana final : public Adapter<Mexicana> {
public:
    static constexpr const char* KEY = "Mexicana";

    void update() override {
        const std::string body = "cuenta=" + credential(m_username) + "&pin=" + credential(m_password);
        const std::string page = doPost(url("site", "/app/g4mx/miMexicana/misc/ConsultaSaldo_eng.jsp"), body);

        static const Markers markers = {
            provider("At this moment your transaction can't be completed"),
            invalid("WRONG PIN"),
            invalid("WRONG ACCOUNT&nbsp; NUMBER"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Accumulated balance in miles:", "color=\"Green\" >", "<"));
    }
};

RL_ADAPTER(Mexicana)

}  // namespace tracker::adapters
