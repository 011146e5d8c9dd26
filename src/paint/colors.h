// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>

namespace tandri::paint {

/// A colour from 0xRRGGBB.
QColor hex(quint32 rgb, double alpha = 1);
/// A grey level w (0 black … 1 white) at an alpha.
QColor white(double w, double alpha = 1);
/// `color` with its alpha replaced.
QColor withAlpha(const QColor& color, double alpha);

}  // namespace tandri::paint
