// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <algorithm>
#include <cmath>
#include <memory>

namespace tandri::test {

/// A bitmap of an area of view points (y up), read back at view points: either a transparent
/// one to draw on with a painter in view coordinates, as the ring view draws, or a picture the
/// program drew.
class ViewPicture {
public:
    /// `area` at `scale` pixels per point. With `viaDevicePixelRatio` the scale goes through the
    /// image's device pixel ratio (as a screen's backing store does), otherwise through the
    /// painter's transform.
    explicit ViewPicture(const QRectF& area, double scale = 2, bool viaDevicePixelRatio = true)
        : area_(area), scale_(scale) {
        image_ = QImage(qRound(area.width() * scale), qRound(area.height() * scale),
                        QImage::Format_ARGB32_Premultiplied);
        image_.fill(Qt::transparent);
        if (viaDevicePixelRatio)
            image_.setDevicePixelRatio(scale);
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                                 QPainter::TextAntialiasing);
        if (!viaDevicePixelRatio)
            painter_->scale(scale, scale);
        painter_->translate(-area.left(), area.bottom());
        painter_->scale(1, -1);
    }
    /// `width` × `height` points from the origin.
    explicit ViewPicture(double width = 400, double height = 400, double scale = 2,
                         bool viaDevicePixelRatio = true)
        : ViewPicture(QRectF(0, 0, width, height), scale, viaDevicePixelRatio) {}
    /// A picture the program drew of `area`, its first row at the area's largest y.
    ViewPicture(QImage image, const QRectF& area)
        : image_(std::move(image)),
          area_(area),
          scale_(area.width() > 0 ? image_.width() / area.width() : 1) {}

    QPainter& painter() { return *painter_; }
    /// The finished bitmap.
    const QImage& image() {
        if (painter_ && painter_->isActive())
            painter_->end();
        return image_;
    }
    QPointF center() const { return area_.center(); }

    /// The unpremultiplied colour under view point `p`; transparent outside the picture.
    QColor at(QPointF p) {
        const QImage& img = image();
        const int x = static_cast<int>(std::floor((p.x() - area_.left()) * scale_));
        const int y = static_cast<int>(std::floor((area_.bottom() - p.y()) * scale_));
        if (x < 0 || y < 0 || x >= img.width() || y >= img.height())
            return QColor(0, 0, 0, 0);
        return QColor::fromRgba(qUnpremultiply(img.pixel(x, y)));
    }
    QColor at(double x, double y) { return at(QPointF(x, y)); }
    int alpha(QPointF p) { return at(p).alpha(); }
    double alphaF(QPointF p) { return at(p).alphaF(); }
    /// How much light a pixel adds over black: its mean channel times its alpha.
    double brightness(QPointF p) {
        const QColor c = at(p);
        return (c.redF() + c.greenF() + c.blueF()) / 3 * c.alphaF();
    }
    /// Whether `p` shows `c`, opaque, to within a few levels.
    bool shows(QPointF p, const QColor& c) {
        const QColor got = at(p);
        return std::abs(got.red() - c.red()) < 8 && std::abs(got.green() - c.green()) < 8 &&
               std::abs(got.blue() - c.blue()) < 8 && got.alpha() > 247;
    }

    /// The bounds, in view points, of every pixel within `within` (all when empty) with alpha
    /// above `threshold`; empty when there is none.
    QRectF ink(int threshold = 40, const QRectF& within = {}) {
        const QImage& img = image();
        const QRectF r = within.isEmpty() ? area_ : within;
        const int left = std::max(0, static_cast<int>((r.left() - area_.left()) * scale_));
        const int right =
            std::min(img.width(), static_cast<int>((r.right() - area_.left()) * scale_));
        const int top = std::max(0, static_cast<int>((area_.bottom() - r.bottom()) * scale_));
        const int bottom =
            std::min(img.height(), static_cast<int>((area_.bottom() - r.top()) * scale_));
        int x0 = right, y0 = bottom, x1 = -1, y1 = -1;
        for (int y = top; y < bottom; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = left; x < right; ++x) {
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
        return {area_.left() + x0 / scale_, area_.bottom() - (y1 + 1) / scale_,
                (x1 + 1 - x0) / scale_, (y1 + 1 - y0) / scale_};
    }
    /// Whether nothing at all was drawn within `within` (anywhere when empty).
    bool blank(const QRectF& within = {}) { return ink(0, within).isEmpty(); }

private:
    QImage image_;
    QRectF area_;
    double scale_;
    std::unique_ptr<QPainter> painter_;
};

}  // namespace tandri::test
