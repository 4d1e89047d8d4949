// The adapter kit's helpers on any page: values read after a label or from
// a position, values lifted from a login page and escaped for a form body,
// the view state, lifted addresses made absolute, credentials and groups.

#include <string>

#include "tests/fuzz/FuzzSupport.h"
#include "tracker/adapters/AdapterKit.h"

namespace kit = tracker::adapters;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rlfuzz::Input in(data, size);
    const int position = in.number();
    const size_t from = static_cast<size_t>(static_cast<unsigned>(in.number()));
    const size_t length = static_cast<size_t>(static_cast<unsigned>(in.number()));
    const std::string label = in.text();
    const std::string start = in.text();
    const std::string end = in.text();
    const std::string address = in.text();
    const std::string page = in.rest();

    const std::string between = kit::between(page, start, end);
    rlfuzz::check(between.size() <= page.size(), "a value longer than its page");
    (void)kit::betweenFrom(page, position, start, end);
    (void)kit::valueAfter(page, label, start, end);
    const std::string lifted = kit::lift(page, start, end);
    const std::string escaped = kit::escapeLifted(lifted);
    for (char c : std::string("/|:=+~,@")) {
        rlfuzz::check(escaped.find(c) == std::string::npos, "an escaped value still holds a reserved character");
    }
    (void)kit::liftViewState(page);
    if (auto resolved = kit::resolveLifted(address, lifted)) rlfuzz::check(!resolved->empty(), "an empty address");
    const std::string credential = kit::credential(label);
    for (char c : credential) {
        rlfuzz::check(c != '&' && c != '=' && c != '+' && c != '#' && c != ' ', "a credential that breaks the form");
    }
    const std::string group = kit::group(page, from, length);
    rlfuzz::check(group.size() <= length && group.size() <= page.size(), "a group longer than asked");
    return 0;
}
