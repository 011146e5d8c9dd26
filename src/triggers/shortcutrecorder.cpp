// SPDX-License-Identifier: MIT
#include "triggers/shortcutrecorder.h"
#include "platform/keycodes.h"

#include <QVariant>
#include <utility>

#include "platform/keyboard.h"
#include "platform/notifications.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/queues.h"
#include "platform/screens.h"
#include "platform/vocabulary.h"

namespace tandri {

namespace {}  // namespace

ShortcutRecorder::ShortcutRecorder(Platform& platform)
    : platform_(platform), shortcut_(Shortcut::current(platform.preferences)) {
    Queues& queues = platform.queues;
    Liveness::Watch alive = alive_.watch();
    rejection_ = platform.notifications.observe(Shortcut::rejectedNotification,
                                                [this, &queues, alive](const QVariant& object) {
                                                    // The application rejects from inside its own
                                                    // handling of our notification; answer once
                                                    // that has finished, and only if the control
                                                    // still exists.
                                                    queues.main([this, alive, object] {
                                                        if (alive)
                                                            rejected(object);
                                                    });
                                                });
}

ShortcutRecorder::~ShortcutRecorder() {
    rejection_.reset();
    if (!isRecording_)
        return;
    // The view went away mid-recording: end it as stop() would, so the application registers the
    // stored shortcut again instead of staying without one. The view is no longer told.
    monitor_.reset();
    isRecording_ = false;
    platform_.notifications.post(Shortcut::recordingNotification, QVariant(false));
}

QString ShortcutRecorder::controlText() const {
    return isRecording_ ? recordingText : platform_.vocabulary.shortcut(shortcut_.label);
}

QString ShortcutRecorder::ruleMessage() const {
    const Vocabulary& words = platform_.vocabulary;
    return QStringLiteral("Use %1, %2 or %3 with a key (or a function key on its own).")
        .arg(words.shortcut(QStringLiteral("⌘")), words.shortcut(QStringLiteral("⌃")),
             words.shortcut(QStringLiteral("⌥")));
}

void ShortcutRecorder::toggle() {
    if (isRecording_)
        stop();
    else
        start();
}

void ShortcutRecorder::start() {
    message_.reset();
    isRecording_ = true;
    platform_.notifications.post(Shortcut::recordingNotification, QVariant(true));
    Liveness::Watch alive = alive_.watch();
    monitor_ = platform_.keyboard.monitorOwnKeyDowns([this, alive](const KeyEvent& event) {
        if (alive)
            handleKey(event);
        // Every press while recording belongs to the recorder, never to a control.
        return true;
    });
    notifyChanged();
}

void ShortcutRecorder::stop() {
    monitor_.reset();
    isRecording_ = false;
    platform_.notifications.post(Shortcut::recordingNotification, QVariant(false));
    notifyChanged();
}

void ShortcutRecorder::reset() {
    Preferences& preferences = platform_.preferences;
    preferences.removeValue(Preferences::appDomain, Shortcut::keyCodeKey);
    preferences.removeValue(Preferences::appDomain, Shortcut::modifiersKey);
    preferences.removeValue(Preferences::appDomain, Shortcut::labelKey);
    shortcut_ = Shortcut::standard();
    message_.reset();
    // The notification below tells the application that recording is over, so a recording that
    // is still running ends here too rather than swallowing keys while the hot key is back.
    monitor_.reset();
    isRecording_ = false;
    platform_.notifications.post(Shortcut::recordingNotification, QVariant(false));
    notifyChanged();
}

bool ShortcutRecorder::handleKey(const KeyEvent& event) {
    // Escape cancels whatever modifiers are held.
    if (event.keyCode == KeyCodes::escape) {
        stop();
        return true;
    }
    const std::optional<Shortcut> recorded = Shortcut::fromKeyEvent(event);
    if (!recorded) {
        message_ = ruleMessage();
        notifyChanged();
        return true;
    }
    recorded->save(platform_.preferences);
    shortcut_ = *recorded;
    stop();
    return true;
}

void ShortcutRecorder::rejected(const QVariant& label) {
    // The stored choice stays on show beside the message: the application keeps it for the next
    // start and uses another for now.
    shortcut_ = Shortcut::current(platform_.preferences);
    const bool hasLabel = label.typeId() == QMetaType::QString && !label.toString().isEmpty();
    // What was just typed is on the keyboard: another program holds it.
    message_ = Shortcut::refusalMessage(hasLabel ? platform_.vocabulary.shortcut(label.toString())
                                                 : QStringLiteral("That shortcut"),
                                        GrabRefusal::Taken) +
               QStringLiteral(".");
    notifyChanged();
}

void ShortcutRecorder::notifyChanged() {
    // A copy: the callback may replace itself.
    if (auto callback = changed)
        callback();
}

}  // namespace tandri
