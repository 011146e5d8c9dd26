// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QFont>
#include <QPaintDevice>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <optional>

namespace tandri::paint {

/// The application's font at `size` view points (one point per view unit, whatever the device's
/// dots per inch) and `weight`, for drawing on `device` (the screen when null).
QFont font(double size, QFont::Weight weight, const QPaintDevice* device = nullptr);
/// `font` resized to `size` view points on `device`.
QFont resized(const QFont& font, double size, const QPaintDevice* device = nullptr);
/// How `text` breaks into at most `lines` lines of `width`: one line truncates at the tail, more
/// wrap by words and truncate the last visible line.
QStringList fitText(const QString& text, double width, const QFont& font, int lines,
                    const QPaintDevice* device = nullptr);
/// Text vertically centred in the rect; one line truncates at the tail, more wrap by words.
void text(QPainter& painter, const QString& text, const QRectF& rect, double size,
          QFont::Weight weight, const QColor& color, Qt::Alignment alignment, int lines = 1,
          const std::optional<QFont>& font = std::nullopt);

}  // namespace tandri::paint
