// SPDX-License-Identifier: MIT
#include "settings/symbols.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace tandri::Symbols {

namespace {

constexpr int side = 64;

QPixmap drawn(const QString& name) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(4, 4, side - 8, side - 8);
    const QColor text = QGuiApplication::palette().color(QPalette::WindowText);
    const QPen line(text, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (name == u"checkmark.circle.fill") {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x34, 0xa8, 0x53));
        painter.drawEllipse(box);
        painter.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(QPolygonF{{18, 33}, {28, 43}, {46, 22}});
    } else if (name == u"exclamationmark.triangle.fill") {
        QPainterPath triangle;
        triangle.moveTo(side / 2.0, 5);
        triangle.lineTo(side - 4, side - 7);
        triangle.lineTo(4, side - 7);
        triangle.closeSubpath();
        painter.setPen(
            QPen(QColor(0xf2, 0xa9, 0x00), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(QColor(0xf2, 0xa9, 0x00));
        painter.drawPath(triangle);
        painter.setPen(QPen(Qt::black, 6, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(32, 24), QPointF(32, 40));
        painter.drawPoint(QPointF(32, 49));
    } else if (name == u"minus.circle") {
        painter.setPen(line);
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(box.adjusted(2, 2, -2, -2));
        painter.drawLine(QPointF(20, 32), QPointF(44, 32));
    } else if (name == u"circle") {
        painter.setPen(QPen(text, 4));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(box.adjusted(2, 2, -2, -2));
    } else if (name == u"lock.fill") {
        painter.setPen(QPen(text, 6));
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(QRectF(20, 8, 24, 30), 0, 180 * 16);
        painter.drawLine(QPointF(20, 23), QPointF(20, 30));
        painter.drawLine(QPointF(44, 23), QPointF(44, 30));
        painter.setPen(Qt::NoPen);
        painter.setBrush(text);
        painter.drawRoundedRect(QRectF(12, 28, 40, 30), 5, 5);
    } else {
        return {};
    }
    return pixmap;
}

}  // namespace

QIcon icon(const QString& name) {
    const QPixmap pixmap = drawn(name);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

}  // namespace tandri::Symbols
