#pragma once
// The TV listings page. The listings site's pages can no longer be read, so
// the page is a notice: that the listings are unavailable, or, without the
// e-mail address the site knows the user by, how to give it.

#include "portal/retriever/Retriever.h"

namespace portal::retriever {

class TVGuideInner final : public Retriever<TVGuideInner> {
public:
    static constexpr const char* NAME = "TVGuideInner";
    static constexpr const char* TEMPLATE = "tvguide-inner-template.html";
    static constexpr const char* OUTPUT = "tvguide-inner.html";

    // The page for an e-mail address ("" for none).
    static std::string noticePage(const std::string& email);

protected:
    void retrieve() override;
    std::string failureReport() const override;
};

}  // namespace portal::retriever
