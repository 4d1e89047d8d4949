// EL AL Matmid: one login post; the balance stands in its sentence.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class ELAL final : public Adapter<ELAL> {
public:
    static constexpr const char* KEY = "ELAL";

    void update() override {
        validateLoginLengths(7, 0, 0, 0, 0, 0);

        const std::string body = "Member=" + credential(m_username) + "&SecretCode=" + credential(m_password);
        const std::string page = doPost(url("site", "/clubs/homepage/login_process.asp"), body);

        static const Markers markers = {
            invalid("Login Failed. Try Again."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(between(page, "You have ", " Points"));
    }
};

RL_ADAPTER(ELAL)

}  // namespace tracker::adapters
