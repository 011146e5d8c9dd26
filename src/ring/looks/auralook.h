// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>

#include "prefs/ringbackground.h"
#include "ring/ringlook.h"

namespace tandri {

/// "Aura": a thin ring of light that glows gold toward the aimed app.
class AuraLook : public RingLook {
public:
    /// The ring's pale light.
    static QColor light();
    /// The glow toward the aimed app.
    static QColor gold();
    /// Number of segments the gold glow is cut into.
    static constexpr int glowSegments = 28;
    /// Half the angle the gold glow covers on each side of the aimed entry, in radians.
    static constexpr double glowHalfSpan = 1.1;
    /// Brightness of glow segment k (0 … glowSegments − 1), a bell around the aimed entry.
    static double glowWeight(int k);
    /// Number of segments the chip arc track is cut into.
    static constexpr int trackSegments = 32;
    /// How far the track runs past its chips and fades out at each end, in radians.
    static constexpr double trackFade = 0.3;
    /// Brightness (0 … 1) of track segment k of the track from `from` to `to`.
    static double trackFadeOf(int k, double from, double to);

    explicit AuraLook(RingBackground background);

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
