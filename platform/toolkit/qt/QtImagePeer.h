#pragma once
// A picture as Qt draws it: a pixmap, and an icon with every size the file
// holds (an .ico has several).

#include "platform/toolkit/Backend.h"

#include <QIcon>
#include <QPixmap>

namespace tk::qt {

class QtImagePeer : public ImagePeer {
public:
    // Throws ToolkitException when Qt cannot decode the picture.
    explicit QtImagePeer(const ImageData& data);
    const QPixmap& pixmap() const { return m_pixmap; }
    const QIcon& icon() const { return m_icon; }

    static const QPixmap* pixmapOf(ImagePeer* image);
    static QIcon iconOf(ImagePeer* image);

private:
    QPixmap m_pixmap;
    QIcon m_icon;
};

}  // namespace tk::qt
