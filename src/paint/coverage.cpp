// SPDX-License-Identifier: MIT
#include "paint/coverage.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <climits>

namespace tandri::paint {

namespace {

// A paint engine that draws nothing and only collects the device-space bounds of what is
// painted, so that a shadow is blurred over the body's extent rather than the whole frame.
class BoundsEngine final : public QPaintEngine {
public:
    BoundsEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override {
        bounds_ = QRectF();
        return true;
    }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override {
        const auto dirty = state.state();
        if (dirty & DirtyTransform)
            transform_ = state.transform();
        if (dirty & DirtyPen)
            pen_ = state.pen();
    }

    void drawPath(const QPainterPath& path) override { addShape(path.controlPointRect()); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
        if (count <= 0)
            return;
        double x0 = points[0].x(), x1 = x0, y0 = points[0].y(), y1 = y0;
        for (int i = 1; i < count; ++i) {
            x0 = std::min(x0, points[i].x());
            x1 = std::max(x1, points[i].x());
            y0 = std::min(y0, points[i].y());
            y1 = std::max(y1, points[i].y());
        }
        addShape(QRectF(x0, y0, x1 - x0, y1 - y0));
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        QPolygonF polygon;
        polygon.reserve(count);
        for (int i = 0; i < count; ++i) polygon.append(points[i]);
        drawPolygon(polygon.constData(), count, mode);
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override { add(r, 1); }
    void drawImage(const QRectF& r, const QImage&, const QRectF&,
                   Qt::ImageConversionFlags) override {
        add(r, 1);
    }
    void drawTiledPixmap(const QRectF& r, const QPixmap&, const QPointF&) override { add(r, 1); }
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        // Generous: glyphs may overhang their advance (italics, antialiasing).
        const double h = item.ascent() + item.descent();
        add(QRectF(p.x() - h / 2, p.y() - item.ascent() - h / 4, item.width() + h, h * 1.5), 1);
    }

    QRectF bounds() const { return bounds_; }

private:
    void addShape(const QRectF& r) {
        if (pen_.style() == Qt::NoPen) {
            add(r, 1);
        } else if (pen_.isCosmetic()) {
            add(r, std::max(pen_.widthF(), 1.0) / 2 + 1);
        } else {
            // Half the width reaches past the path; miters and square caps reach further.
            const double reach =
                pen_.joinStyle() == Qt::MiterJoin || pen_.joinStyle() == Qt::SvgMiterJoin
                    ? std::max(pen_.miterLimit(), 1.5)
                    : 0.75;
            const double m = pen_.widthF() * reach;
            add(r.adjusted(-m, -m, m, m), 1);
        }
    }
    void add(const QRectF& r, double deviceMargin) {
        const QRectF d = transform_.mapRect(r).adjusted(-deviceMargin, -deviceMargin, deviceMargin,
                                                        deviceMargin);
        bounds_ = bounds_.isNull() ? d : bounds_.united(d);
    }

    QTransform transform_;
    QPen pen_;
    QRectF bounds_;
};

class BoundsDevice final : public QPaintDevice {
public:
    explicit BoundsDevice(const QPaintDevice* like)
        : dpiX_(like ? like->logicalDpiX() : 96), dpiY_(like ? like->logicalDpiY() : 96) {}
    ~BoundsDevice() override = default;

    QPaintEngine* paintEngine() const override { return &engine_; }
    QRectF bounds() const { return engine_.bounds(); }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
            case PdmHeight:
                return 1 << 24;
            case PdmWidthMM:
                return (1 << 24) / dpiX_ * 254 / 10;
            case PdmHeightMM:
                return (1 << 24) / dpiY_ * 254 / 10;
            case PdmNumColors:
                return INT_MAX;
            case PdmDepth:
                return 32;
            case PdmDpiX:
            case PdmPhysicalDpiX:
                return dpiX_;
            case PdmDpiY:
            case PdmPhysicalDpiY:
                return dpiY_;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    int dpiX_;
    int dpiY_;
    mutable BoundsEngine engine_;
};

}  // namespace

QRectF covered(const QPainter& like, const QTransform& transform,
               const std::function<void(QPainter&)>& body) {
    BoundsDevice measure(like.device());
    QPainter measuring(&measure);
    copyState(like, measuring);
    measuring.setWorldTransform(transform);
    body(measuring);
    measuring.end();
    return measure.bounds();
}

void copyState(const QPainter& from, QPainter& to) {
    to.setRenderHints(from.renderHints());
    to.setFont(from.font());
    to.setPen(from.pen());
    to.setBrush(from.brush());
}

}  // namespace tandri::paint
