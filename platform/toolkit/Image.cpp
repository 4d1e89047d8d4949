#include "platform/toolkit/Image.h"

#include "platform/toolkit/Display.h"
#include "platform/toolkit/ToolkitException.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tk {

namespace {
uint32_t le(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

uint32_t be(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

bool jpegSize(const std::string& b, int& width, int& height) {
    size_t at = 2;
    while (at + 9 < b.size()) {
        if (static_cast<unsigned char>(b[at]) != 0xFF) return false;
        unsigned marker = static_cast<unsigned char>(b[at + 1]);
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;
            continue;
        }
        uint32_t length = be(b, at + 2, 2);
        bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            height = static_cast<int>(be(b, at + 5, 2));
            width = static_cast<int>(be(b, at + 7, 2));
            return true;
        }
        at += 2 + length;
    }
    return false;
}
}  // namespace

ImageData Image::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ToolkitException(ERROR_IO, path);
    std::ostringstream content;
    content << in.rdbuf();
    ImageData data;
    data.path = path;
    data.bytes = content.str();
    const std::string& b = data.bytes;
    auto starts = [&b](const std::string& magic) { return b.compare(0, magic.size(), magic) == 0; };
    if (starts("BM") && b.size() >= 26) {
        data.format = "bmp";
        data.width = static_cast<int>(static_cast<int32_t>(le(b, 18, 4)));
        data.height = std::abs(static_cast<int32_t>(le(b, 22, 4)));
    } else if (starts("\x89PNG\r\n\x1a\n") && b.size() >= 24) {
        data.format = "png";
        data.width = static_cast<int>(be(b, 16, 4));
        data.height = static_cast<int>(be(b, 20, 4));
    } else if ((starts("GIF87a") || starts("GIF89a")) && b.size() >= 10) {
        data.format = "gif";
        data.width = static_cast<int>(le(b, 6, 2));
        data.height = static_cast<int>(le(b, 8, 2));
    } else if (b.size() >= 22 && le(b, 0, 2) == 0 && (le(b, 2, 2) == 1) && le(b, 4, 2) > 0) {
        data.format = "ico";
        int w = static_cast<unsigned char>(b[6]);
        int h = static_cast<unsigned char>(b[7]);
        data.width = w == 0 ? 256 : w;
        data.height = h == 0 ? 256 : h;
    } else if (starts("\xFF\xD8\xFF")) {
        data.format = "jpeg";
        if (!jpegSize(b, data.width, data.height)) throw ToolkitException(ERROR_INVALID_IMAGE, path);
    } else {
        throw ToolkitException(ERROR_UNSUPPORTED_FORMAT, path);
    }
    if (data.width <= 0 || data.height <= 0) throw ToolkitException(ERROR_INVALID_IMAGE, path);
    return data;
}

Image::Image(Token, Display* display, const std::string& path) : m_display(display) {
    if (display == nullptr) throw ToolkitException(ERROR_NULL_ARGUMENT);
    display->checkDevice();
    m_data = read(path);
}

Image::~Image() = default;

void Image::attach() {
    m_peer = m_display->backend().createImage(m_data);
    if (!m_peer) throw ToolkitException(ERROR_NO_HANDLES);
    m_display->addImage(shared_from_this());
}

Rectangle Image::getBounds() const {
    if (m_disposed) throw ToolkitException(ERROR_GRAPHIC_DISPOSED);
    return {0, 0, m_data.width, m_data.height};
}

void Image::dispose() {
    if (m_disposed) return;
    m_peer.reset();
    m_disposed = true;
}

}  // namespace tk
