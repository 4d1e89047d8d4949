#pragma once
// The shared retrieval of the hotel brands of one points programme: a brand
// adapter supplies only its configuration and its brand word, from which the
// brand's secure login host is looked up ("Carlson." + brand word in the host
// table).

#include <string>

#include "tracker/core/RLSource.h"

namespace tracker {

class CarlsonSource : public RLSource {
public:
    // Logs in on the brand's secure host and records the balance (or a
    // status); details and activity are not tracked by the brands.
    void update() override;
    // The brand word ("countryinns").
    virtual std::string getDomainName() const = 0;

    // The host-table role of a brand word.
    static std::string hostRole(const std::string& brandWord) { return "Carlson." + brandWord; }
    static constexpr const char* LOGIN_PATH = "/secure/login.do";
};

}  // namespace tracker
