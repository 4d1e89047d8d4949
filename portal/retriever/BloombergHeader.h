#pragma once
// The market ticker row of the markets page's header.

#include "portal/retriever/Retriever.h"

namespace portal::retriever {

class BloombergHeader final : public Retriever<BloombergHeader> {
public:
    static constexpr const char* NAME = "BloombergHeader";
    static constexpr const char* TEMPLATE = "bloomberg-template.html";
    static constexpr const char* OUTPUT = "bloomberg.html";

    // The market site's markets page and its image folder (no trailing "/").
    static std::string marketsPageURL();
    static std::string imageFolder();

protected:
    void retrieve() override;
};

}  // namespace portal::retriever
