#pragma once
// What every web client of the program shares: its name (the first part of
// page-dump file names), the politeness delay between requests, the repair
// of blanks in addresses, page dumps and the last access time that the
// worker watchdogs read.
//
// A client belongs to one thread. Only getLastAccessTime() may be called
// from another thread.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace foundation {

class BaseTextBrowser {
public:
    static constexpr const char* DEFAULT_USER_AGENT = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";

    BaseTextBrowser(bool persistDownloads, int niceLevelMs);
    virtual ~BaseTextBrowser() = default;
    BaseTextBrowser(const BaseTextBrowser&) = delete;
    BaseTextBrowser& operator=(const BaseTextBrowser&) = delete;

    // Turns bare line feeds of received pages into CR LF.
    void setPossibleUnixStyle(bool possibleUnixStyle) { m_possibleUnixStyle = possibleUnixStyle; }
    void setName(const std::string& name) { m_name = name; }
    const std::string& getName() const { return m_name; }
    // The credentials of the account the client works for: hidden, like
    // the values of password fields, in its log lines and page dumps.
    void setSecrets(std::vector<std::string> secrets) { m_secrets = std::move(secrets); }
    // The address with every blank replaced by "+".
    std::string repairURL(const std::string& url) const;
    // Marks the first page as received and writes its dump when dumps are on.
    void postProcessDownload(const std::string& content);
    // Milliseconds since the epoch of the last request, response header or
    // body chunk.
    int64_t getLastAccessTime() const { return m_lastAccessTime.load(std::memory_order_acquire); }

    virtual std::string doPost(const std::string& url, const std::string& postData, int maxBytes) = 0;
    std::string doPost(const std::string& url, const std::string& postData) { return doPost(url, postData, -1); }
    virtual std::string doGet(const std::string& url, int maxBytes) = 0;
    std::string doGet(const std::string& url) { return doGet(url, -1); }

    // Unless no page has been received yet, sleeps max(nice level, ms) when
    // above 0. A stop request of the calling worker ends the sleep by
    // throwing ThreadStopped.
    void beNice(int ms);
    void beNice() { beNice(m_niceLevel); }

    int getNiceLevel() const { return m_niceLevel; }
    void setNiceLevel(int ms) { m_niceLevel = ms; }
    const std::string& getUserAgent() const { return m_userAgent; }
    void setUserAgent(const std::string& userAgent) { m_userAgent = userAgent; }
    const std::optional<std::string>& getLastLocation() const { return m_lastLocation; }
    bool isFirstDownload() const { return m_firstDownload; }
    // A limit for the whole of each request in ms (0, the default: none;
    // stuck requests are then ended by their owner's watchdog).
    void setRequestTimeout(int64_t ms) { m_requestTimeoutMs = ms; }
    int64_t getRequestTimeout() const { return m_requestTimeoutMs; }

    // The page-dump file name of the client's name: only A-Z a-z 0-9 . _ @ -
    // are kept, every other character becomes "_".
    static std::string dumpFileStem(const std::string& name);
    // Bare line feeds (not first, not after CR) become CR LF.
    static std::string repairLineEnds(const std::string& text);
    static int64_t currentTimeMillis();

protected:
    void touch() { m_lastAccessTime.store(currentTimeMillis(), std::memory_order_release); }
    // Writes the dump file of a received page, secrets masked.
    void persistPage(const std::string& content);

    std::string m_name = "general";
    std::atomic<int64_t> m_lastAccessTime{-1};
    int m_persistCount = 1;
    int m_niceLevel;
    std::string m_userAgent = DEFAULT_USER_AGENT;
    std::optional<std::string> m_lastLocation;
    bool m_firstDownload = true;
    bool m_possibleUnixStyle = false;
    bool m_persistDownloads;
    int64_t m_requestTimeoutMs = 0;
    std::vector<std::string> m_secrets;
};

}  // namespace foundation
