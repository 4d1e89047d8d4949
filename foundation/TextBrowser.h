#pragma once
// The program's web client: a minimal scripted browser. It sends a fixed set
// of browser-like header fields, keeps the cookies sites set (name and value
// only) and sends them all back on every later request, sends the last
// address it requested as the referrer, follows 302 answers itself with GET
// requests (at most MAX_REDIRECTS hops), waits its politeness delay before
// every request once a page has been received, can cap the bytes it reads
// of a page, and can dump every page it receives. Page bodies come back as
// bytes, one char per byte. Images and archives go straight to disk.
//
// Failures of a request are TextBrowserException (see there for telling a
// missing network from a site fault); a status of 400 or more is one too.
// A stop request of the calling worker (ThreadStop) ends any request at
// once by throwing ThreadStopped.
//
// A client belongs to one thread and is never shared.

#include <cstdint>
#include <optional>
#include <string>

#include "foundation/BaseTextBrowser.h"
#include "foundation/CookieJar.h"

namespace net {
class HttpConnection;
struct Url;
}

namespace foundation {

class TextBrowser : public BaseTextBrowser {
public:
    static constexpr int MAX_REDIRECTS = 20;
    // The most a read given no limit of its own takes, far above any real
    // page: a page read with maxBytes -1 (or a limit above this) whose body
    // runs past it fails with "Cannot read ..."; it is also the bound of a
    // download whose caller names none.
    static constexpr int MAX_BODY_BYTES = 16 << 20;

    TextBrowser(bool persistDownloads, int niceLevelMs);

    using BaseTextBrowser::doGet;
    using BaseTextBrowser::doPost;
    // GET; the body of the final (non-302) answer, at most maxBytes of it
    // (-1: all of it, up to MAX_BODY_BYTES).
    std::string doGet(const std::string& url, int maxBytes) override;
    // POST of an already form-encoded body (the low 8 bits of each character
    // are sent); a 302 answer is followed with GET requests.
    std::string doPost(const std::string& url, const std::string& postData, int maxBytes) override;

    // Puts a cookie into the jar as if a site had set it (the domain is
    // ignored, as the jar ignores the domains sites give).
    void addManualCookie(const std::string& domain, const std::string& name, const std::string& value);

    // The body: its first maxBytes bytes, or with -1 the whole body, which
    // must not pass MAX_BODY_BYTES (a Content-Length above it fails at once).
    std::string getContentStringFromConnectionByte(net::HttpConnection& connection, int maxBytes);
    std::string getContentStringFromConnection(net::HttpConnection& connection, int maxBytes) {
        return getContentStringFromConnectionByte(connection, maxBytes);
    }
    std::string getContentStringFromConnection(net::HttpConnection& connection) {
        return getContentStringFromConnectionByte(connection, -1);
    }

    // Downloads the body of the address into filePath over a plain
    // connection (none of the client's cookies or header fields, no delay).
    // With keepExisting an existing file is left alone. The bytes go to
    // "<filePath>.part", renamed into place only when the whole body
    // arrived with a 2xx status and within maxBytes (a body longer than
    // that fails, a Content-Length above it at once). Throws
    // TextBrowserException with the message
    // "Cannot download file from <url> to <path>\r\n\r\n<failure>".
    void doDownloadBinaryFileWithThrow(const std::string& url, const std::string& filePath, bool keepExisting,
                                       int64_t maxBytes = MAX_BODY_BYTES);
    // The same, logging a failure instead of throwing it.
    void doDownloadBinaryFile(const std::string& url, const std::string& filePath, bool keepExisting,
                              int64_t maxBytes = MAX_BODY_BYTES);
    void doDownloadBinaryFile(const std::string& url, const std::string& filePath) {
        doDownloadBinaryFile(url, filePath, true);
    }

    void setCookies(net::HttpConnection& connection);
    // Accept, Accept-Language, User-Agent and Host.
    void setCommonRequestProperties(net::HttpConnection& connection, const std::string& url);
    void setCommonRequestProperties(net::HttpConnection& connection, const net::Url& url);
    // Takes every Set-Cookie field of the answer into the jar.
    void saveCookies(net::HttpConnection& connection);
    // The address a 302 answer of url sends the client to, with the repairs
    // of two sites' faulty redirects. Throws TextBrowserException when the
    // answer names no address.
    std::string determineRedirectLocation(const std::string& url, net::HttpConnection& connection);

    CookieJar& getCookieJar() { return m_cookieJar; }
    const CookieJar& getCookieJar() const { return m_cookieJar; }

    // A Location value made absolute against the address that answered.
    static std::string resolveRedirect(const std::string& url, const std::string& location);
    // Content-Length as a 32-bit decimal; absent when missing or not a
    // valid number.
    static std::optional<int> parseContentLength(const std::optional<std::string>& field);
    // The low 8 bits of each character of a UTF-8 text (bytes that are not
    // UTF-8 are taken as they are).
    static std::string lowBytes(const std::string& text);

private:
    std::string request(std::string url, const std::string* postData, int maxBytes);

    CookieJar m_cookieJar;
};

}  // namespace foundation
