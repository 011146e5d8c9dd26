// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QJsonValue>
#include <QStringList>
#include <QVariant>
#include <memory>

#include "platform/common/linuxvocabulary.h"
#include "platform/notifications.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "support/testdesktop.h"
#include "triggers/shortcutrecorder.h"

namespace tandri::test {
namespace {

const KeyEvent escape{53, 0, "\x1b"};
const KeyEvent shiftA{0, KeyEvent::shiftFlag, "a"};
const KeyEvent commandShiftA{0, KeyEvent::commandFlag | KeyEvent::shiftFlag, "a"};
const KeyEvent f6{97, 0};

const Shortcut custom{40, Shortcut::command | Shortcut::control, "⌃⌘K"};

// A recorder on a desktop where the user chose `custom`, and what the program around it hears: the
// recording notifications in order, and how often the view was told to refresh.
class Recorder : public ::testing::Test {
protected:
    Recorder() {
        custom.save(desktop.preferences());
        recorder = std::make_unique<ShortcutRecorder>(desktop.platform());
        recorder->changed = [this] {
            ++changes;
        };
    }
    QJsonValue stored(const QString& key) {
        return desktop.preferences().storedValue(Preferences::appDomain, key);
    }
    Shortcut current() { return Shortcut::current(desktop.preferences()); }
    bool type(const KeyEvent& key) { return desktop.sim().typeKey(key); }
    void reject(const QVariant& label) {
        desktop.notifications().post(Shortcut::rejectedNotification, label);
        desktop.queues().runMain();
    }

    TestDesktop desktop;
    QStringList recordings;
    std::unique_ptr<Observation> observation = desktop.notifications().observe(
        Shortcut::recordingNotification, [this](const QVariant& object) {
            recordings.push_back(object.typeId() == QMetaType::Bool
                                     ? (object.toBool() ? "true" : "false")
                                     : "not a boolean");
        });
    std::unique_ptr<ShortcutRecorder> recorder;
    int changes = 0;
};

const QString rule = "Use ⌘, ⌃ or ⌥ with a key (or a function key on its own).";

TEST_F(Recorder, StartsIdleAndEscapeOrASecondClickCancelsWithoutSaving) {
    TestDesktop fresh;
    EXPECT_EQ(ShortcutRecorder(fresh.platform()).shortcut(), Shortcut::standard());
    EXPECT_EQ(recorder->shortcut(), custom);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(recorder->message(), std::nullopt);
    EXPECT_EQ(recorder->controlText(), "⌃⌘K");
    // Not recording, so keys typed into the window are left to the controls.
    EXPECT_FALSE(type(commandShiftA));

    recorder->toggle();
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_EQ(recorder->controlText(), "Press keys…");
    EXPECT_EQ(recordings, QStringList{"true"});
    // Escape cancels even with modifiers held, and is consumed like every key.
    EXPECT_TRUE(type(KeyEvent{53, KeyEvent::commandFlag, "\x1b"}));
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(recorder->shortcut(), custom);
    EXPECT_EQ(recorder->controlText(), "⌃⌘K");
    EXPECT_EQ(current(), custom);
    EXPECT_EQ(recordings, (QStringList{"true", "false"}));
    EXPECT_EQ(changes, 2);
    // The monitor is gone with the recording.
    EXPECT_FALSE(type(escape));

    recorder->toggle();
    EXPECT_TRUE(recorder->isRecording());
    recorder->toggle();
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(recordings, (QStringList{"true", "false", "true", "false"}));
    EXPECT_FALSE(type(f6));
    EXPECT_EQ(current(), custom);
}

TEST_F(Recorder, ShiftAloneBreaksTheRuleAndRecordingGoesOn) {
    recorder->start();
    EXPECT_TRUE(type(shiftA));
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_EQ(recorder->message(), rule);
    EXPECT_EQ(current(), custom);
    EXPECT_EQ(recordings, QStringList{"true"});

    EXPECT_TRUE(type(commandShiftA));
    EXPECT_FALSE(recorder->isRecording());
    const Shortcut saved{0, 768, "⇧⌘A"};
    EXPECT_EQ(recorder->shortcut(), saved);
    EXPECT_EQ(recorder->controlText(), "⇧⌘A");
    EXPECT_EQ(current(), saved);
    EXPECT_EQ(stored(Shortcut::modifiersKey), QJsonValue(768));
    EXPECT_EQ(recordings, (QStringList{"true", "false"}));
    // The refusal stays beside the control until the next recording starts.
    EXPECT_EQ(recorder->message(), rule);
    recorder->start();
    EXPECT_EQ(recorder->message(), std::nullopt);
    EXPECT_EQ(changes, 4);
    // A function key needs no modifier.
    EXPECT_TRUE(type(f6));
    EXPECT_EQ(recorder->shortcut(), (Shortcut{97, 0, "F6"}));
    EXPECT_EQ(stored(Shortcut::modifiersKey), QJsonValue(0));
    EXPECT_EQ(stored(Shortcut::labelKey), QJsonValue("F6"));
}

TEST_F(Recorder, ATakenShortcutShowsWhatIsInForce) {
    Notifications& notifications = desktop.notifications();
    // The application: when recording ends, the new keys are refused, it registers the earlier
    // shortcut again, writes it back and says which label failed.
    auto application =
        notifications.observe(Shortcut::recordingNotification, [&](const QVariant& v) {
            const Shortcut wanted = current();
            if (v.toBool() || wanted == custom)
                return;
            custom.save(desktop.preferences());
            notifications.post(Shortcut::rejectedNotification, wanted.label);
        });

    recorder->start();
    EXPECT_TRUE(type(commandShiftA));
    // Until the main queue runs, the control shows what was typed.
    EXPECT_EQ(recorder->shortcut().label, "⇧⌘A");
    EXPECT_EQ(recorder->message(), std::nullopt);
    EXPECT_EQ(desktop.queues().pendingMain(), 1);

    desktop.queues().runMain();
    EXPECT_EQ(recorder->shortcut(), custom);
    EXPECT_EQ(recorder->controlText(), "⌃⌘K");
    EXPECT_EQ(recorder->message(), "⇧⌘A is taken by another app.");
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(recordings, (QStringList{"true", "false"}));
    EXPECT_EQ(changes, 3);
}

TEST_F(Recorder, OnLinuxEveryTextUsesTheDesktopsWords) {
    LinuxVocabulary linux;
    Platform platform = replacing(desktop.platform(), {.vocabulary = &linux});
    ShortcutRecorder recorder(platform);
    EXPECT_EQ(recorder.controlText(), "Ctrl+Super+K");
    recorder.start();
    EXPECT_TRUE(type(shiftA));
    EXPECT_EQ(recorder.message(),
              "Use Super, Ctrl or Alt with a key (or a function key on its own).");
    EXPECT_TRUE(type(commandShiftA));
    EXPECT_EQ(recorder.controlText(), "Shift+Super+A");
    // The stored label keeps the system's own glyphs.
    EXPECT_EQ(current().label, "⇧⌘A");
    reject(QStringLiteral("⌃⌥K"));
    EXPECT_EQ(recorder.message(), "Ctrl+Alt+K is taken by another app.");
}

TEST_F(Recorder, ARejectionShowsWhatTheApplicationWroteBack) {
    for (const QVariant& object : {QVariant(), QVariant(49), QVariant(QString()), QVariant(true)}) {
        reject(object);
        EXPECT_EQ(recorder->message(), "That shortcut is taken by another app.");
    }
    const Shortcut writtenBack{97, 0, "F6"};
    writtenBack.save(desktop.preferences());
    reject(QStringLiteral("⇧⌘A"));
    EXPECT_EQ(recorder->shortcut(), writtenBack);
    EXPECT_EQ(recorder->message(), "⇧⌘A is taken by another app.");
}

TEST_F(Recorder, ResetGoesBackToTheStandardShortcutAndEndsARecording) {
    reject(QStringLiteral("⇧⌘A"));
    ASSERT_TRUE(recorder->message());
    recorder->reset();
    for (const QString& key : {Shortcut::keyCodeKey, Shortcut::modifiersKey, Shortcut::labelKey})
        EXPECT_EQ(stored(key), QJsonValue(QJsonValue::Undefined)) << key.toStdString();
    EXPECT_EQ(recorder->shortcut(), Shortcut::standard());
    EXPECT_EQ(recorder->controlText(), "⌥Space");
    EXPECT_EQ(recorder->message(), std::nullopt);
    // Told so, the application registers the standard shortcut.
    EXPECT_EQ(recordings, QStringList{"false"});
    EXPECT_EQ(changes, 2);

    custom.save(desktop.preferences());
    recorder->start();
    recorder->reset();
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(recorder->controlText(), "⌥Space");
    EXPECT_EQ(recordings, (QStringList{"false", "true", "false"}));
    // No monitor is left to swallow keys or store them.
    EXPECT_FALSE(type(commandShiftA));
    EXPECT_EQ(current(), Shortcut::standard());
}

TEST_F(Recorder, DestroyedWhileRecordingEndsTheRecordingAndHearsNothingMore) {
    recorder->start();
    // A rejection still queued when the recorder goes reaches nothing, and the view is not told.
    desktop.notifications().post(Shortcut::rejectedNotification, QStringLiteral("⇧⌘A"));
    EXPECT_EQ(desktop.queues().pendingMain(), 1);
    recorder->changed = [] {
        ADD_FAILURE() << "a destroyed recorder was told";
    };
    recorder.reset();
    desktop.queues().runMain();
    // The application hears that recording is over and registers the stored shortcut again.
    EXPECT_EQ(recordings, (QStringList{"true", "false"}));
    EXPECT_FALSE(type(commandShiftA));
    EXPECT_EQ(current(), custom);
    // Once gone it no longer listens; an idle recorder goes quietly.
    desktop.notifications().post(Shortcut::rejectedNotification, QStringLiteral("⇧⌘A"));
    EXPECT_EQ(desktop.queues().pendingMain(), 0);
    { ShortcutRecorder idle(desktop.platform()); }
    EXPECT_EQ(recordings.size(), 2);
}

}  // namespace
}  // namespace tandri::test
