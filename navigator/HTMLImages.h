#pragma once
// The document's images.

#include <string>

#include "navigator/HTMLElementCollection.h"

namespace navigator {

class HTMLImages : public HTMLElementCollection {
public:
    explicit HTMLImages(automation::DispatchPtr dispatch) : HTMLElementCollection(std::move(dispatch)) {}

    // Clicks the first image whose source contains src, in any letter case.
    virtual void clickBasedOnSrc(const std::string& src);
};

}  // namespace navigator
