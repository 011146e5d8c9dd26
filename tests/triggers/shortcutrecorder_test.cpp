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

// What the program around a recorder hears: the recording notifications in order, and how often
// the view was told to refresh.
class Watcher {
public:
    Watcher(TestDesktop& desktop, ShortcutRecorder& recorder)
        : observation_(desktop.notifications().observe(
              Shortcut::recordingNotification, [this](const QVariant& object) {
                  recordings.push_back(object.typeId() == QMetaType::Bool
                                           ? (object.toBool() ? "true" : "false")
                                           : "not a boolean");
              })) {
        recorder.changed = [this] {
            ++changes;
        };
    }

    QStringList recordings;
    int changes = 0;

private:
    std::unique_ptr<Observation> observation_;
};

QJsonValue stored(TestDesktop& desktop, const QString& key) {
    return desktop.preferences().storedValue(Preferences::appDomain, key);
}

TEST(ShortcutRecorder, StartsIdleWithTheStoredShortcut) {
    TestDesktop desktop;
    EXPECT_EQ(ShortcutRecorder(desktop.platform()).shortcut(), Shortcut::standard());

    custom.save(desktop.preferences());
    ShortcutRecorder recorder(desktop.platform());
    EXPECT_EQ(recorder.shortcut(), custom);
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.message(), std::nullopt);
    EXPECT_EQ(recorder.controlText(), "⌃⌘K");
    // Not recording, so keys typed into the window are left to the controls.
    EXPECT_FALSE(desktop.sim().typeKey(commandShiftA));
}

TEST(ShortcutRecorder, EscapeCancelsWithoutSaving) {
    TestDesktop desktop;
    custom.save(desktop.preferences());
    ShortcutRecorder recorder(desktop.platform());
    Watcher watcher(desktop, recorder);

    recorder.toggle();
    EXPECT_TRUE(recorder.isRecording());
    EXPECT_EQ(recorder.controlText(), "Press keys…");
    EXPECT_EQ(watcher.recordings, QStringList{"true"});

    // Escape cancels even with modifiers held, and is consumed like every key.
    EXPECT_TRUE(desktop.sim().typeKey(KeyEvent{53, KeyEvent::commandFlag, "\x1b"}));
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.shortcut(), custom);
    EXPECT_EQ(recorder.controlText(), "⌃⌘K");
    EXPECT_EQ(Shortcut::current(desktop.preferences()), custom);
    EXPECT_EQ(watcher.recordings, (QStringList{"true", "false"}));
    EXPECT_EQ(watcher.changes, 2);
    // The monitor is gone with the recording.
    EXPECT_FALSE(desktop.sim().typeKey(escape));
}

TEST(ShortcutRecorder, ShiftAloneBreaksTheRuleAndRecordingGoesOn) {
    TestDesktop desktop;
    ShortcutRecorder recorder(desktop.platform());
    Watcher watcher(desktop, recorder);
    recorder.start();

    EXPECT_TRUE(desktop.sim().typeKey(shiftA));
    EXPECT_TRUE(recorder.isRecording());
    EXPECT_EQ(recorder.message(), "Use ⌘, ⌃ or ⌥ with a key (or a function key on its own).");
    EXPECT_EQ(stored(desktop, Shortcut::keyCodeKey), QJsonValue(QJsonValue::Undefined));
    EXPECT_EQ(watcher.recordings, QStringList{"true"});

    EXPECT_TRUE(desktop.sim().typeKey(commandShiftA));
    EXPECT_FALSE(recorder.isRecording());
    const Shortcut saved{0, 768, "⇧⌘A"};
    EXPECT_EQ(recorder.shortcut(), saved);
    EXPECT_EQ(recorder.controlText(), "⇧⌘A");
    EXPECT_EQ(Shortcut::current(desktop.preferences()), saved);
    EXPECT_EQ(stored(desktop, Shortcut::modifiersKey), QJsonValue(768));
    EXPECT_EQ(watcher.recordings, (QStringList{"true", "false"}));
    // The refusal stays beside the control until the next recording starts.
    EXPECT_EQ(recorder.message(), "Use ⌘, ⌃ or ⌥ with a key (or a function key on its own).");
    recorder.start();
    EXPECT_EQ(recorder.message(), std::nullopt);
    EXPECT_EQ(watcher.changes, 4);
}

TEST(ShortcutRecorder, AFunctionKeyNeedsNoModifier) {
    TestDesktop desktop;
    ShortcutRecorder recorder(desktop.platform());
    recorder.start();
    EXPECT_TRUE(desktop.sim().typeKey(f6));
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.shortcut(), (Shortcut{97, 0, "F6"}));
    EXPECT_EQ(stored(desktop, Shortcut::modifiersKey), QJsonValue(0));
    EXPECT_EQ(stored(desktop, Shortcut::labelKey), QJsonValue("F6"));
}

TEST(ShortcutRecorder, ATakenShortcutShowsWhatIsInForce) {
    TestDesktop desktop;
    custom.save(desktop.preferences());
    ShortcutRecorder recorder(desktop.platform());
    Watcher watcher(desktop, recorder);
    Notifications& notifications = desktop.notifications();
    // The application: when recording ends, the new keys are refused, it registers the earlier
    // shortcut again, writes it back and says which label failed.
    auto application =
        notifications.observe(Shortcut::recordingNotification, [&](const QVariant& v) {
            if (v.toBool())
                return;
            const Shortcut wanted = Shortcut::current(desktop.preferences());
            if (wanted == custom)
                return;
            custom.save(desktop.preferences());
            notifications.post(Shortcut::rejectedNotification, wanted.label);
        });

    recorder.start();
    EXPECT_TRUE(desktop.sim().typeKey(commandShiftA));
    // Until the main queue runs, the control shows what was typed.
    EXPECT_EQ(recorder.shortcut().label, "⇧⌘A");
    EXPECT_EQ(recorder.message(), std::nullopt);
    EXPECT_EQ(desktop.queues().pendingMain(), 1);

    desktop.queues().runMain();
    EXPECT_EQ(recorder.shortcut(), custom);
    EXPECT_EQ(recorder.controlText(), "⌃⌘K");
    EXPECT_EQ(recorder.message(), "⇧⌘A is taken by another app.");
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(watcher.recordings, (QStringList{"true", "false"}));
    EXPECT_EQ(watcher.changes, 3);
}

TEST(ShortcutRecorder, OnLinuxEveryTextUsesTheDesktopsWords) {
    TestDesktop desktop;
    LinuxVocabulary linux;
    Platform platform = replacing(desktop.platform(), {.vocabulary = &linux});
    ShortcutRecorder recorder(platform);
    EXPECT_EQ(recorder.controlText(), "Alt+Space");
    recorder.start();
    EXPECT_TRUE(desktop.sim().typeKey(shiftA));
    EXPECT_EQ(recorder.message(),
              "Use Super, Ctrl or Alt with a key (or a function key on its own).");
    EXPECT_TRUE(desktop.sim().typeKey(commandShiftA));
    EXPECT_EQ(recorder.controlText(), "Shift+Super+A");
    // The stored label keeps the system's own glyphs.
    EXPECT_EQ(Shortcut::current(desktop.preferences()).label, "⇧⌘A");
    desktop.notifications().post(Shortcut::rejectedNotification, QStringLiteral("⌃⌥K"));
    desktop.queues().runMain();
    EXPECT_EQ(recorder.message(), "Ctrl+Alt+K is taken by another app.");
}

TEST(ShortcutRecorder, ARejectionWithoutALabelNamesNone) {
    TestDesktop desktop;
    ShortcutRecorder recorder(desktop.platform());
    Notifications& notifications = desktop.notifications();
    for (const QVariant& object : {QVariant(), QVariant(49), QVariant(QString()), QVariant(true)}) {
        notifications.post(Shortcut::rejectedNotification, object);
        desktop.queues().runMain();
        EXPECT_EQ(recorder.message(), "That shortcut is taken by another app.");
    }
    // The shortcut the application wrote back is what the control shows.
    custom.save(desktop.preferences());
    notifications.post(Shortcut::rejectedNotification, QStringLiteral("F6"));
    desktop.queues().runMain();
    EXPECT_EQ(recorder.shortcut(), custom);
    EXPECT_EQ(recorder.message(), "F6 is taken by another app.");
}

TEST(ShortcutRecorder, ResetGoesBackToTheStandardShortcut) {
    TestDesktop desktop;
    custom.save(desktop.preferences());
    ShortcutRecorder recorder(desktop.platform());
    Watcher watcher(desktop, recorder);
    desktop.notifications().post(Shortcut::rejectedNotification, QStringLiteral("⇧⌘A"));
    desktop.queues().runMain();
    ASSERT_TRUE(recorder.message());

    recorder.reset();
    for (const QString& key : {Shortcut::keyCodeKey, Shortcut::modifiersKey, Shortcut::labelKey})
        EXPECT_EQ(stored(desktop, key), QJsonValue(QJsonValue::Undefined)) << key.toStdString();
    EXPECT_EQ(recorder.shortcut(), Shortcut::standard());
    EXPECT_EQ(recorder.controlText(), "⌥Space");
    EXPECT_EQ(recorder.message(), std::nullopt);
    // Told so, the application registers the standard shortcut.
    EXPECT_EQ(watcher.recordings, QStringList{"false"});
    EXPECT_EQ(watcher.changes, 2);
}

TEST(ShortcutRecorder, ResetEndsARecording) {
    TestDesktop desktop;
    custom.save(desktop.preferences());
    ShortcutRecorder recorder(desktop.platform());
    Watcher watcher(desktop, recorder);
    recorder.start();
    recorder.reset();
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.controlText(), "⌥Space");
    EXPECT_EQ(watcher.recordings, (QStringList{"true", "false"}));
    // No monitor is left to swallow keys or store them.
    EXPECT_FALSE(desktop.sim().typeKey(commandShiftA));
    EXPECT_EQ(Shortcut::current(desktop.preferences()), Shortcut::standard());
}

TEST(ShortcutRecorder, ToggleStartsAndStops) {
    TestDesktop desktop;
    ShortcutRecorder recorder(desktop.platform());
    Watcher watcher(desktop, recorder);
    recorder.toggle();
    EXPECT_TRUE(recorder.isRecording());
    recorder.toggle();
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(watcher.recordings, (QStringList{"true", "false"}));
    EXPECT_FALSE(desktop.sim().typeKey(f6));
    EXPECT_EQ(recorder.shortcut(), Shortcut::standard());
}

TEST(ShortcutRecorder, DestroyedWhileRecordingEndsTheRecording) {
    TestDesktop desktop;
    custom.save(desktop.preferences());
    QStringList recordings;
    auto observation = desktop.notifications().observe(
        Shortcut::recordingNotification,
        [&](const QVariant& object) { recordings.push_back(object.toBool() ? "true" : "false"); });
    {
        ShortcutRecorder recorder(desktop.platform());
        int changes = 0;
        recorder.changed = [&changes] {
            ++changes;
        };
        recorder.start();
        EXPECT_EQ(changes, 1);
    }
    // The application hears that recording is over and registers the stored shortcut again.
    EXPECT_EQ(recordings, (QStringList{"true", "false"}));
    EXPECT_FALSE(desktop.sim().typeKey(commandShiftA));
    EXPECT_EQ(Shortcut::current(desktop.preferences()), custom);

    // An idle recorder goes quietly.
    { ShortcutRecorder idle(desktop.platform()); }
    EXPECT_EQ(recordings.size(), 2);
}

TEST(ShortcutRecorder, ARejectionArrivingAfterTheRecorderIsGoneDoesNothing) {
    TestDesktop desktop;
    {
        ShortcutRecorder recorder(desktop.platform());
        recorder.changed = [] {
            ADD_FAILURE() << "a destroyed recorder was told";
        };
        desktop.notifications().post(Shortcut::rejectedNotification, QStringLiteral("⇧⌘A"));
        EXPECT_EQ(desktop.queues().pendingMain(), 1);
    }
    desktop.queues().runMain();
    // And once gone it no longer listens.
    desktop.notifications().post(Shortcut::rejectedNotification, QStringLiteral("⇧⌘A"));
    EXPECT_EQ(desktop.queues().pendingMain(), 0);
}

}  // namespace
}  // namespace tandri::test
