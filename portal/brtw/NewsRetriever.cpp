#include "portal/brtw/NewsRetriever.h"

#include <stdexcept>

#include "foundation/AsynchURL.h"
#include "foundation/EnvUtil.h"
#include "foundation/FileUtil.h"
#include "foundation/HostTable.h"
#include "foundation/Logger.h"
#include "foundation/StrUtil.h"
#include "foundation/TextBrowser.h"
#include "foundation/ThreadStop.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/ui/BaseRLApp.h"

namespace portal {

using foundation::Logger;
using foundation::StrUtil;

namespace {

const char* const ITEM_START = "<item>";
const char* const FEED_END = "</rss>";

// The code point of a numeric reference's digits; 0 when it names none.
char32_t numericReference(std::string_view digits) {
    const bool hex = !digits.empty() && (digits[0] == 'x' || digits[0] == 'X');
    if (hex) digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 8) return 0;
    char32_t value = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return 0;
        }
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    }
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return value;
}

}  // namespace

std::atomic<int> NewsRetriever::s_itemCount{-1};
std::atomic<bool> NewsRetriever::m_wasEverSuccessful{false};
std::atomic<bool> NewsRetriever::s_running{false};

NewsRetriever::NewsRetriever() = default;

void NewsRetriever::resetStatics() {
    s_itemCount.store(-1);
    m_wasEverSuccessful.store(false);
}

void NewsRetriever::reportError(const std::string& label, const std::string& message,
                                const std::exception& failure) {
    foundation::AsynchURL::reportNonRLSourceError(message, tracker::RLPreferences::getUUID(),
                                                  NewsRetriever::BUILD_VERSION, label, getClassName(), &failure,
                                                  tracker::ui::BaseRLApp::getAppType());
}

void NewsRetriever::run() {
    // A fresh web client: named "general", the program's user agent, no
    // cookies.
    init(false);
    BaseNetThread::run();
    if (s_running.exchange(true)) {
        Logger::info("A headline update is running already; this one ends");
        destroy();
        return;
    }
    struct Release {
        ~Release() { s_running.store(false); }
    } release;

    std::string workingText;
    try {
        update(workingText);
    } catch (const std::exception& failure) {
        reportError("-", "RSS: " + workingText, failure);
        Logger::error("Error updating BRTW headlines", failure);
    }
    destroy();
}

void NewsRetriever::update(std::string& workingText) {
    std::shared_ptr<foundation::TextBrowser> browser = getBrowser();
    if (!browser) throw std::runtime_error("No web client");
    browser->setRequestTimeout(REQUEST_TIMEOUT_MS);
    workingText = browser->doGet(foundation::HostTable::url(FEED_ROLE, FEED_PATH), -1);

    int count = s_itemCount.load();
    if (count < 0) {
        count = countItems(workingText);
        s_itemCount.store(count);
    }
    workingText = itemPart(workingText);
    const std::vector<Headline> headlines = parseHeadlines(workingText, count);
    const std::string list = buildList(headlines);

    const std::string folder = foundation::EnvUtil::getWorkingDirectory();
    const std::string page = StrUtil::replace(
        foundation::FileUtil::readFileIntoStringWithThrow(folder + TEMPLATE_PATH), LIST_MARKER, list);
    // Stopped meanwhile: nothing more is written.
    foundation::ThreadStop::checkpoint();
    if (!Logger::writeFileChecked(folder + OUTPUT_PATH, page)) {
        throw std::runtime_error("Could not write " + folder + OUTPUT_PATH);
    }
    m_wasEverSuccessful.store(true);
}

int NewsRetriever::countItems(std::string_view feed) { return StrUtil::countMatches(feed, std::string_view(ITEM_START)); }

std::string NewsRetriever::itemPart(std::string_view feed) {
    return StrUtil::extract(feed, std::string_view(ITEM_START), FEED_END);
}

std::vector<NewsRetriever::Headline> NewsRetriever::parseHeadlines(std::string_view itemPart, int count) {
    const std::vector<std::string> pieces = StrUtil::parseOutHTMLTags(itemPart, false);
    const size_t needed = static_cast<size_t>(count) * PIECES_PER_ITEM;
    if (pieces.size() < needed) {
        throw std::runtime_error("The feed holds " + std::to_string(pieces.size()) + " pieces of text, " +
                                 std::to_string(needed) + " needed for " + std::to_string(count) + " items");
    }
    std::vector<Headline> headlines;
    headlines.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const size_t first = static_cast<size_t>(i) * PIECES_PER_ITEM;
        headlines.push_back(Headline{feedText(pieces[first + TITLE_PIECE]), feedText(pieces[first + LINK_PIECE]),
                                     feedText(pieces[first + GUID_PIECE])});
    }
    return headlines;
}

std::string NewsRetriever::clickThroughAddress(const Headline& headline) {
    return foundation::HostTable::url("ProductServer.site", CLICK_PATH) + "?href=" + headline.link + "&" +
           "hrefguid" + "=" + headline.guid + "&" + "version" + "=" + BUILD_VERSION;
}

std::string NewsRetriever::buildList(const std::vector<Headline>& headlines) {
    std::string list = "<ul>\r\n";
    for (const Headline& headline : headlines) {
        list += "<li><a href=\"" + StrUtil::escapeHTML(clickThroughAddress(headline)) + "\">" +
                StrUtil::escapeHTML(headline.title) + "</a></li>\r\n";
    }
    list += "</ul>\r\n";
    return list;
}

std::string NewsRetriever::feedText(std::string_view piece) {
    const std::string text = tracker::RLSource::toRecordedText(piece);
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        const size_t amp = text.find('&', at);
        if (amp == std::string::npos) break;
        out.append(text, at, amp - at);
        const size_t semi = text.find(';', amp + 1);
        const std::string_view name =
            semi == std::string::npos ? std::string_view() : std::string_view(text).substr(amp + 1, semi - amp - 1);
        char32_t c = 0;
        if (name == "amp") {
            c = '&';
        } else if (name == "lt") {
            c = '<';
        } else if (name == "gt") {
            c = '>';
        } else if (name == "quot") {
            c = '"';
        } else if (name == "apos") {
            c = '\'';
        } else if (name.size() > 1 && name[0] == '#') {
            c = numericReference(name.substr(1));
        }
        if (c == 0) {
            // Not a reference the feed can hold: the text stands as written.
            out += '&';
            at = amp + 1;
        } else {
            StrUtil::appendUtf8(out, c);
            at = semi + 1;
        }
    }
    out.append(text, at, std::string::npos);
    return out;
}

}  // namespace portal
