#pragma once
// The dictionary page is a static page of the content folder: this retriever
// only begins and ends.

#include "portal/retriever/Retriever.h"

namespace portal::retriever {

class DictionaryInner final : public Retriever<DictionaryInner> {
public:
    static constexpr const char* NAME = "DictionaryInner";

protected:
    void retrieve() override {}
};

}  // namespace portal::retriever
