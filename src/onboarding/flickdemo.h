// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <vector>

namespace tandri {

class Clock;
class Timer;

/// The welcome page's moving picture: a ring of the user's icons and a cursor that flicks to
/// each in turn, drawn from the wall clock. It asks for frames only while it is visible, so a
/// hidden guide costs nothing.
class FlickDemo : public QWidget {
public:
    static constexpr double frameInterval = 1.0 / 30;

    /// `frames` paces the repaints; the picture itself follows the wall clock.
    FlickDemo(Clock& frames, std::vector<QImage> icons, QWidget* parent = nullptr);
    ~FlickDemo() override;

    /// Seconds since the first instant of 2001 (UTC).
    static double wallClock();
    /// Whether repaints are being asked for.
    bool animating() const { return timer_ != nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Clock& frames_;
    std::vector<QImage> icons_;
    std::unique_ptr<Timer> timer_;
};

}  // namespace tandri
