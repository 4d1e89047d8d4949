// The base's table and row builders on any page and any arguments: the
// activity table (rebuildTable, both forms) and the details rows
// (addDetailsRow, A, B1, B2). Each answers what it built and a position
// inside the page, never reads outside it.

#include <string>
#include <vector>

#include "foundation/StrUtil.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tracker/core/RLSource.h"
#include "tracker/core/SourceConfig.h"

namespace {

class Builder : public tracker::RLSource {
public:
    void update() override {}
    const tracker::SourceConfig& getSourceConfig() const override {
        static const tracker::SourceConfig config(tracker::SourceClass{}, "United", "Fuzz", "Number", "Password", "",
                                                  "", "", "FZ", 0, 0, 1.0f, true, true, true, true);
        return config;
    }
};

void checkPosition(int position, const std::string& page, const char* what) {
    rlfuzz::check(position >= -1 && position < static_cast<int>(page.size()) + 1, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rlfuzz::enterWorkFolder();
    rlfuzz::Input in(data, size);
    const int firstCell = in.number();
    const int minLeftover = in.number();
    const int maxLeftover = in.number();
    const int fromIndex = in.number();
    const int minLength = in.number();
    const int maxLength = in.number();
    const bool strip = in.flag();
    const int columns = in.numberIn(0, 6);
    std::vector<std::string> headings;
    std::vector<std::string> alignments;
    for (int i = 0; i < columns; ++i) headings.push_back(in.text());
    for (int i = 0, n = in.numberIn(0, 6); i < n; ++i) alignments.push_back(in.text());
    const std::string marker1 = in.text();
    const std::string marker2 = in.text();
    const std::string before = in.text();
    const std::string after = in.text();
    const std::string page = in.rest();

    Builder source;
    (void)source.rebuildTable(page, headings, alignments, firstCell, strip);
    (void)source.rebuildTable(page, headings, alignments, firstCell, strip, minLeftover, maxLeftover);

    std::string rows;
    source.addDetailsRow(rows, marker1, before);
    const int b1 = source.addDetailsRowB1(rows, "B1", marker1, marker2, minLength, maxLength, fromIndex, page, before,
                                          after, strip);
    checkPosition(b1, page, "addDetailsRowB1 answered a position outside the page");
    const int b2 = source.addDetailsRowB2(rows, "B2", marker1, minLength, maxLength, b1, page, before, after);
    checkPosition(b2, page, "addDetailsRowB2 answered a position outside the page");
    const int a = source.addDetailsRowA(rows, "A", marker1, marker2, before, after, minLength, maxLength, b2, page);
    checkPosition(a, page, "addDetailsRowA answered a position outside the page");
    (void)source.blobCheck(page, minLength, maxLength);
    return 0;
}
