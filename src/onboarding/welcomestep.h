// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "triggers/shortcut.h"

class QLabel;

namespace tandri {

class Observation;
struct Platform;

/// The guide's first page: what the ring is, shown moving, and where the program lives; and,
/// when another program holds the standard shortcut, who, with a free one to take.
class WelcomeStep : public QWidget {
public:
    /// `refused` is the stored shortcut the hot key could not register; `toRecorder` brings up
    /// the guide's shortcut recorder.
    WelcomeStep(Platform& platform, const std::optional<Shortcut>& refused,
                std::function<void()> toRecorder, QWidget* parent = nullptr);
    ~WelcomeStep() override;

private:
    void refresh();

    Platform& platform_;
    QLabel* hold_;
    std::unique_ptr<Observation> preferences_;
};

}  // namespace tandri
