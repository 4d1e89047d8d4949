#pragma once
// How many colours a picture file shows, looking at every step-th pixel of
// every step-th row: enough to tell a drawn window from a blank one. The
// picture's size goes to size when given. Header only: for the window tests,
// which link Qt's Gui module.

#include <QImage>
#include <QSet>

#include <string>

namespace rltest {

inline int coloursIn(const std::string& path, int step = 3, QSize* size = nullptr) {
    QImage image(QString::fromStdString(path));
    if (size) *size = image.size();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += step) {
        for (int x = 0; x < image.width(); x += step) colours.insert(image.pixel(x, y));
    }
    return static_cast<int>(colours.size());
}

}  // namespace rltest
