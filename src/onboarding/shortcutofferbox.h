// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "triggers/shortcut.h"
#include "triggers/shortcutoffer.h"

class QLabel;
class QPushButton;

namespace tandri {

class Observation;
struct Platform;

/// Tells a newcomer that another program holds the standard shortcut and who, and offers a free
/// one that is stored only when the user takes it; without one, it points to the recorder.
class ShortcutOfferBox : public QWidget {
public:
    /// `toRecorder` brings up the guide's shortcut recorder.
    ShortcutOfferBox(Platform& platform, ShortcutOffer::Offer offer,
                     std::function<void()> toRecorder, QWidget* parent = nullptr);
    ~ShortcutOfferBox() override;

private:
    void take();
    void refresh();

    Platform& platform_;
    ShortcutOffer::Offer offer_;
    /// The shortcut the user took here.
    std::optional<Shortcut> taken_;
    QLabel* text_;
    QPushButton* button_;
    std::unique_ptr<Observation> preferences_;
};

}  // namespace tandri
