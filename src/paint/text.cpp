// SPDX-License-Identifier: MIT
#include "paint/text.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "paint/coverage.h"
#include "paint/paths.h"
#include "paint/uncleared.h"

namespace tandri::paint {

namespace {

// Qt cuts a glyph's device position to 1/64 pixel toward zero, so text placed left of or above a
// bitmap's first pixel lands a fraction apart from the same text placed further in: where the
// edge of a piece of the frame cuts through a line, its glyphs would not match the frame drawn
// whole. Such text is drawn into a copy of what lies under it, moved in by whole pixels, and
// copied back. `reach` holds all that `body` touches and every glyph's origin, in device pixels.
void drawInsideOrigin(QPainter& painter, const QRectF& reach,
                      const std::function<void(QPainter&)>& body) {
    QPaintDevice* device = painter.device();
    const QRect area = reach.toAlignedRect();
    auto* image =
        device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
    if (!image || image->format() != QImage::Format_ARGB32_Premultiplied || painter.hasClipping() ||
        (area.left() >= 0 && area.top() >= 0) ||
        static_cast<qint64>(area.width()) * area.height() > 4'000'000) {
        body(painter);
        return;
    }
    const QRect under = area & image->rect();
    if (under.isEmpty())
        return;
    QImage copy(area.size(), QImage::Format_ARGB32_Premultiplied);
    copy.fill(Qt::transparent);
    copy.setDevicePixelRatio(image->devicePixelRatio());
    copy.setDotsPerMeterX(image->dotsPerMeterX());
    copy.setDotsPerMeterY(image->dotsPerMeterY());
    const QPoint shift = -area.topLeft();
    const auto rows = [&](QImage& to, QPoint toShift, const QImage& from, QPoint fromShift) {
        const size_t bytes = static_cast<size_t>(under.width()) * 4;
        for (int y = under.top(); y <= under.bottom(); ++y) {
            std::memcpy(to.scanLine(y + toShift.y()) + 4 * (under.left() + toShift.x()),
                        from.constScanLine(y + fromShift.y()) + 4 * (under.left() + fromShift.x()),
                        bytes);
        }
    };
    rows(copy, shift, *image, {});
    {
        QPainter moved(&copy);
        copyState(painter, moved);
        moved.setOpacity(painter.opacity());
        moved.setCompositionMode(painter.compositionMode());
        const double ratio = image->devicePixelRatio();
        moved.setWorldTransform(painter.worldTransform() *
                                QTransform::fromTranslate(shift.x() / ratio, shift.y() / ratio));
        body(moved);
    }
    rows(*image, {}, copy, shift);
}

int screenDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

}  // namespace

QFont font(double size, QFont::Weight weight, const QPaintDevice* device) {
    QFont result = resized(QGuiApplication::font(), size, device);
    result.setWeight(weight);
    return result;
}

QFont resized(const QFont& font, double size, const QPaintDevice* device) {
    // A view point is one unit of the view, so the font's points are scaled from the device's
    // dots per inch rather than taken as 1/72 inch.
    const int dpi = device ? device->logicalDpiY() : screenDpiY();
    QFont result = font;
    result.setPointSizeF(std::max(size, 0.5) * 72.0 / std::max(dpi, 1));
    return result;
}

QStringList fitText(const QString& text, double width, const QFont& font, int lines,
                    const QPaintDevice* device) {
    QStringList result;
    if (text.isEmpty() || lines < 1 || width <= 0)
        return result;
    const QFontMetricsF metrics = device ? QFontMetricsF(font, device) : QFontMetricsF(font);
    if (lines == 1) {
        QString single = text;
        single.replace(QLatin1Char('\n'), QLatin1Char(' '));
        result.append(metrics.elidedText(single, Qt::ElideRight, width));
        return result;
    }
    QString wrapped = text;
    wrapped.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(wrapped, font, const_cast<QPaintDevice*>(device));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (int i = 0; i < lines; ++i) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        const int start = line.textStart();
        const int end = start + line.textLength();
        const bool more = std::any_of(wrapped.cbegin() + end, wrapped.cend(),
                                      [](QChar c) { return !c.isSpace(); });
        if (i == lines - 1 && more) {
            QString rest = wrapped.mid(start);
            rest.replace(QChar::LineSeparator, QLatin1Char(' '));
            result.append(metrics.elidedText(rest.trimmed(), Qt::ElideRight, width));
        } else {
            QString part = wrapped.mid(start, end - start);
            part.remove(QChar::LineSeparator);
            result.append(part.trimmed());
        }
        if (!more)
            break;
    }
    layout.endLayout();
    return result;
}

void text(QPainter& painter, const QString& text, const QRectF& rect, double size,
          QFont::Weight weight, const QColor& color, Qt::Alignment alignment, int lines,
          const std::optional<QFont>& font) {
    if (text.isEmpty() || rect.width() <= 0 || lines < 1)
        return;
    Uncleared::settle(painter);
    const QPaintDevice* device = painter.device();
    const QFont chosen = font ? *font : paint::font(size, weight, device);
    const QFontMetricsF metrics = device ? QFontMetricsF(chosen, device) : QFontMetricsF(chosen);
    const QStringList fitted = fitText(text, rect.width(), chosen, lines, device);
    if (fitted.isEmpty())
        return;
    const double glyphs = metrics.ascent() + metrics.descent();
    const double lineHeight = std::ceil(glyphs + std::max(metrics.leading(), 0.0));
    const double height = std::min(lineHeight * lines, lineHeight * fitted.size());
    const double top = rect.center().y() + height / 2;  // y up: the top is the larger y

    const auto draw = [&](QPainter& p) {
        const QTransform world = p.worldTransform();
        const QFont oldFont = p.font();
        const QPen oldPen = p.pen();
        unflip(p, rect.x(), top);
        p.setFont(chosen);
        p.setPen(color);
        const double baseline = (lineHeight - glyphs) / 2 + metrics.ascent();
        for (qsizetype i = 0; i < fitted.size(); ++i) {
            const QString& line = fitted[i];
            const double advance = metrics.horizontalAdvance(line);
            double x = 0;
            if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
                x = rect.width() - advance;
            else if (alignment & Qt::AlignHCenter)
                x = (rect.width() - advance) / 2;
            p.drawText(QPointF(x, baseline + i * lineHeight), line);
        }
        p.setPen(oldPen);
        p.setFont(oldFont);
        p.setWorldTransform(world);
    };
    // The lines, with a line's height to spare for glyphs that overhang their advance.
    const QRectF block(rect.x(), top - height, rect.width(), height);
    drawInsideOrigin(painter,
                     painter.deviceTransform().mapRect(
                         block.adjusted(-lineHeight, -lineHeight, lineHeight, lineHeight)),
                     draw);
}

}  // namespace tandri::paint
