// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>

#include "prefs/lookchoice.h"
#include "ring/ringlook.h"

namespace tandri {

/// "Outline": thin lines on a solid disc, with no blur or glow; also the look for reduced
/// transparency and increased contrast.
class OutlineLook : public RingLook {
public:
    /// `accent` is the system's accent colour; an invalid colour falls back to the default.
    explicit OutlineLook(bool dark, const QColor& accent = LookChoice::fallbackAccent);

    bool dark() const { return dark_; }
    /// The solid disc behind the ring.
    QColor bodyColor() const;
    /// The colour of every line.
    QColor lineColor() const;

    LookBackdrop backdrop() const override;
    QColor accent() const override;
    IconScale iconScale() const override;
    QColor runningColor() const override;
    ColumnColors column() const override;

    void drawBody(QPainter& painter, const RingScene& scene) const override;
    void drawIcon(QPainter& painter, const RingApp& app, const QRectF& rect, bool selected,
                  const RingScene& scene) const override;
    void drawRunning(QPainter& painter, int index, bool front,
                     const RingScene& scene) const override;
    void drawBadge(QPainter& painter, const QString& text, QPointF point,
                   const RingScene& scene) const override;
    void drawMore(QPainter& painter, int count, const QRectF& rect,
                  const RingScene& scene) const override;
    void drawOverlay(QPainter& painter, const RingScene& scene) const override;
    void drawCenter(QPainter& painter, const RingScene& scene) const override;
    void drawArcTrack(QPainter& painter, double from, double to, bool items,
                      const RingScene& scene) const override;
    void drawArcSelection(QPainter& painter, const QRectF& rect,
                          const RingScene& scene) const override;
    QPainterPath drawCardFrame(QPainter& painter, const QRectF& rect, bool selected,
                               const RingScene& scene) const override;
    void drawCardBorder(QPainter& painter, const QPainterPath& path, bool selected,
                        const RingScene& scene) const override;
    QRectF selectionArea(QPointF center, const RingLayout& layout, int index) const override;

private:
    /// White in the dark appearance, black in the light.
    QColor ink() const;

    bool dark_;
    QColor accent_;
};

}  // namespace tandri
