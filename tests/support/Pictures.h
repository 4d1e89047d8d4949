#pragma once
// How many colours a picture shows, looking at every step-th pixel of every
// step-th row: enough to tell a drawn window from a blank one. Header only:
// for the window tests, which link Qt's Gui module.

#include <QImage>
#include <QRect>
#include <QSet>

#include <limits>
#include <string>

namespace rltest {

// The different colours inside area of the image; counting stops at limit.
inline int colours(const QImage& image, const QRect& area, int step = 1,
                   int limit = std::numeric_limits<int>::max()) {
    const QRect inside = area.intersected(image.rect());
    QSet<QRgb> seen;
    for (int y = inside.top(); y <= inside.bottom(); y += step) {
        for (int x = inside.left(); x <= inside.right(); x += step) {
            seen.insert(image.pixel(x, y));
            if (seen.size() >= limit) return limit;
        }
    }
    return static_cast<int>(seen.size());
}

// The same for a picture file; its size goes to size when given.
inline int coloursIn(const std::string& path, int step = 3, QSize* size = nullptr) {
    const QImage image(QString::fromStdString(path));
    if (size) *size = image.size();
    return colours(image, image.rect(), step);
}

}  // namespace rltest
