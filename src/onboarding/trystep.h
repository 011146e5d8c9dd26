// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "triggers/shortcut.h"

class QLabel;

namespace tandri {

class Observation;
struct Platform;

/// The page where the user tries the ring while the guide waits on top: a row for each way of
/// using it, ticked when the ring reports that it happened.
class TryItStep : public QWidget {
public:
    enum Row { Open, Switch, KeepOpen };

    /// `refused` is the stored shortcut the hot key could not register; `toRecorder` brings up
    /// the guide's shortcut recorder.
    TryItStep(Platform& platform, const std::optional<Shortcut>& refused,
              std::function<void()> toRecorder, QWidget* parent = nullptr);
    ~TryItStep() override;

    bool done(Row row) const { return done_[row]; }

private:
    void tick(Row row);
    /// The rows name the shortcut stored now.
    void refresh();

    std::array<bool, 3> done_{};
    Platform& platform_;
    std::array<QLabel*, 3> marks_{};
    QLabel* openText_ = nullptr;
    QLabel* keepOpenText_ = nullptr;
    std::unique_ptr<Observation> opened_;
    std::unique_ptr<Observation> picked_;
    std::unique_ptr<Observation> preferences_;
};

}  // namespace tandri
