#include "platform/toolkit/qt/QtImagePeer.h"

#include "platform/toolkit/Style.h"
#include "platform/toolkit/ToolkitException.h"
#include "platform/toolkit/qt/QtSupport.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

namespace tk::qt {

QtImagePeer::QtImagePeer(const ImageData& data) {
    QByteArray bytes(data.bytes.data(), static_cast<qsizetype>(data.bytes.size()));
    QByteArray format = QByteArray::fromStdString(data.format);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format.isEmpty() ? QByteArray() : format);
    // Every picture of the file goes into the icon; the first is the image.
    QImage first;
    do {
        QImage frame = reader.read();
        if (frame.isNull()) break;
        if (first.isNull()) first = frame;
        m_icon.addPixmap(QPixmap::fromImage(frame));
    } while (reader.jumpToNextImage() && format == "ico");
    if (first.isNull()) {
        // Let Qt guess the format from the content.
        first.loadFromData(bytes);
        if (!first.isNull()) m_icon.addPixmap(QPixmap::fromImage(first));
    }
    if (first.isNull()) {
        throw ToolkitException(ERROR_UNSUPPORTED_FORMAT, data.path + ": " + us(reader.errorString()));
    }
    m_pixmap = QPixmap::fromImage(first);
}

const QPixmap* QtImagePeer::pixmapOf(ImagePeer* image) {
    auto* peer = dynamic_cast<QtImagePeer*>(image);
    return peer != nullptr ? &peer->m_pixmap : nullptr;
}

QIcon QtImagePeer::iconOf(ImagePeer* image) {
    auto* peer = dynamic_cast<QtImagePeer*>(image);
    return peer != nullptr ? peer->m_icon : QIcon();
}

}  // namespace tk::qt
