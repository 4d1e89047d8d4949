// Pictures: recognised by their contents, refused clearly when missing or
// not pictures, and released with their display.

#include "platform/toolkit/Toolkit.h"
#include "tests/support/TempWorkDir.h"

#include <gtest/gtest.h>

namespace {

std::string le32(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}
std::string be32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string bmp(int w, int h) { return "BM" + std::string(16, '\0') + le32(w) + le32(static_cast<uint32_t>(h)) + std::string(28, '\0'); }
std::string png(int w, int h) { return std::string("\x89PNG\r\n\x1a\n", 8) + be32(13) + "IHDR" + be32(w) + be32(h) + std::string(8, '\0'); }
std::string gif(int w, int h) {
    return std::string("GIF89a") + static_cast<char>(w) + static_cast<char>(w >> 8) + static_cast<char>(h) +
           static_cast<char>(h >> 8) + std::string(6, '\0');
}
std::string ico(int w, int h) {
    return std::string("\0\0\1\0\1\0", 6) + static_cast<char>(w) + static_cast<char>(h) + std::string(14, '\0');
}
std::string jpeg(int w, int h) {
    std::string s("\xFF\xD8", 2);
    s += std::string("\xFF\xE0\x00\x04\x00\x00", 6);  // an APP0 segment to skip
    s += std::string("\xFF\xC0\x00\x11\x08", 5);
    s += static_cast<char>(h >> 8);
    s += static_cast<char>(h);
    s += static_cast<char>(w >> 8);
    s += static_cast<char>(w);
    s += std::string(12, '\0');
    return s;
}

TEST(Image, RecognisesEachFormatAndItsSize) {
    rltest::TempWorkDir dir;
    tk::Display display("headless");
    struct Case {
        std::string name;
        std::string bytes;
        int width;
        int height;
    };
    for (const Case& c : {Case{"tray.bmp", bmp(16, -16), 16, 16}, Case{"a.png", png(24, 12), 24, 12},
                          Case{"b.gif", gif(300, 250), 300, 250}, Case{"Lanternbay.ico", ico(0, 32), 256, 32},
                          Case{"c.jpg", jpeg(640, 480), 640, 480}}) {
        rltest::writeFile(dir.file(c.name), c.bytes);
        auto image = tk::make<tk::Image>(&display, dir.file(c.name));
        EXPECT_EQ(image->getBounds(), (tk::Rectangle{0, 0, c.width, c.height})) << c.name;
    }
}

TEST(Image, MissingOrForeignFilesAreRefusedWithTheirReason) {
    rltest::TempWorkDir dir;
    tk::Display display("headless");
    rltest::writeFile(dir.file("notes.txt"), "not a picture at all");
    rltest::writeFile(dir.file("short.bmp"), "BM");
    rltest::writeFile(dir.file("empty.png"), png(0, 0));
    struct Case {
        std::string name;
        int code;
    };
    for (const Case& c : {Case{"absent.bmp", tk::ERROR_IO}, Case{"notes.txt", tk::ERROR_UNSUPPORTED_FORMAT},
                          Case{"short.bmp", tk::ERROR_UNSUPPORTED_FORMAT}, Case{"empty.png", tk::ERROR_INVALID_IMAGE}}) {
        try {
            tk::make<tk::Image>(&display, dir.file(c.name));
            ADD_FAILURE() << c.name << " loaded";
        } catch (const tk::ToolkitException& e) {
            EXPECT_EQ(e.code(), c.code) << c.name;
        }
    }
}

TEST(Image, DisposedImagesAreRefusedAndTheDisplayReleasesTheRest) {
    rltest::TempWorkDir dir;
    rltest::writeFile(dir.file("i.png"), png(8, 8));
    tk::Display display("headless");
    auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    auto kept = tk::make<tk::Image>(&display, dir.file("i.png"));
    auto gone = tk::make<tk::Image>(&display, dir.file("i.png"));
    shell->setImage(kept);
    EXPECT_EQ(shell->getImage(), kept);
    gone->dispose();
    EXPECT_THROW(gone->getBounds(), tk::ToolkitException);
    EXPECT_THROW(shell->setImage(gone), tk::ToolkitException);
    display.dispose();
    EXPECT_TRUE(kept->isDisposed());
    EXPECT_EQ(kept->getPeer(), nullptr);
}

}  // namespace
