#include "foundation/TextBrowser.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <climits>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>

#include "foundation/ExceptionUtil.h"
#include "foundation/HostTable.h"
#include "foundation/Logger.h"
#include "foundation/StrUtil.h"
#include "foundation/TextBrowserException.h"
#include "foundation/ThreadStop.h"
#include "platform/net/HttpConnection.h"
#include "platform/net/Url.h"

namespace foundation {

namespace {

constexpr int kDownloadBlock = 4096;

bool isAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && StrUtil::startsWithIgnoreCase(a, b);
}

std::string trim(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
    return text.substr(b, e - b);
}

// The connection failure as the exception type callers test for.
std::shared_ptr<const std::exception> causeOf(const net::NetError& e, const std::string& url) {
    switch (e.kind()) {
        case net::FailureKind::MalformedUrl: return std::make_shared<MalformedURLException>(e.what());
        case net::FailureKind::UnknownHost: {
            auto parsed = net::parseUrl(url);
            return std::make_shared<UnknownHostException>(parsed ? parsed->host : e.what());
        }
        case net::FailureKind::ConnectionRefused:
        case net::FailureKind::ConnectFailed: return std::make_shared<ConnectException>(e.what());
        case net::FailureKind::NoRouteToHost: return std::make_shared<NoRouteToHostException>(e.what());
        case net::FailureKind::Socket: return std::make_shared<SocketException>(e.what());
        case net::FailureKind::Timeout: return std::make_shared<SocketTimeoutException>(e.what());
        case net::FailureKind::Tls: return std::make_shared<SSLException>(e.what());
        default: return std::make_shared<IOException>(e.what());
    }
}

[[noreturn]] void throwRequestFailure(std::shared_ptr<const std::exception> cause, const std::string& url) {
    std::string message = ExceptionUtil::getStackTrace(*cause);
    if (dynamic_cast<const MalformedURLException*>(cause.get())) message += " URL: " + url;
    throw TextBrowserException(std::move(cause), message);
}

[[noreturn]] void throwNetFailure(const net::NetError& e, const std::string& url) {
    // An abort is always our own stop request.
    if (e.kind() == net::FailureKind::Aborted) ThreadStop::checkpoint();
    throwRequestFailure(causeOf(e, url), url);
}

// The failure of a read that the bound stopped.
[[noreturn]] void throwTooLong(const std::string& url, int64_t bound) {
    const std::string message =
        "Cannot read the answer of " + url + ": it is longer than " + std::to_string(bound) + " bytes";
    throw TextBrowserException(std::make_shared<IOException>(message), message);
}

std::shared_ptr<const std::exception> statusFailure(int status, const std::string& url) {
    if (status == 404 || status == 410) return std::make_shared<FileNotFoundException>(url);
    return std::make_shared<HttpStatusException>(
        status, "Server returned HTTP response code: " + std::to_string(status) + " for URL: " + url);
}

// Removes a partly written file unless the download completed.
struct PartFile {
    std::string path;
    bool keep = false;
    ~PartFile() {
        if (!keep) std::remove(path.c_str());
    }
};

}  // namespace

TextBrowser::TextBrowser(bool persistDownloads, int niceLevelMs) : BaseTextBrowser(persistDownloads, niceLevelMs) {
    static std::once_flag setUp;
    std::call_once(setUp, [] {
        if (!net::HttpConnection::initialize()) Logger::error("Unable to perform initial security provider setup");
    });
}

std::string TextBrowser::doGet(const std::string& url, int maxBytes) { return request(url, nullptr, maxBytes); }

std::string TextBrowser::doPost(const std::string& url, const std::string& postData, int maxBytes) {
    return request(url, &postData, maxBytes);
}

std::string TextBrowser::request(std::string url, const std::string* postData, int maxBytes) {
    for (int hop = 0;; ++hop) {
        ThreadStop::checkpoint();
        beNice();
        if (!postData) touch();
        // The caller's address is text; a redirect target is already bytes
        // of the answer and goes out as it came.
        if (url.find(' ') != std::string::npos) url = repairURL(url);
        if (hop == 0 && !isAscii(url)) url = lowBytes(url);
        const auto parsed = net::parseUrl(url);
        if (!parsed) {
            throwRequestFailure(std::make_shared<MalformedURLException>("no usable http or https address: " + url),
                                url);
        }
        net::HttpConnection connection(std::move(url));
        const std::string& address = connection.getUrl();
        connection.setAbortCheck(&ThreadStop::requested);
        connection.setTimeoutMs(m_requestTimeoutMs);
        std::string body;
        if (postData) {
            body = lowBytes(*postData);
            connection.setMethod("POST");
        }
        setCookies(connection);
        if (postData) {
            connection.addRequestHeader("Content-Type", "application/x-www-form-urlencoded");
            connection.addRequestHeader("Content-Length", std::to_string(body.size()));
            connection.addRequestHeader("Pragma", "no-cache");
        }
        setCommonRequestProperties(connection, *parsed);
        if (m_lastLocation) connection.addRequestHeader("Referer", *m_lastLocation);
        m_lastLocation = address;
        if (postData) {
            connection.setBody(std::move(body));
            touch();
        }

        int status = 0;
        try {
            status = connection.getResponseCode();
        } catch (const net::NetError& e) {
            throwNetFailure(e, address);
        }
        saveCookies(connection);

        if (status == 302) {
            if (hop >= MAX_REDIRECTS) {
                throw TextBrowserException("Too many redirects (more than " + std::to_string(MAX_REDIRECTS) +
                                           "), last from " + address);
            }
            std::string next = determineRedirectLocation(address, connection);
            connection.disconnect();
            url = std::move(next);
            postData = nullptr;
            continue;
        }
        if (status >= 400) throwRequestFailure(statusFailure(status, address), address);

        std::string page = getContentStringFromConnectionByte(connection, maxBytes);
        postProcessDownload(page);
        return page;
    }
}

void TextBrowser::addManualCookie(const std::string& /*domain*/, const std::string& name, const std::string& value) {
    m_cookieJar.addCookie(name, value);
}

void TextBrowser::setCookies(net::HttpConnection& connection) {
    if (auto cookies = m_cookieJar.getCookieString()) connection.addRequestHeader("Cookie", *cookies);
}

void TextBrowser::setCommonRequestProperties(net::HttpConnection& connection, const std::string& url) {
    auto parsed = net::parseUrl(url);
    if (parsed) {
        setCommonRequestProperties(connection, *parsed);
        return;
    }
    connection.addRequestHeader("Accept", "*/*");
    connection.addRequestHeader("Accept-Language", "en-us");
    connection.addRequestHeader("User-Agent", m_userAgent);
}

void TextBrowser::setCommonRequestProperties(net::HttpConnection& connection, const net::Url& url) {
    connection.addRequestHeader("Accept", "*/*");
    connection.addRequestHeader("Accept-Language", "en-us");
    connection.addRequestHeader("User-Agent", m_userAgent);
    connection.addRequestHeader("Host", url.hostHeader());
}

void TextBrowser::saveCookies(net::HttpConnection& connection) {
    touch();
    for (const auto& [name, value] : connection.getHeaderFields()) {
        if (equalsIgnoreCase(name, "Set-Cookie")) {
            if (auto cookie = CookieJar::parseSetCookie(value)) m_cookieJar.addCookie(cookie->first, cookie->second);
        }
    }
}

std::string TextBrowser::determineRedirectLocation(const std::string& url, net::HttpConnection& connection) {
    auto current = net::parseUrl(url);
    // This site's login page redirects to a broken address; its home page is
    // where the login really lands.
    if (current && current->scheme == "http" && current->path == "/Top_Bar/login.asp" &&
        HostTable::has("AirMilesMart.site") && equalsIgnoreCase(current->host, HostTable::host("AirMilesMart.site"))) {
        return "http://" + current->hostHeader() + "/default.asp";
    }
    auto field = connection.getHeaderField(std::string("Location"));
    std::string location = field ? trim(*field) : "";
    if (location.empty()) throw TextBrowserException("Redirect without a Location from " + url);
    // This site answers with a backslash in the path.
    if (HostTable::has("DinersClub.site")) {
        std::string domain = HostTable::domain("DinersClub.site");
        if (!domain.empty() && location.find(domain) != std::string::npos &&
            location.find("finishRegister.jsp") != std::string::npos) {
            return "https://" + HostTable::host("DinersClub.site") + "/osrv/en/finishRegister.jsp";
        }
    }
    return resolveRedirect(url, location);
}

std::string TextBrowser::resolveRedirect(const std::string& url, const std::string& location) {
    if (StrUtil::startsWithIgnoreCase(location, "http://") || StrUtil::startsWithIgnoreCase(location, "https://")) {
        return location;
    }
    auto current = net::parseUrl(url);
    std::string scheme = current ? current->scheme : "http";
    if (location.rfind("//", 0) == 0) return scheme + ":" + location;
    if (location[0] == '/') {
        if (!current) return location;
        std::string authority = current->host;
        if (current->port >= 0) authority += ":" + std::to_string(current->port);
        return scheme + "://" + authority + location;
    }
    std::string base = url.substr(0, url.find('#'));
    base = base.substr(0, base.find('?'));
    size_t authorityStart = base.find("://");
    authorityStart = authorityStart == std::string::npos ? 0 : authorityStart + 3;
    if (base.find('/', authorityStart) == std::string::npos) base += "/";
    return base.substr(0, base.rfind('/') + 1) + location;
}

std::optional<int> TextBrowser::parseContentLength(const std::optional<std::string>& field) {
    if (!field || field->empty()) return std::nullopt;
    const std::string& text = *field;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size()) return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT_MAX || value < INT_MIN) return std::nullopt;
    return static_cast<int>(value);
}

std::string TextBrowser::lowBytes(const std::string& text) {
    // Plain ASCII, the usual case, is its own low bytes.
    if (isAscii(text)) return text;
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t extra = 0;
        uint32_t code = 0;
        uint32_t least = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1, code = c & 0x1F, least = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2, code = c & 0x0F, least = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3, code = c & 0x07, least = 0x10000;
        }
        bool valid = extra > 0 && i + extra < n;
        for (size_t k = 1; valid && k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) valid = false;
            code = (code << 6) | (cc & 0x3F);
        }
        if (valid && code >= least) {
            out += static_cast<char>(code & 0xFF);
            i += extra + 1;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}

std::string TextBrowser::getContentStringFromConnectionByte(net::HttpConnection& connection, int maxBytes) {
    const std::optional<int> length = parseContentLength(connection.getHeaderField(std::string("Content-Length")));
    // A limit of the caller's cuts the page short; without one (or with one
    // above the bound) the whole page must fit under the bound, or the read
    // fails: a page cut at the bound is no page.
    const bool cut = maxBytes != -1 && maxBytes <= MAX_BODY_BYTES;
    int64_t limit = cut ? maxBytes : MAX_BODY_BYTES;
    if (length) {
        if (!cut && *length > MAX_BODY_BYTES) {
            connection.disconnect();
            throwTooLong(connection.getUrl(), MAX_BODY_BYTES);
        }
        limit = std::min<int64_t>(limit, *length);
    }
    // One byte past the bound tells a page that runs over it.
    const int64_t want = cut || length ? limit : limit + 1;
    std::string bytes;
    if (want > 0 && (cut || length)) bytes.reserve(static_cast<size_t>(want));
    try {
        // Each piece that arrives counts as activity.
        while (static_cast<int64_t>(bytes.size()) < want) {
            size_t n = connection.read(bytes, static_cast<size_t>(want - static_cast<int64_t>(bytes.size())));
            touch();
            if (n == 0) break;
        }
    } catch (const net::NetError& e) {
        throwNetFailure(e, connection.getUrl());
    }
    connection.disconnect();
    if (!cut && static_cast<int64_t>(bytes.size()) > MAX_BODY_BYTES) throwTooLong(connection.getUrl(), MAX_BODY_BYTES);
    if (m_possibleUnixStyle) return repairLineEnds(bytes);
    return bytes;
}

void TextBrowser::doDownloadBinaryFileWithThrow(const std::string& url, const std::string& filePath,
                                                bool keepExisting, int64_t maxBytes) {
    struct stat st {};
    if (keepExisting && ::stat(filePath.c_str(), &st) == 0) {
        Logger::verbose("File already exists: " + filePath);
        return;
    }
    Logger::verbose("File downloading: " + url + " -> " + filePath);
    ThreadStop::checkpoint();
    auto failWith = [&](std::shared_ptr<const std::exception> cause) {
        std::string message = "Cannot download file from " + url + " to " + filePath + "\r\n\r\n" +
                              ExceptionUtil::getExceptionText(*cause);
        throw TextBrowserException(std::move(cause), message);
    };
    PartFile part{filePath + ".part"};
    try {
        if (!net::parseUrl(url)) throw MalformedURLException("no usable http or https address: " + url);
        net::HttpConnection connection(url);
        connection.setAbortCheck(&ThreadStop::requested);
        connection.setTimeoutMs(m_requestTimeoutMs);
        int status = connection.getResponseCode();
        if (status < 200 || status > 299) {
            throw HttpStatusException(status, "Server returned HTTP response code: " + std::to_string(status) +
                                                  " for URL: " + url);
        }
        const std::string tooLong = "Cannot read more than " + std::to_string(maxBytes) + " bytes from " + url;
        const std::optional<int> length = parseContentLength(connection.getHeaderField(std::string("Content-Length")));
        if (length && *length > maxBytes) throw IOException(tooLong);
        std::ofstream out(part.path, std::ios::binary | std::ios::trunc);
        if (!out) throw IOException("Unable to create " + part.path);
        char buffer[kDownloadBlock];
        int64_t written = 0;
        while (size_t n = connection.read(buffer, sizeof buffer)) {
            // A download that moves is alive, whatever its length.
            touch();
            written += static_cast<int64_t>(n);
            if (written > maxBytes) throw IOException(tooLong);
            out.write(buffer, static_cast<std::streamsize>(n));
            if (!out) throw IOException("Unable to write " + part.path);
        }
        out.close();
        if (!out) throw IOException("Unable to write " + part.path);
        if (std::rename(part.path.c_str(), filePath.c_str()) != 0) {
            throw IOException("Unable to rename " + part.path + " to " + filePath);
        }
        part.keep = true;
    } catch (const net::NetError& e) {
        if (e.kind() == net::FailureKind::Aborted) ThreadStop::checkpoint();
        failWith(causeOf(e, url));
    } catch (const HttpStatusException& e) {
        failWith(std::make_shared<HttpStatusException>(e));
    } catch (const MalformedURLException& e) {
        failWith(std::make_shared<MalformedURLException>(e));
    } catch (const IOException& e) {
        failWith(std::make_shared<IOException>(e));
    }
}

void TextBrowser::doDownloadBinaryFile(const std::string& url, const std::string& filePath, bool keepExisting,
                                       int64_t maxBytes) {
    try {
        doDownloadBinaryFileWithThrow(url, filePath, keepExisting, maxBytes);
    } catch (const std::exception& e) {
        Logger::error("Cannot download file from " + url + " to " + filePath, e);
    }
}

}  // namespace foundation
