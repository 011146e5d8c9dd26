// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonValue>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/common/liveness.h"
#include "platform/menu.h"
#include "prefs/settingstab.h"
#include "ring/ringcaches.h"
#include "triggers/shortcut.h"

namespace tandri {

class HotKey;
class MiddleClickTap;
class Monitor;
class Observation;
class RingController;
class SettingsPresenter;
class StatusItem;
class ThumbnailSource;
class Timer;
class WelcomePresenter;
struct LaunchOptions;
struct Platform;

/// The running program's root: it owns the ring, the two triggers, the status menu, the
/// observers that re-apply the preferences, the Dock hiding and the orderly exit. Main thread.
class AppDelegate {
public:
    /// Seconds between attempts to upgrade the middle button from listening to filtering.
    static constexpr double tapRetryInterval = 3.0;
    /// Seconds after launch before "--demo" opens the ring.
    static constexpr double demoDelay = 0.5;

    AppDelegate(Platform& platform, SettingsPresenter& settings, WelcomePresenter& welcome,
                ThumbnailSource* thumbnails = nullptr, RingCaches& caches = RingCaches::shared());
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    /// Ends the event loop; run by `terminate()` after the program has tidied up.
    std::function<void()> quitApplication;

    /// The start-up sequence; runs once.
    void applicationDidFinishLaunching(const LaunchOptions& options);
    /// Gives the Dock back when this program hid it. Safe to call more than once.
    void applicationWillTerminate();
    /// Every quit path: the "Quit" item, a termination signal, the session ending.
    void terminate();
    /// Another start of the program handed its command line over: it opens Settings when it
    /// asks for nothing, else what it asks for.
    void launchedAgain(const LaunchOptions& options);

    // Menu actions.
    void showRing();
    void showSettings();
    void showWelcome();
    void chooseShortcut();

    void applyShortcut();
    void applyMiddleClick();
    void synchronizeDock();
    void refreshHints();
    void refreshConflictItems();

    // State, for the shell and tests.
    RingController& ring() { return *ring_; }
    const std::shared_ptr<Menu>& statusMenu() const { return statusMenu_; }
    const HotKey* hotKey() const { return hotKey_.get(); }
    const std::optional<Shortcut>& registered() const { return registered_; }
    const std::optional<Shortcut>& refused() const { return refused_; }
    bool recordingShortcut() const { return recordingShortcut_; }
    const MiddleClickTap* middleClickTap() const { return middleClickTap_.get(); }
    int mouseMonitorCount() const { return int(mouseMonitors_.size()); }
    bool retryingTap() const { return tapRetry_ != nullptr; }
    bool middleClickOn() const { return middleClickOn_; }
    bool dockHiddenByUs() const { return dockHiddenByUs_; }
    /// Who asks the Dock hider: the program's identifier.
    QString owner() const;

private:
    void buildStatusMenu();
    void installTriggerCallbacks(HotKey& hotKey);
    void tearDownMiddleClick();
    void preferencesChanged();
    /// Puts back the shortcut stored before a recording whose result is taken; false when no
    /// recording just ended.
    bool restoreShortcutBeforeRecording(const Shortcut& taken);
    /// Wraps a member call so that it does nothing once the delegate is gone or terminating.
    std::function<void()> weakly(void (AppDelegate::*member)());

    Platform& platform_;
    SettingsPresenter& settings_;
    WelcomePresenter& welcome_;
    Liveness alive_;

    std::unique_ptr<RingController> ring_;
    std::unique_ptr<HotKey> hotKey_;
    std::optional<Shortcut> registered_;
    /// The stored shortcut that could not be registered in this run.
    std::optional<Shortcut> refused_;
    /// Why `refused_` was refused.
    GrabRefusal refusal_ = GrabRefusal::Taken;
    /// The three stored shortcut values as they were when a recording started, written back
    /// when the recorded combination turns out to be taken.
    std::optional<std::array<QJsonValue, 3>> storedBeforeRecording_;
    std::vector<std::shared_ptr<MenuItem>> conflictItems_;
    bool recordingShortcut_ = false;
    std::shared_ptr<Menu> statusMenu_;
    std::unique_ptr<StatusItem> statusItem_;
    std::vector<std::shared_ptr<MenuItem>> hintItems_;
    std::vector<std::unique_ptr<Monitor>> mouseMonitors_;
    std::unique_ptr<MiddleClickTap> middleClickTap_;
    bool middleClickOn_ = false;
    std::unique_ptr<Timer> tapRetry_;
    bool dockHiddenByUs_ = false;
    std::unique_ptr<Monitor> terminationSignal_;

    bool launched_ = false;
    bool terminating_ = false;
    bool reapplyPending_ = false;
    std::unique_ptr<Observation> openSettingsObservation_;
    std::unique_ptr<Observation> preferencesObservation_;
    std::unique_ptr<Observation> recordingObservation_;
    std::unique_ptr<Timer> demo_;
};

}  // namespace tandri
