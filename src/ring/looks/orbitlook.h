// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPointF>

#include "ring/ringlook.h"

namespace tandri {

/// "Orbit": the apps as planets around a small sun, a moon beside each running app, and in the
/// dark appearance a starry disc.
class OrbitLook : public RingLook {
public:
    static QColor cyan();
    static QColor navy();
    static QColor deepBlue();
    /// Number of stars on the dark disc.
    static constexpr int starCount = 70;
    struct Star {
        /// From the ring's centre.
        QPointF offset;
        double radius = 0;
    };
    /// Star k (0 … starCount − 1) of a ring whose body ends at `outerRadius`.
    static Star star(int k, double outerRadius);

    explicit OrbitLook(bool dark);

    bool dark() const { return dark_; }

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
    /// What does not move while the ring is open: the dark sky, the orbits and the sun.
    void drawStill(QPainter& painter, paint::Caches& caches, QPointF center, double outer,
                   double radius) const;
    /// Grey level of the dashed orbits: light lines on the dark disc, dark ones otherwise.
    double orbitGrey() const { return dark_ ? 1.0 : 0.1; }

    bool dark_;
};

}  // namespace tandri
