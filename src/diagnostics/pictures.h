// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

namespace tandri {

class RingView;

/// Pictures of the ring for the checking and documentation modes.
namespace Pictures {

/// The view's own drawing of its whole bounds on a transparent bitmap at `scale` pixels a point.
QImage drawView(RingView& view, double scale);
/// The ring over `screen`, a picture of the screen under the view at the same scale, with the
/// look's blurred backdrop between them as the ring's window shows it.
QImage overScreen(RingView& view, const QImage& screen, double scale);
/// `image` blurred by about `radius` pixels.
QImage blurred(const QImage& image, double radius);
/// A part of `image` of `size`, centred on `around` as far as the image's edges allow.
QImage cropped(const QImage& image, const QRect& around, QSize size);
/// Writes a PNG in one step: the file is replaced whole or not at all. False, with the reason
/// in `error`, when it cannot be written.
bool writePNG(const QImage& image, const QString& path, QString* error);

}  // namespace Pictures
}  // namespace tandri
