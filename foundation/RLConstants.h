#pragma once
// The tracker's product constants, read from the message catalogue once.

#include <string>

namespace foundation {

class RLConstants {
public:
    static const std::string& ProductNameDisplay();
    // Base name of the tracker's own files (settings, history, result pages).
    static const std::string& ProductNameInternal();
    static const std::string& SupportEmail();
    static const std::string& SupportWebsite();
    static const std::string& WebsiteShort();
    static const std::string& WebsiteLong();
};

}  // namespace foundation
