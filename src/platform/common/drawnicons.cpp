// SPDX-License-Identifier: MIT
#include "platform/common/drawnicons.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

#include "platform/common/regularfile.h"

namespace tandri {

namespace {

QImage blankIcon() {
    QImage image(DrawnIcons::size, DrawnIcons::size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

double relativeLuminance(const QColor& colour) {
    const auto linear = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

QString initialOf(const QString& name) {
    for (char32_t c : name.toUcs4()) {
        if (QChar::isLetterOrNumber(c))
            return QString::fromUcs4(&c, 1).toUpper();
    }
    return QStringLiteral("?");
}

QImage drawFolder() {
    QImage image = blankIcon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3b, 0x8e, 0xd0));
    p.drawRoundedRect(QRectF(10, 20, 46, 20), 6, 6);   // the tab
    p.drawRoundedRect(QRectF(10, 28, 108, 82), 8, 8);  // the back
    QLinearGradient front(0, 40, 0, 112);
    front.setColorAt(0, QColor(0x7c, 0xc4, 0xf5));
    front.setColorAt(1, QColor(0x58, 0xa8, 0xe8));
    p.setBrush(front);
    p.drawRoundedRect(QRectF(10, 40, 108, 72), 8, 8);
    return image;
}

QImage drawDocument() {
    QImage image = blankIcon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPolygonF page({{28, 8}, {82, 8}, {104, 30}, {104, 120}, {28, 120}});
    p.setPen(QPen(QColor(0x9a, 0xa0, 0xa8), 2));
    p.setBrush(Qt::white);
    p.drawPolygon(page);
    p.setBrush(QColor(0xdd, 0xe1, 0xe6));
    p.drawPolygon(QPolygonF({{82, 8}, {82, 30}, {104, 30}}));
    p.setPen(QPen(QColor(0xb4, 0xba, 0xc2), 4, Qt::SolidLine, Qt::RoundCap));
    for (int y = 50; y <= 104; y += 12) p.drawLine(QPointF(40, y), QPointF(y == 104 ? 72 : 92, y));
    return image;
}

QImage drawTrash() {
    QImage image = blankIcon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor rim(0x7f, 0x86, 0x90);
    p.setPen(QPen(rim, 3));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(52, 10, 24, 12), 4, 4);  // the handle
    QLinearGradient body(34, 0, 94, 0);
    body.setColorAt(0, QColor(0xd9, 0xdd, 0xe2));
    body.setColorAt(1, QColor(0xb9, 0xbf, 0xc7));
    p.setBrush(body);
    p.drawPolygon(QPolygonF({{32, 32}, {96, 32}, {88, 118}, {40, 118}}));
    p.setBrush(QColor(0xc9, 0xce, 0xd4));
    p.drawRoundedRect(QRectF(24, 20, 80, 12), 4, 4);  // the lid
    p.setPen(QPen(rim, 4, Qt::SolidLine, Qt::RoundCap));
    for (double x : {50.0, 64.0, 78.0}) {
        p.drawLine(QPointF(x, 44), QPointF(64 + (x - 64) * 0.85, 106));
    }
    return image;
}

}  // namespace

template <typename Draw>
QImage DrawnIcons::cached(const QString& key, Draw draw) {
    std::lock_guard lock(mutex_);
    auto it = cache_.find(key);
    if (it == cache_.end())
        it = cache_.emplace(key, draw()).first;
    return it->second;
}

QImage DrawnIcons::appIcon(const QString& name, const std::optional<QString>& iconFile) {
    if (iconFile) {
        QImage loaded = cached(QStringLiteral("file:") + *iconFile,
                               [&] { return RegularFile::image(*iconFile); });
        if (!loaded.isNull())
            return loaded;
    }
    return cached(QStringLiteral("app:") + name, [&] { return drawAppIcon(name); });
}

QImage DrawnIcons::folderIcon() {
    return cached(QStringLiteral("folder"), drawFolder);
}

QImage DrawnIcons::documentIcon() {
    return cached(QStringLiteral("document"), drawDocument);
}

QImage DrawnIcons::trashIcon() {
    return cached(QStringLiteral("trash"), drawTrash);
}

QColor DrawnIcons::colourFor(const QString& name) {
    // FNV-1a: qHash is seeded per process, and the colour must not change between runs.
    quint32 hash = 2166136261u;
    for (QChar c : name) {
        hash ^= c.unicode();
        hash *= 16777619u;
    }
    QColor colour =
        QColor::fromHsv(int(hash % 360), 150 + int((hash >> 9) % 60), 150 + int((hash >> 17) % 50));
    // Yellows and greens are light at any value: darken them until white text stands out
    // (a contrast of about 4 to 1).
    while (relativeLuminance(colour) > 0.22) colour = colour.darker(108);
    return colour;
}

QImage DrawnIcons::drawAppIcon(const QString& name) {
    QImage image = blankIcon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QColor colour = colourFor(name);
    const QRectF body(8, 8, 112, 112);
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, colour.lighter(115));
    fill.setColorAt(1, colour.darker(115));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(body, 26, 26);

    QFont font;
    font.setPixelSize(68);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 60));
    p.drawText(body.translated(0, 2), Qt::AlignCenter, initialOf(name));
    p.setPen(Qt::white);
    p.drawText(body, Qt::AlignCenter, initialOf(name));
    return image;
}

}  // namespace tandri
