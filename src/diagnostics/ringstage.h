// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>

namespace tandri {

class RingController;
class ThumbnailSource;
struct Platform;

/// The ring opened by a scripted pointer on a staged desktop, whose time passes only when told,
/// and pictures of what it shows. Main thread.
class RingStage {
public:
    /// `run` lets `seconds` of the desktop's time pass, with its background work done.
    RingStage(Platform& platform, ThumbnailSource* thumbnails, std::function<void(double)> run);
    ~RingStage();
    RingStage(const RingStage&) = delete;
    RingStage& operator=(const RingStage&) = delete;

    RingController& ring() { return *ring_; }
    /// The scripted pointer, in screen points.
    QPointF pointer() const { return pointer_; }

    /// Holds the trigger with the pointer at the main screen's centre until the ring has
    /// faded in; false when it did not open.
    bool open();
    /// Moves the pointer onto the entry named `name`, whose chips then show when it has some;
    /// false when the ring has no such entry.
    bool aim(const QString& name);
    /// Moves the pointer onto chip `index` and lets its preview grow; false without that chip.
    bool aimChip(int index);
    /// Closes the ring as Escape does, picking nothing.
    void close();

    /// The screen with the ring on it: over `screen` (a picture of the screen at `scale`
    /// pixels a point), with the look's blurred backdrop.
    QImage picture(const QImage& screen, double scale);
    /// Where the ring, its chips and the selected chip's preview show, in picture pixels.
    QRect shownArea(double scale);
    /// A screen point in picture pixels.
    QPointF inPicture(QPointF point, double scale);

private:
    /// Moves the pointer there in a few steps, a frame apart, as a hand would.
    void moveTo(QPointF target);

    Platform& platform_;
    std::function<void(double)> run_;
    std::unique_ptr<RingController> ring_;
    QPointF pointer_;
};

}  // namespace tandri
