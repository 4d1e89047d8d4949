// The web client's handling of what a site sends back: Set-Cookie fields
// into the jar and the jar's Cookie header, Location values resolved
// against the address that answered, addresses taken apart, Content-Length
// values and the low bytes of a form text.

#include <string>

#include "foundation/CookieJar.h"
#include "foundation/TextBrowser.h"
#include "platform/net/Url.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rlfuzz::Input in(data, size);
    const std::string url = in.text();
    const std::string location = in.text();

    foundation::CookieJar jar;
    while (!in.empty()) {
        const std::string field = in.text();
        auto cookie = foundation::CookieJar::parseSetCookie(field);
        if (!cookie) continue;
        rlfuzz::check(!cookie->first.empty(), "a cookie without a name");
        jar.addCookie(cookie->first, cookie->second);
        rlfuzz::check(jar.getCookie(cookie->first) == cookie->second, "the jar lost the cookie just set");
    }
    // (Line breaks in a header field are dropped where the request is made.)
    rlfuzz::check(jar.getCookieString().has_value() != jar.empty(), "a Cookie header that does not match the jar");

    if (auto parsed = net::parseUrl(url)) {
        rlfuzz::check(parsed->scheme == "http" || parsed->scheme == "https", "an address of another scheme");
        (void)parsed->hostHeader();
        rlfuzz::check(parsed->effectivePort() >= 0, "a negative port");
    }
    if (!location.empty()) {
        const std::string target = foundation::TextBrowser::resolveRedirect(url, location);
        rlfuzz::check(target.size() >= location.size() &&
                          target.compare(target.size() - location.size(), location.size(), location) == 0,
                      "a redirect target that lost its Location");
        (void)net::parseUrl(target);
    }
    (void)foundation::TextBrowser::parseContentLength(location);
    (void)foundation::TextBrowser::lowBytes(url);
    return 0;
}
