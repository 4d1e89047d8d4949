#include "portal/retriever/TVGuideInner.h"

#include "foundation/HostTable.h"
#include "foundation/Logger.h"

namespace portal::retriever {

namespace {

// The frame of the inner pages: the advertising column on the left, the
// text on the right in white.
const char* const FRAME_HEAD =
    "<!DOCTYPE html>\n"
    "<html>\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<title>TV Listings</title>\n"
    "<script src=\"js/core-pref.js\" charset=\"windows-1252\"></script>\n"
    "<script src=\"js/core.js\"></script>\n"
    "<link rel=\"stylesheet\" href=\"css/core-inner.css\">\n"
    "</head>\n"
    "<body>\n"
    "<table border=\"0\" cellspacing=\"0\" cellpadding=\"0\">\n"
    "<tr>\n"
    "<td valign=\"top\" width=\"120\">"
    "<a id=\"adlink\" href=\"#\"><img name=\"adimg\" src=\"images/misc/spacer.gif\" width=\"120\" height=\"600\" "
    "border=\"0\" alt=\"\"></a><br>"
    "<a id=\"adlink2\" href=\"#\"><img name=\"adimg2\" src=\"images/misc/spacer.gif\" width=\"120\" height=\"600\" "
    "border=\"0\" alt=\"\"></a></td>\n"
    "<td width=\"35\"><img src=\"images/misc/spacer.gif\" width=\"35\" height=\"1\" alt=\"\"></td>\n"
    "<td valign=\"top\"><font color=\"#FFFFFF\">";

const char* const FRAME_FOOT =
    "</font></td>\n"
    "</tr>\n"
    "</table>\n"
    "<script>genLoadURL(\"tvguide\", 600, 120, ZipCode, GUID);</script>\n"
    "</body>\n"
    "</html>\n";

}  // namespace

std::string TVGuideInner::failureReport() const { return "TVGuide exception for email " + getParam(); }

std::string TVGuideInner::noticePage(const std::string& email) {
    const std::string siteName = foundation::HostTable::get("TVListings.domainName");
    if (!email.empty()) {
        return std::string(FRAME_HEAD) + "<br>TV Guide listings are currently unavailable due to a redesign of " +
               siteName +
               ".<br><br>This will be fixed shortly and Lanternbay will automatically upgrade itself as soon as the "
               "fix becomes available.<br><br>Thank you for your patience." +
               FRAME_FOOT;
    }
    return std::string(FRAME_HEAD) + "<br>No e-mail address has been given for your TV listings.<br><br>" +
           "Open the Lanternbay preferences with the profile button " +
           "<img src=\"images/misc/profile-button.gif\" alt=\"Profile\" align=\"absmiddle\">, enter the e-mail "
           "address you registered with " +
           siteName + ", then press Update Current Page " +
           "<img src=\"images/misc/ie-refresh-blue-orange-button.gif\" alt=\"Update Current Page\" "
           "align=\"absmiddle\">.<br><br>Not registered yet? <a href=\"" +
           foundation::HostTable::url("TVListings.site", "/registration/") + "\">Register with " + siteName +
           "</a>." + FRAME_FOOT;
}

void TVGuideInner::retrieve() {
    if (getParam().empty()) foundation::Logger::verbose("No email address provided for TV Guide");
    writePage(outputPath(), noticePage(getParam()));
}

}  // namespace portal::retriever
