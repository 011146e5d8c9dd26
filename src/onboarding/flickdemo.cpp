// SPDX-License-Identifier: MIT
#include "onboarding/flickdemo.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>
#include <QTimeZone>

#include "onboarding/flickgeometry.h"
#include "platform/clock.h"

namespace tandri {

namespace {

constexpr double iconSide = 34;

/// An arrow pointer, drawn here: Qt gives no picture of the system's cursor.
void drawCursor(QPainter& painter, QPointF centre) {
    // 14 × 22, its tip at the top left, placed by its middle as an image would be.
    const QPointF tip = centre - QPointF(7, 11);
    QPainterPath arrow;
    const QPointF points[] = {{0, 0},      {0, 17},     {4, 13.5}, {7, 20.5},
                              {9.5, 19.5}, {6.5, 12.5}, {12, 12.5}};
    arrow.moveTo(tip + points[0]);
    for (const QPointF& p : points) arrow.lineTo(tip + p);
    arrow.closeSubpath();
    painter.setPen(QPen(Qt::white, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::black);
    painter.drawPath(arrow);
}

}  // namespace

FlickDemo::FlickDemo(Clock& frames, std::vector<QImage> icons, QWidget* parent)
    : QWidget(parent), frames_(frames), icons_(std::move(icons)) {
    setObjectName(QStringLiteral("flickDemo"));
    setFixedSize(230, 230);
}

FlickDemo::~FlickDemo() = default;

double FlickDemo::wallClock() {
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return double(reference.msecsTo(QDateTime::currentDateTimeUtc())) / 1000;
}

void FlickDemo::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    timer_ = frames_.repeat(frameInterval, [this] { update(); });
}

void FlickDemo::hideEvent(QHideEvent* event) {
    timer_.reset();
    QWidget::hideEvent(event);
}

void FlickDemo::paintEvent(QPaintEvent*) {
    const FlickGeometry g = FlickGeometry::at(wallClock(), int(icons_.size()), QSizeF(size()));
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    QColor band = palette().color(QPalette::PlaceholderText);
    band.setAlphaF(0.25);
    painter.setPen(QPen(band, g.bandWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(g.centre, g.radius, g.radius);

    for (size_t i = 0; i < icons_.size(); ++i) {
        const double side = iconSide * (int(i) == g.target ? g.targetScale : 1.0);
        const QRectF box(g.icons[i] - QPointF(side / 2, side / 2), QSizeF(side, side));
        painter.drawImage(box, icons_[i]);
    }
    drawCursor(painter, g.cursor);
}

}  // namespace tandri
