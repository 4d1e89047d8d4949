#pragma once
// A picture loaded from a file (BMP, ICO, PNG, GIF or JPEG). A missing or
// unreadable file is ERROR_IO, a file that is no picture
// ERROR_UNSUPPORTED_FORMAT.

#include "platform/toolkit/Backend.h"
#include "platform/toolkit/Made.h"

#include <memory>
#include <string>

namespace tk {

class Display;

class Image : public Made, public std::enable_shared_from_this<Image> {
public:
    Image(Token, Display* display, const std::string& path);
    ~Image() override;

    Rectangle getBounds() const;
    const std::string& getPath() const { return m_data.path; }
    void dispose();
    bool isDisposed() const { return m_disposed; }
    Display* getDisplay() const { return m_display; }
    // nullptr once disposed.
    ImagePeer* getPeer() const { return m_peer.get(); }

    // Reads and recognises a picture file; throws as the constructor does.
    static ImageData read(const std::string& path);

protected:
    void attach() override;

private:
    Display* m_display;
    ImageData m_data;
    std::unique_ptr<ImagePeer> m_peer;
    bool m_disposed = false;
};

}  // namespace tk
