// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>

#include "prefs/ringbackground.h"
#include "ring/ringlook.h"

namespace tandri {

/// "Quib slice": the apps around a green rim, with a green marker pointing at the aimed one.
class QuibLook : public RingLook {
public:
    /// The rim and marker colour.
    static QColor green();

    explicit QuibLook(RingBackground background);

    /// The backdrop the user chose behind this look.
    RingBackground background() const { return background_; }

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
    RingBackground background_;
};

}  // namespace tandri
