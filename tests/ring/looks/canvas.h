#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <cmath>
#include <memory>

namespace tandri::test {

/// A transparent bitmap of `width` × `height` view points at `scale` pixels per point, with a
/// painter in the view's coordinates (y up), as the ring view draws.
class Canvas {
public:
    /// `viaDevicePixelRatio`: scale through the image's device pixel ratio (as a screen's
    /// backing store does) rather than through the painter's transform.
    Canvas(double width, double height, double scale = 2, bool viaDevicePixelRatio = true)
        : height_(height), scale_(scale) {
        image_ = QImage(qRound(width * scale), qRound(height * scale),
                        QImage::Format_ARGB32_Premultiplied);
        image_.fill(Qt::transparent);
        if (viaDevicePixelRatio)
            image_.setDevicePixelRatio(scale);
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                                 QPainter::TextAntialiasing);
        if (!viaDevicePixelRatio)
            painter_->scale(scale, scale);
        painter_->translate(0, height);
        painter_->scale(1, -1);
    }

    QPainter& painter() { return *painter_; }

    /// The finished bitmap.
    const QImage& image() {
        if (painter_->isActive())
            painter_->end();
        return image_;
    }

    /// The pixel under view point (x, y), y up; unpremultiplied.
    QColor at(double x, double y) {
        const QImage& img = image();
        const int px = static_cast<int>(std::floor(x * scale_));
        const int py = static_cast<int>(std::floor((height_ - y) * scale_));
        if (px < 0 || py < 0 || px >= img.width() || py >= img.height())
            return QColor(0, 0, 0, 0);
        return QColor::fromRgba(qUnpremultiply(img.pixel(px, py)));
    }
    QColor at(QPointF p) { return at(p.x(), p.y()); }
    int alpha(QPointF p) { return at(p).alpha(); }

    /// The bounds, in view points (y up), of every pixel with alpha above `threshold`.
    QRectF ink(int threshold = 40) {
        const QImage& img = image();
        int x0 = img.width(), y0 = img.height(), x1 = -1, y1 = -1;
        for (int y = 0; y < img.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                if (qAlpha(line[x]) > threshold) {
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
            }
        }
        if (x1 < 0)
            return {};
        return {x0 / scale_, height_ - (y1 + 1) / scale_, (x1 + 1 - x0) / scale_,
                (y1 + 1 - y0) / scale_};
    }

    /// Whether any pixel is not fully transparent.
    bool blank() {
        const QImage& img = image();
        for (int y = 0; y < img.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                if (qAlpha(line[x]) != 0)
                    return false;
            }
        }
        return true;
    }

private:
    double height_;
    double scale_;
    QImage image_;
    std::unique_ptr<QPainter> painter_;
};

}  // namespace tandri::test
