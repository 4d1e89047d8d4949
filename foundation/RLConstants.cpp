#include "foundation/RLConstants.h"

#include "foundation/Messages.h"

namespace foundation {

namespace {

struct Constants {
    std::string productNameDisplay = Messages::get("RLConstants.ProductNameDisplay");
    std::string productNameInternal = Messages::get("RLConstants.ProductNameInternal");
    std::string supportEmail = Messages::get("RLConstants.SupportEmail");
    std::string supportWebsite = Messages::get("RLConstants.SupportWebsite");
    std::string websiteShort = Messages::get("RLConstants.WebsiteShort");
    std::string websiteLong = Messages::get("RLConstants.WebsiteLong");
};

const Constants& constants() {
    static const Constants c;
    return c;
}

}  // namespace

const std::string& RLConstants::ProductNameDisplay() { return constants().productNameDisplay; }
const std::string& RLConstants::ProductNameInternal() { return constants().productNameInternal; }
const std::string& RLConstants::SupportEmail() { return constants().supportEmail; }
const std::string& RLConstants::SupportWebsite() { return constants().supportWebsite; }
const std::string& RLConstants::WebsiteShort() { return constants().websiteShort; }
const std::string& RLConstants::WebsiteLong() { return constants().websiteLong; }

}  // namespace foundation
