#pragma once
// The headline retriever of the Brightwire edition: a worker that fetches
// the newspaper's travel top-stories feed, turns its items into a list of
// links through the product server's click counter, pours the list into
// "brtw/news-template.html" at its marker and writes "brtw/news.html",
// which the edition's window shows in a frame.
//
// The number of items is counted at the first download of the program run
// and kept; a later feed with more items still gives that many entries, one
// with fewer fails as a whole. Titles, links and identifiers are feed text:
// their character references are read and the text is escaped again for the
// page, so markup or quotes in a title stay text.
//
// Only one headline retriever works at a time: a second one started while
// another runs leaves at once without a request. A failure keeps the page
// written before; a stop request ends the worker without writing anything.

#include <atomic>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/BaseNetThread.h"

namespace portal {

class NewsRetriever : public foundation::BaseNetThread {
public:
    // Paths relative to the working folder.
    static constexpr const char* TEMPLATE_PATH = "brtw/news-template.html";
    static constexpr const char* OUTPUT_PATH = "brtw/news.html";
    static constexpr const char* LIST_MARKER = "<!--list-->";
    // Where the feed is: the host-table role and the feed's path there.
    static constexpr const char* FEED_ROLE = "BrightwireFeed.site";
    static constexpr const char* FEED_PATH = "/rss/travel/topstories.xml";
    static constexpr const char* CLICK_PATH = "/roamledger/brtw/newsclick.php";
    static constexpr const char* BUILD_VERSION = "20060430";
    // Pieces of text per feed item, and where the used ones stand.
    static constexpr int PIECES_PER_ITEM = 6;
    static constexpr int TITLE_PIECE = 0;
    static constexpr int LINK_PIECE = 1;
    static constexpr int GUID_PIECE = 4;
    // Nothing watches this worker, so each request has a limit of its own.
    static constexpr int64_t REQUEST_TIMEOUT_MS = 30000;

    struct Headline {
        std::string title;
        std::string link;
        std::string guid;
    };

    NewsRetriever();

    // True once any run of this program wrote the page.
    static bool wasEverSuccessful() { return m_wasEverSuccessful.load(); }
    // The number of items counted at the first download; -1 before.
    static int getItemCount() { return s_itemCount.load(); }
    // Whether a headline retriever is working now.
    static bool isAnyRunning() { return s_running.load(); }
    // Both statics as at the start of the program (for tests, which stand
    // for several program runs in one process).
    static void resetStatics();

    // The error report of a failed update (the product's error-report sink,
    // which sends nothing).
    void reportError(const std::string& label, const std::string& message, const std::exception& failure);

    // ---- The steps, each on its own ------------------------------------------------
    // Occurrences of "<item>", each search starting after the previous hit.
    static int countItems(std::string_view feed);
    // From just after the first "<item>" to the first "</rss>" after it; ""
    // when either is missing.
    static std::string itemPart(std::string_view feed);
    // The first count items of the item part; std::runtime_error when the
    // part holds fewer.
    static std::vector<Headline> parseHeadlines(std::string_view itemPart, int count);
    // The product server's click counter for one item; the link and the
    // identifier go in as they stand.
    static std::string clickThroughAddress(const Headline& headline);
    // The list that replaces the marker.
    static std::string buildList(const std::vector<Headline>& headlines);
    // Feed text as page text: UTF-8, with the feed's character references
    // (the five named ones and numeric ones) read.
    static std::string feedText(std::string_view piece);

protected:
    void run() override;

private:
    void update(std::string& workingText);

    static std::atomic<int> s_itemCount;
    static std::atomic<bool> m_wasEverSuccessful;
    static std::atomic<bool> s_running;
};

}  // namespace portal
