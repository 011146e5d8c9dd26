#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <cmath>
#include <optional>
#include <vector>

#include "catalogue/ringapp.h"
#include "ring/ringlayout.h"
#include "ring/ringscene.h"

namespace tandri::test {

/// A transparent bitmap at two pixels per point, painted in view coordinates (y up) the way the
/// ring view paints its frames, and read back at view points.
class LookCanvas {
public:
    static constexpr double scale = 2;

    explicit LookCanvas(double side = 400)
        : side_(side),
          image_(static_cast<int>(side * scale), static_cast<int>(side * scale),
                 QImage::Format_ARGB32_Premultiplied) {
        image_.fill(Qt::transparent);
    }

    template <typename F>
    void paint(F&& draw) {
        QPainter painter(&image_);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                               QPainter::TextAntialiasing);
        painter.translate(0, image_.height());
        painter.scale(scale, -scale);
        draw(painter);
    }

    /// The un-premultiplied colour of the pixel under a view point.
    QColor at(QPointF p) const {
        const int x = static_cast<int>(std::floor(p.x() * scale));
        const int y = static_cast<int>(std::floor(image_.height() - p.y() * scale));
        if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height())
            return Qt::transparent;
        return image_.pixelColor(x, y);
    }
    double alphaAt(QPointF p) const { return at(p).alphaF(); }
    /// How much light a pixel adds over black: its mean channel times its alpha.
    double brightnessAt(QPointF p) const {
        const QColor c = at(p);
        return (c.redF() + c.greenF() + c.blueF()) / 3 * c.alphaF();
    }
    /// Whether nothing at all was drawn.
    bool blank() const {
        for (int y = 0; y < image_.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
            for (int x = 0; x < image_.width(); ++x) {
                if (qAlpha(line[x]) != 0)
                    return false;
            }
        }
        return true;
    }
    QPointF center() const { return {side_ / 2, side_ / 2}; }
    const QImage& image() const { return image_; }

private:
    double side_;
    QImage image_;
};

/// `count` entries with opaque mid-grey icons, named "App 0", "App 1", …
inline std::vector<RingApp> sampleApps(int count) {
    QImage icon(64, 64, QImage::Format_ARGB32_Premultiplied);
    icon.fill(QColor(128, 128, 128));
    std::vector<RingApp> apps;
    for (int i = 0; i < count; ++i) {
        RingApp app;
        app.name = QStringLiteral("App %1").arg(i);
        app.icon = icon;
        apps.push_back(app);
    }
    return apps;
}

/// A scene of the given entries around `center`.
inline RingScene sceneOf(const std::vector<RingApp>& apps, QPointF center,
                         std::optional<int> selected = std::nullopt, bool dark = true) {
    RingScene scene;
    scene.center = center;
    scene.layout = RingLayout(static_cast<int>(apps.size()));
    scene.dark = dark;
    scene.apps = apps;
    scene.selectedApp = selected;
    scene.arcRadius = scene.layout.outerRadius() + 40;
    return scene;
}

}  // namespace tandri::test
