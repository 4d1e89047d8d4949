// The newspaper's headline feed on any text: items counted and cut, as many
// headlines read as the feed holds, titles and links escaped in the list the
// page shows.

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "portal/brtw/NewsRetriever.h"
#include "tests/fuzz/FuzzSupport.h"

using portal::NewsRetriever;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string feed(reinterpret_cast<const char*>(data), size);
    const int count = NewsRetriever::countItems(feed);
    rlfuzz::check(count >= 0, "a negative item count");
    const std::string part = NewsRetriever::itemPart(feed);
    rlfuzz::check(part.size() <= feed.size(), "an item part longer than the feed");
    (void)NewsRetriever::feedText(feed);

    std::vector<NewsRetriever::Headline> headlines;
    try {
        headlines = NewsRetriever::parseHeadlines(part, count);
    } catch (const std::runtime_error&) {
        // Fewer items in the part than in the feed.
        return 0;
    }
    rlfuzz::check(headlines.size() == static_cast<size_t>(count), "not as many headlines as items");
    const std::string list = NewsRetriever::buildList(headlines);
    // Titles and links go in escaped: they add no markup to the list's own.
    std::vector<NewsRetriever::Headline> bare = headlines;
    for (auto& h : bare) h.title = h.link = h.guid = "";
    const std::string skeleton = NewsRetriever::buildList(bare);
    for (char c : std::string("<>\"")) {
        rlfuzz::check(std::count(list.begin(), list.end(), c) == std::count(skeleton.begin(), skeleton.end(), c),
                      std::string("a headline's ") + c + " in the page: " + rlfuzz::printable(list));
    }
    for (const auto& h : headlines) (void)NewsRetriever::clickThroughAddress(h);
    return 0;
}
