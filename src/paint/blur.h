// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <array>
#include <vector>

namespace tandri::paint {

/// Buffers a shadow's blur reuses from one shadow to the next.
struct BlurBuffers {
    /// What casts the shadow, drawn.
    QImage body;
    /// A shadow drawn once and not kept.
    QImage tinted;
    std::vector<quint8> a;
    std::vector<quint8> b;
    std::vector<quint16> sums;
    std::vector<quint16> rows;
};

/// The radii of three box blurs in a row that together approximate a Gaussian of `sigma` pixels.
std::array<int, 3> boxRadii(double sigma);
/// The alpha of the w × h premultiplied pixels at `bits` (rows `stride` bytes apart), blurred by
/// boxes of `radii` across and then down: w × h bytes, row by row, held in `buffers`.
const quint8* blurredAlpha(const uchar* bits, qsizetype stride, int w, int h,
                           const std::array<int, 3>& radii, BlurBuffers& buffers);
/// The w × h `coverage` in `color` (premultiplied, each channel scaled by the coverage as
/// painting the colour at that alpha does), into the top left of `out`.
void tint(const quint8* coverage, int w, int h, const QColor& color, QImage& out);
/// The same, the coverage first enlarged `factor` times, interpolated linearly between pixel
/// centres as a smooth scaling does; `out` must hold w·factor × h·factor pixels.
void enlargeTinted(const quint8* coverage, int w, int h, int factor, const QColor& color,
                   BlurBuffers& buffers, QImage& out);
/// `image`, reallocated when it is smaller than w × h.
QImage& atLeast(QImage& image, int w, int h);

}  // namespace tandri::paint
