// SPDX-License-Identifier: MIT
#include "paint/colors.h"

#include <algorithm>

namespace tandri::paint {

QColor hex(quint32 rgb, double alpha) {
    return QColor::fromRgbF(((rgb >> 16) & 0xff) / 255.0f, ((rgb >> 8) & 0xff) / 255.0f,
                            (rgb & 0xff) / 255.0f, static_cast<float>(alpha));
}

QColor white(double w, double alpha) {
    const auto level = static_cast<float>(w);
    return QColor::fromRgbF(level, level, level, static_cast<float>(alpha));
}

QColor withAlpha(const QColor& color, double alpha) {
    QColor result = color;
    result.setAlphaF(static_cast<float>(std::clamp(alpha, 0.0, 1.0)));
    return result;
}

}  // namespace tandri::paint
