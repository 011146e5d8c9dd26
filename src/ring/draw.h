#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace tandri {

struct RingScene;

/// Small stateless drawing primitives shared by the view and the looks. Geometry is in view
/// coordinates with y growing upward and angles in radians counter-clockwise from +x; the painter
/// already carries the flipping transform. Text and images are drawn upright.
namespace Draw {

/// centre + radius × (cos angle, sin angle).
QPointF at(QPointF center, double angle, double radius);
QPainterPath circle(QPointF center, double radius);
/// The outer circle and the reversed inner one: filling leaves the hole empty.
QPainterPath annulus(QPointF center, double inner, double outer);
/// The open arc from `from` to `to`, counter-clockwise.
QPainterPath arc(QPointF center, double radius, double from, double to);
/// What a line along that arc covers when its ink reaches `reach` to either side of it.
QRectF arcArea(QPointF center, double radius, double from, double to, double reach);
/// The square of `side` centred on `center`.
QRectF square(QPointF center, double side);
QPainterPath line(QPointF from, QPointF to);
/// A rounded rectangle with corner radius min(height / 2, 14).
QPainterPath pill(const QRectF& rect);
/// The outline of the path stroked at `width` with round caps and joins, as a fillable shape.
QPainterPath outline(const QPainterPath& path, double width);

/// A colour from 0xRRGGBB.
QColor hex(quint32 rgb, double alpha = 1);
/// A grey level w (0 black … 1 white) at an alpha.
QColor white(double w, double alpha = 1);
/// `color` with its alpha replaced.
QColor withAlpha(const QColor& color, double alpha);

void fill(QPainter& painter, const QPainterPath& path, const QColor& color);
/// Round caps and joins; a dash pattern in points when `dash` is not empty.
void stroke(QPainter& painter, const QPainterPath& path, const QColor& color, double width,
            const std::vector<double>& dash = {});

/// Runs `body` with a blurred shadow of `color` behind what it draws, offset by `offset`
/// (y up). `cacheKey`, when not 0, names what `body` draws relative to `anchor` so that the
/// blurred shadow can be reused on later frames instead of blurred again.
void glow(QPainter& painter, const QColor& color, double blur, QPointF offset,
          const std::function<void(QPainter&)>& body, quint64 cacheKey = 0, QPointF anchor = {});
/// Draws what `body` draws, rendered once into a bitmap at the painter's resolution and reused
/// on later calls with the same `cacheKey` (not 0), for large drawings that repeat from frame to
/// frame. `bounds` must hold all of it; `anchor` is the point it is fixed to. The painter's
/// opacity applies to the whole bitmap at once.
void layer(QPainter& painter, quint64 cacheKey, const QRectF& bounds, QPointF anchor,
           const std::function<void(QPainter&)>& body);
/// The device pixels that `body` would touch if it drew with the painter's settings and the
/// given transform, measured without drawing (shadows are blurred and cached as when drawn).
QRectF covered(const QPainter& like, const QTransform& transform,
               const std::function<void(QPainter&)>& body);
/// A key for the shape of `image` (its size and alpha channel): pictures of one shape share it,
/// so that a shadow, which depends on the shape alone, is blurred once for all of them.
quint64 shapeKey(const QImage& image);
/// How many shadows `glow` has blurred so far (cached ones are not blurred again).
quint64 glowBlurCount();
/// How many bitmaps `layer` has rendered so far.
quint64 layerRenderCount();
/// Forgets every cached shadow and layer (memory relief, tests).
void clearCaches();

/// While one lives, the primitives called on its thread keep their shadows, layers and scaled
/// pictures apart from the frame's thread's, so that work done beside a frame's drawing (on
/// another thread, at the same time) shares nothing with it. Only one lives at a time: a
/// second waits for the first to end. Not for the frame's own thread.
class AsideCaches {
public:
    AsideCaches();
    ~AsideCaches();
    AsideCaches(const AsideCaches&) = delete;
    AsideCaches& operator=(const AsideCaches&) = delete;
};
/// Fills the ring between two radii, a disc when `inner` is 0. Computed straight into the
/// bitmap where the painter allows, which for large rings is many times faster than a path.
void ring(QPainter& painter, QPointF center, double inner, double outer, const QColor& color);
/// Strokes the circle of `radius` at `width`, or only its arc from `from` counter-clockwise to
/// `to` (with round caps) when they differ; with `on` > 0 in dashes of `on` points every
/// `on + off` points from `from`, each with round caps. Computed like `ring`.
void circleLine(QPainter& painter, QPointF center, double radius, double width, const QColor& color,
                double from = 0, double to = 0, double on = 0, double off = 0);
/// A line of `width` along the circle of `radius` from `from` counter-clockwise to `to`, cut
/// into as many equal steps as `alphas` has: step k at `alphas[k]` of `color`, over the glow
/// (blurred `blur`, as `glow`) that it casts on its own at `glowAlphas[k]` of `color`. Where
/// a band of steps would cost one blur per step or frame, this costs a few operations per pixel.
void steppedArc(QPainter& painter, QPointF center, double radius, double width, const QColor& color,
                double from, double to, const std::vector<double>& alphas,
                const std::vector<double>& glowAlphas, double blur);
/// Fills the radial gradient between two concentric circles, nothing beyond them. Where it is
/// computed straight into the bitmap its centre may move by up to a quarter of a device pixel.
void radial(QPainter& painter, const std::vector<QColor>& colors,
            const std::vector<double>& locations, QPointF center, double fromRadius,
            double toRadius);
/// The whole image scaled into the rect at an alpha; nothing when the image is null.
void image(QPainter& painter, const QImage& image, const QRectF& rect, double alpha = 1);
/// The application's font at `size` view points (one point per view unit, whatever the
/// device's dots per inch) and `weight`, for drawing on `device` (the screen when null).
QFont font(double size, QFont::Weight weight, const QPaintDevice* device = nullptr);
/// `font` resized to `size` view points on `device`.
QFont resized(const QFont& font, double size, const QPaintDevice* device = nullptr);
/// How `text` breaks into at most `lines` lines of `width`: one line truncates at the tail, more
/// wrap by words and truncate the last visible line.
QStringList fitText(const QString& text, double width, const QFont& font, int lines,
                    const QPaintDevice* device = nullptr);
/// Text vertically centred in the rect; one line truncates at the tail, more wrap by words.
void text(QPainter& painter, const QString& text, const QRectF& rect, double size,
          QFont::Weight weight, const QColor& color, Qt::Alignment alignment, int lines = 1,
          const std::optional<QFont>& font = std::nullopt);
/// The centre label of the aimed entry: a two-line card with the window title, else a pill
/// with the name. Nothing when no entry is aimed.
void label(QPainter& painter, const RingScene& scene, QPointF point, double maxWidth,
           const QColor& color, const QColor& secondary, const std::optional<QFont>& font,
           const std::function<void(QPainter&, const QRectF&)>& background);
/// A rounded rectangle (radius 8) filled under a shadow; returns it as the thumbnail clip.
QPainterPath plainCard(QPainter& painter, const QRectF& rect, const QColor& fill,
                       const QColor& shadow, double blur, double offsetY);

}  // namespace Draw
}  // namespace tandri
