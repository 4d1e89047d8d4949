// The picture reader on any file: a picture of a known kind with a size, or
// the toolkit's failure; never a crash or a read past the file.

#include <fstream>
#include <string>

#include "platform/toolkit/Image.h"
#include "platform/toolkit/ToolkitException.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (rlfuzz::enterWorkFolder(), true);
    (void)ready;
    {
        std::ofstream out("picture", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    try {
        const tk::ImageData image = tk::Image::read("picture");
        rlfuzz::check(image.format == "bmp" || image.format == "png" || image.format == "gif" ||
                          image.format == "ico" || image.format == "jpeg",
                      "a picture of an unknown kind: " + image.format);
        rlfuzz::check(image.width > 0 && image.height > 0, "a picture without a size");
        rlfuzz::check(image.bytes.size() == size, "a picture whose bytes are not the file's");
    } catch (const tk::ToolkitException&) {
        // No picture, or not one of the kinds read.
    }
    return 0;
}
