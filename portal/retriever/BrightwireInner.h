#pragma once
// The newspaper's front page: its photo story, lede story and latest
// headlines, with the two story images kept in the content folder.

#include <string>
#include <string_view>

#include "portal/retriever/Retriever.h"

namespace portal::retriever {

class BrightwireInner final : public Retriever<BrightwireInner> {
public:
    static constexpr const char* NAME = "BrightwireInner";
    static constexpr const char* TEMPLATE = "brightwire-inner-template.html";
    static constexpr const char* OUTPUT = "brightwire-inner.html";
    static constexpr int64_t INTERVAL_MS = 1740000;
    static constexpr const char* IMAGE_FOLDER = "images/brightwire/temp/";

    // Audio and video links run their script on a click instead of sending
    // the pane to a "javascript:" address: '<a href="javascript:Open...')">'
    // becomes '<a href="" onClick="javascript:Open...');return false;">'.
    static std::string fixAudioVideoLinks(std::string_view section);

protected:
    void retrieve() override;
};

}  // namespace portal::retriever
