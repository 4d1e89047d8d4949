// HappyDigits: the start page for its cookies, the log-in, and the account
// balance in the answer, its thousands written with a point.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class HappyDigits final : public Adapter<HappyDigits> {
public:
    static constexpr const char* KEY = "HappyDigits";

    void update() override {
        validateLoginLengths(16, 0, 0, 4, 0, 0);

        doGet(url("site", "/index.htm"), PAGE_NOT_READ);
        std::string body = "state=500&param=&cardid=" + credential(m_username) + "&pin=" + credential(m_password);
        appendInputImage(body, "weiter", 56, 21);
        const std::string page = doPost(url("site", "/servlet/hdekwp34?action=login"), body);

        static const Markers markers = {
            provider("<TITLE>Temporary error</TITLE>"),
            invalid("Ihre Angaben sind nicht korrekt!"),
            interaction("Sie haben zu oft eine falsche PIN eingegeben."),
            provider("Aufgrund eines technischen Problems ist die &Uuml;berpr&uuml;fung Ihrer Kartennummer zur Zeit "
                     "leider nicht m&ouml;glich."),
            interaction("<strong>Automatisch Digits sammeln beim Telefonieren</strong>"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(
            foundation::StrUtil::replacePeriodsWithCommas(valueAfter(page, "Ihr Kontostand:", "<strong>", " Digits")));
    }
};

RL_ADAPTER(HappyDigits)

}  // namespace tracker::adapters
