// Eva Air Evergreen Club: one login post; the balance follows its sentence.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Eva final : public Adapter<Eva> {
public:
    static constexpr const char* KEY = "Eva";

    void update() override {
        validateLoginLengths(10, 0, 0, 0, 4, 6);

        std::string body = "Language=E&Frameyes=N&Member=" + credential(m_username) +
                           "&Password=" + credential(m_password);
        appendInputImage(body, "image1", 89, 35);
        const std::string page = doPost(url("site", "/online/html/global/asi0a802.asp"), body);

        static const Markers markers = {
            maintenance("Announcement of system shutdown for system maintenance"),
            invalid("No data found."),
            invalid("Invalid Password"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Your own available mileage is", ">", "<"));
    }
};

RL_ADAPTER(Eva)

}  // namespace tracker::adapters
