// The adapter kit's helpers on any page: values read after a label or from
// a position, values lifted from a login page and escaped for a form body,
// the view state, lifted addresses made absolute, credentials and groups,
// positions after a chain of labels or at an occurrence, whole numbers and
// their sums, and credentials in one case.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/StrUtil.h"
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

    // A position found holds the text it was looking for.
    auto holds = [&page](int at, std::string_view text) {
        return at < 0 ||
               (static_cast<size_t>(at) <= page.size() && page.substr(static_cast<size_t>(at)).starts_with(text));
    };
    rlfuzz::check(holds(kit::chainedPosition(page, {label, start, end}), end), "a chain that ends off its last label");
    rlfuzz::check(holds(kit::nthPosition(page, label, static_cast<int>(length % 8)), label),
                  "an occurrence that is not the text");
    (void)kit::valueAfterChain(page, {label, start}, start, end);

    const std::optional<int32_t> number = foundation::StrUtil::parseInt(label);
    if (number) {
        rlfuzz::check(foundation::StrUtil::parseInt(std::to_string(*number)) == number, "a whole number read back otherwise");
    }
    const std::optional<std::string> sum = kit::sumOfIntegers({label, start});
    const std::optional<int32_t> other = foundation::StrUtil::parseInt(start);
    rlfuzz::check(sum.has_value() == (number && other), "a sum of texts that are not both whole numbers");
    if (sum) rlfuzz::check(*sum == std::to_string(int64_t{*number} + *other), "a sum that wrapped round");

    for (char c : kit::lowerCase(label)) rlfuzz::check(c < 'A' || c > 'Z', "a capital left in lower case");
    for (char c : kit::upperCase(label)) rlfuzz::check(c < 'a' || c > 'z', "a small letter left in upper case");
    const std::string lower = kit::escapeLifted(lifted, kit::HexCase::Lower);
    for (char c : std::string("/|:=+~,@")) {
        rlfuzz::check(lower.find(c) == std::string::npos, "a lower-case escape still holds a reserved character");
    }
    return 0;
}
