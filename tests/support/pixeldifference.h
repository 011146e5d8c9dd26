// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <algorithm>
#include <cstdlib>

namespace tandri::test {

/// How two pictures of one size differ: the largest difference of any channel at any pixel, and
/// how many pixels differ by more than the tolerance asked for.
struct PixelDifference {
    int largest = 0;
    int over = 0;
};

/// Pictures of different sizes differ at every pixel.
inline PixelDifference pixelDifference(const QImage& a, const QImage& b, int tolerance = 0) {
    if (a.size() != b.size())
        return {255, a.width() * a.height() + 1};
    const QImage p = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage q = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    PixelDifference d;
    for (int y = 0; y < p.height(); ++y) {
        const auto* u = reinterpret_cast<const QRgb*>(p.constScanLine(y));
        const auto* v = reinterpret_cast<const QRgb*>(q.constScanLine(y));
        for (int x = 0; x < p.width(); ++x) {
            const int most = std::max(
                {std::abs(qRed(u[x]) - qRed(v[x])), std::abs(qGreen(u[x]) - qGreen(v[x])),
                 std::abs(qBlue(u[x]) - qBlue(v[x])), std::abs(qAlpha(u[x]) - qAlpha(v[x]))});
            d.largest = std::max(d.largest, most);
            d.over += most > tolerance ? 1 : 0;
        }
    }
    return d;
}

}  // namespace tandri::test
