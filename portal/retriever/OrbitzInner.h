#pragma once
// The travel search page is a static page of the content folder: this
// retriever only begins and ends.

#include "portal/retriever/Retriever.h"

namespace portal::retriever {

class OrbitzInner final : public Retriever<OrbitzInner> {
public:
    static constexpr const char* NAME = "OrbitzInner";

protected:
    void retrieve() override {}
};

}  // namespace portal::retriever
