#pragma once
// The one rewards site of the two Capital One No Hassle programs, which
// differ only in their host and in the program part of the login form.
// Each program's adapter names them:
//
//   static constexpr const char* KEY = "CapitalOneNoHassle";
//   static constexpr const char* HOST = "miles";                     // host role
//   static constexpr const char* PROGRAM = "&programID=58&webAppName=ip-gm";

#include "tracker/adapters/Adapter.h"

namespace tracker::adapters {

template <class Self>
class NoHassleRewards : public Adapter<Self> {
public:
    void update() override {
        const std::string_view host = Self::HOST;
        this->doGet(this->url(host, "/ip-nh/signOnAction.do"));

        std::string body = "j_username=" + credential(this->m_username) + "&j_password=" +
                           credential(this->m_password) + Self::PROGRAM;
        this->appendInputImage(body, "Enter", 57, 19);
        const std::string page = this->doPost(this->url(host, "/ip-nh/j_security_check"), body);

        static const Markers markers = {
            invalid("We were unable to verify your user name or password."),
            provider("This account is already logged in."),
            blocked("You have exceeded the allowable number of log in attempts."),
        };
        if (this->firstMarker(page, markers)) return;

        const std::string summary = this->doGet(this->url(host, "/ip-nh/DisplayAccountSummary.do"));
        this->registerBalance(valueAfter(summary, "Current miles balance:", "<b>", "<"));

        this->logOut([this, host] { this->doGet(this->url(host, "/ip-nh/SignOffServlet.do")); });
    }
};

}  // namespace tracker::adapters
