#include "navigator/HTMLImages.h"

namespace navigator {

void HTMLImages::clickBasedOnSrc(const std::string& src) {
    found(getItem(std::nullopt, "SRC", src, false), "image with SRC \"" + src + "\"")->call("Click");
}

}  // namespace navigator
