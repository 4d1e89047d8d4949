#pragma once
// The newspaper page's header is a static page of the content folder: this
// retriever only begins and ends.

#include "portal/retriever/Retriever.h"

namespace portal::retriever {

class BrightwireHeader final : public Retriever<BrightwireHeader> {
public:
    static constexpr const char* NAME = "BrightwireHeader";

protected:
    void retrieve() override {}
};

}  // namespace portal::retriever
