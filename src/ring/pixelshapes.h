#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <optional>
#include <vector>

// Round shapes computed pixel by pixel, for Draw.
//
// Qt rasterises a large antialiased circle scanline by scanline and hands every few hundred
// spans to its thread pool: a ring this size costs milliseconds, most of them spent waking
// threads. Where the painter draws straight into a premultiplied bitmap at an upright,
// uniform scale (the ring's layers and frames), a round shape's coverage follows from each
// pixel's distance to the centre, which is far cheaper.
namespace tandri::PixelShapes {

/// Where a shape is computed: a premultiplied bitmap seen at an upright, uniform scale.
struct Target {
    QImage* image = nullptr;
    /// The centre in device pixels.
    double cx = 0;
    double cy = 0;
    /// Device pixels per view unit.
    double scale = 1;
    /// +1 or −1: how the device's axes run against the view's.
    double sx = 1;
    double sy = 1;
    /// The painter's opacity, 0 to 255.
    uint opacity = 255;
    /// The pixels that may change.
    QRect area;
};

/// The painter's bitmap as a target for shapes around `center`, or nothing where the painter
/// draws anywhere else, clips, blends otherwise or does not antialias.
std::optional<Target> target(QPainter& painter, QPointF center);

/// The ring between two radii in one colour (a disc when `inner` is 0).
void ring(const Target& target, double inner, double outer, const QColor& color);

/// A line of `width` along the circle of `radius`, whole, or from `from` counter-clockwise by
/// `sweepAngle` with round caps; with `on` > 0, dashes of `on` points every `on + off` points
/// from its start, each with round caps.
void circleLine(const Target& target, double radius, double width, const QColor& color, double from,
                double sweepAngle, double on, double off);

/// A radial gradient filled between two circles, about the centre moved to the nearest half
/// device pixel (a quarter of a pixel at most). Computed once as a quarter and kept: drawn
/// again with the same colours and radii, it is only copied.
void radial(const Target& target, const std::vector<QColor>& colors,
            const std::vector<double>& locations, double fromRadius, double toRadius);

/// A line of `width` along the circle of `radius` from `from` counter-clockwise by
/// `sweepAngle`, cut into equal steps: step k at `alphas[k]` of `color`, over the glow of blur
/// `blur` it casts at `glowAlphas[k]` of it. Computed once and kept: drawn again with the same
/// centre within its pixel, it is only copied.
void steppedArc(const Target& target, double radius, double width, const QColor& color, double from,
                double sweepAngle, const std::vector<double>& alphas,
                const std::vector<double>& glowAlphas, double blur);

/// While alive, `image` still holds an earlier frame, and what is drawn into it first clears
/// it: a round shape row by row, each row just before drawing into it while the row is in the
/// cache (a frame is megabytes, cleared first it has left the cache by the time anything lands
/// on it); anything else whole, first (`settle`). Whatever is still uncleared is cleared when
/// it ends. One per thread at a time; the painter on `image` must end before it does.
class Uncleared {
public:
    explicit Uncleared(QImage& image);
    ~Uncleared();
    Uncleared(const Uncleared&) = delete;
    Uncleared& operator=(const Uncleared&) = delete;

private:
    QImage* previous_;
};

/// Clears the painter's bitmap now if it is still uncleared: to be called before anything but
/// the round shapes here draws into it.
void settle(const QPainter& painter);

/// Forgets the shapes kept from frame to frame (memory relief, tests).
void forgetKeptShapes();

/// For tests: stepped arcs computed one pixel at a time everywhere, the reference for the pixels
/// they compute two at a time.
void computeArcsOnePixelAtATime(bool one);

}  // namespace tandri::PixelShapes
