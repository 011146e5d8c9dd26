// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPointF>
#include <QString>

#include "prefs/lookchoice.h"
#include "ring/ringlook.h"

namespace tandri {

/// "Glass": a translucent band with bright rims, the accent colour for selection, and a glass
/// lens around the aimed app. The panel blurs a ring-shaped band behind it.
class GlassLook : public RingLook {
public:
    /// `accent` is the system's accent colour; an invalid colour falls back to the default.
    explicit GlassLook(bool dark, const QColor& accent = LookChoice::fallbackAccent);

    bool dark() const { return dark_; }
    /// Radius of the lens around the aimed icon for icons of `iconSize` points.
    static double lensRadius(double iconSize) { return iconSize * 0.78; }
    /// The accent-filled window-count badge, shared with the outline look.
    static void drawAccentBadge(QPainter& painter, const QString& text, QPointF point,
                                const QColor& accent);

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
    /// The main grey of text and marks: white in the dark appearance, near black in the light.
    QColor ink() const;

    bool dark_;
    QColor accent_;
};

}  // namespace tandri
