// The content retrievers' text work on any input: templates filled by
// message formatting and by placeholders, image names taken from page
// addresses, the message centre's answer, the page key selection, and the
// newspaper's and the movie site's rewrites.

#include <stdexcept>
#include <string>
#include <vector>

#include "portal/retriever/BrightwireInner.h"
#include "portal/retriever/LBRetriever.h"
#include "portal/retriever/MessageCenter.h"
#include "portal/retriever/MessageFormat.h"
#include "portal/retriever/MoviefoneInner.h"
#include "portal/retriever/WeatherBugInner.h"
#include "tests/fuzz/FuzzSupport.h"

namespace retriever = portal::retriever;

namespace {

class Fill : public retriever::BaseRetrieverThread {
public:
    using BaseRetrieverThread::fillPlaceholders;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (rlfuzz::enterWorkFolder(), true);
    (void)ready;
    rlfuzz::Input in(data, size);
    std::vector<std::string> values;
    const int count = in.numberIn(0, 9);
    for (int i = 0; i < count; ++i) values.push_back(in.text());
    const std::string address = in.text();
    const std::string pattern = in.rest();

    const bool plain = pattern.find_first_of("{'") == std::string::npos;
    try {
        const std::string formatted = retriever::MessageFormat::format(pattern, values);
        rlfuzz::check(!plain || formatted == pattern, "a template without elements or quotes changed");
    } catch (const std::invalid_argument&) {
        rlfuzz::check(!plain, "a template without elements refused");
    }
    const std::string filled = Fill::fillPlaceholders(pattern, values);
    rlfuzz::check(!values.empty() || filled == pattern, "placeholders filled without values");

    static retriever::WeatherBugInner weather;
    if (auto name = weather.imageFileName(address)) {
        rlfuzz::check(retriever::BaseRetrieverThread::isSafeFileName(*name), "an unsafe image name kept");
        rlfuzz::check(name->find_first_of("?#") == std::string::npos, "an image name with a query kept");
    }
    if (auto found = retriever::MessageCenter::addressFromAnswer(address, "http://www.roamledger.example", "/c/")) {
        rlfuzz::check(found->rfind("http://", 0) == 0 || found->rfind("https://", 0) == 0 ||
                          found->rfind("file://", 0) == 0,
                      "a message centre address of another kind");
        rlfuzz::check(found->find_first_of(" \t\r\n") == std::string::npos, "a message centre address with blanks");
    }
    const std::string selection = retriever::LBRetriever::selectionText(address);
    rlfuzz::check(selection.size() <= address.size(), "a selection longer than its source");

    const std::string fixed = retriever::BrightwireInner::fixAudioVideoLinks(pattern);
    rlfuzz::check(pattern.find("<a href=\"javascript:Open") != std::string::npos || fixed == pattern,
                  "links changed where there are none");
    (void)retriever::MoviefoneInner::rewriteShowtimes(pattern);
    return 0;
}
