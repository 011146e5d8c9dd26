// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "platform/common/liveness.h"
#include "triggers/shortcut.h"

namespace tandri {

class Monitor;
class Observation;
struct Platform;

/// The model behind a shortcut control: it records the next key combination typed into the
/// program's own window, checks and stores it, and shows why a combination was refused. Main
/// thread.
class ShortcutRecorder {
public:
    /// Why a combination was refused, in the desktop's words ("Use ⌘, ⌃ or ⌥ with a key…").
    QString ruleMessage() const;
    static inline const QString recordingText = QStringLiteral("Press keys…");

    explicit ShortcutRecorder(Platform& platform);
    /// A recording still running ends as if stopped, so the stored shortcut is registered again.
    ~ShortcutRecorder();
    ShortcutRecorder(const ShortcutRecorder&) = delete;
    ShortcutRecorder& operator=(const ShortcutRecorder&) = delete;

    /// Run after any of the observable properties below changed.
    std::function<void()> changed;

    const Shortcut& shortcut() const { return shortcut_; }
    bool isRecording() const { return isRecording_; }
    /// The latest refusal, shown beside the control.
    const std::optional<QString>& message() const { return message_; }
    /// What the control reads: "Press keys…" while recording, else the shortcut's label.
    QString controlText() const;

    void toggle();
    void start();
    void stop();
    /// Forgets the stored shortcut and goes back to the standard one, ending any recording.
    void reset();

private:
    bool handleKey(const KeyEvent& event);
    void rejected(const QVariant& label);
    void notifyChanged();

    Platform& platform_;
    Shortcut shortcut_;
    bool isRecording_ = false;
    std::optional<QString> message_;
    std::unique_ptr<Monitor> monitor_;
    std::unique_ptr<Observation> rejection_;
    Liveness alive_;
};

}  // namespace tandri
