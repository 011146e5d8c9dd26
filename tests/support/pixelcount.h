// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <functional>

namespace tandri::test {

/// How many pixels of `area` (the whole picture when empty) pass `test`, colours unpremultiplied;
/// the test may be given each pixel's place too.
inline int countPixels(const QImage& image, const std::function<bool(QColor, QPoint)>& test,
                       QRect area = {}) {
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    area = area.isEmpty() ? pixels.rect() : area;
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(pixels.pixelColor(x, y), QPoint(x, y));
    }
    return count;
}
inline int countPixels(const QImage& image, const std::function<bool(QColor)>& test,
                       QRect area = {}) {
    return countPixels(
        image, [&](QColor c, QPoint) { return test(c); }, area);
}

}  // namespace tandri::test
