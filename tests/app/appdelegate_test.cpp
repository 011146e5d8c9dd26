// SPDX-License-Identifier: MIT
#include "app/appdelegate.h"

#include <gtest/gtest.h>

#include <QJsonArray>

#include "app/launchoptions.h"
#include "catalogue/dockhider.h"
#include "platform/notifications.h"
#include "platform/preferences.h"
#include "prefs/settings.h"
#include "ring/ringcontroller.h"
#include "ring/ringharness.h"
#include "settings/settingspresenter.h"
#include "support/fakesettingswindow.h"
#include "support/fakewelcomeguide.h"
#include "support/testdesktop.h"
#include "triggers/hotkey.h"
#include "triggers/shortcutrecorder.h"

namespace tandri::test {
namespace {

using Pair = std::pair<qint64, qint64>;
using Lines = std::vector<QString>;
using Type = ButtonEvent::Type;

const Shortcut commandK{40, Shortcut::command, "⌘K"};
const Shortcut controlOptionK{40, Shortcut::control | Shortcut::option, "⌃⌥K"};

/// The program's delegate on a simulated desktop of eight apps, the way the process entry sets
/// it up, with the Settings window and the welcome guide recording what they were asked.
class Shell {
public:
    explicit Shell(const QString& extra = {}, bool onboardingDone = true)
        : desktop(desktopWithApps(8, 1, extra)),
          welcome(desktop.preferences()),
          delegate(desktop.platform(), settings, welcome, nullptr, caches) {
        // The Trash entry would change the ring's geometry the flick relies on.
        prefs().setValue(Preferences::appDomain, Settings::placesKey, false);
        if (onboardingDone)
            prefs().setValue(Preferences::appDomain, OnboardingWindow::doneKey, true);
        delegate.quitApplication = [this] {
            ++quits;
        };
        rejected = desktop.notifications().observe(
            Shortcut::rejectedNotification,
            [this](const QVariant& label) { rejections.push_back(label.toString()); });
        opened = desktop.notifications().observe(RingController::openedNotification,
                                                 [this](const QVariant&) { ++openings; });
    }

    void launch(const QStringList& arguments = {}) {
        desktop.sim().clearActions();
        delegate.applicationDidFinishLaunching(LaunchOptions::parse(arguments));
    }
    Preferences& prefs() { return desktop.preferences(); }
    /// Lets the main queue run, where the program re-applies changed preferences.
    void settle() { desktop.queues().runMain(); }
    /// Stores a preference, or the shortcut, and lets the program take it up.
    void set(const QString& key, const QJsonValue& value) {
        prefs().setValue(Preferences::appDomain, key, value);
        settle();
    }
    void set(const Shortcut& shortcut) {
        shortcut.save(prefs());
        settle();
    }
    sim::SimDesktop& sim() { return desktop.sim(); }
    int count(const QString& action) {
        const Lines actions = sim().actions();
        return int(std::count(actions.begin(), actions.end(), action));
    }
    Lines menu() { return sim().openStatusMenu().value_or(Lines{}); }
    void frames(double seconds) {
        for (double t = 0; t < seconds; t += RingController::frameInterval)
            desktop.clock().advance(RingController::frameInterval);
    }

    TestDesktop desktop;
    RingCaches caches;
    FakeSettingsWindow settings;
    FakeWelcomeGuide welcome;
    AppDelegate delegate;
    int quits = 0;
    int openings = 0;
    Lines rejections;

private:
    std::unique_ptr<Observation> rejected;
    std::unique_ptr<Observation> opened;
};

const Lines standardMenu = {"Hold ⌥Space, flick to an app, release (disabled)",
                            "Tap ⌥Space to keep the ring open (disabled)",
                            "—",
                            "Show Ring",
                            "Settings…",
                            "Welcome Guide…",
                            "—",
                            "Quit Tandri"};

TEST(AppDelegate, FirstLaunchWithNoPreferencesAndWhatItsMenuAndRequestsOpen) {
    Shell shell({}, false);
    shell.launch();

    EXPECT_EQ(shell.sim().grabbedKeys(), (std::vector<Pair>{{49, 2048}}));
    EXPECT_EQ(shell.delegate.registered(), Shortcut::standard());
    // Nothing about the shortcut is written when the standard one works.
    EXPECT_TRUE(
        shell.prefs().storedValue(Preferences::appDomain, Shortcut::keyCodeKey).isUndefined());
    // Defaults are registered: the middle button is on and gets the filter.
    EXPECT_TRUE(Settings::middleClick(shell.prefs()));
    EXPECT_NE(shell.delegate.middleClickTap(), nullptr);
    EXPECT_EQ(shell.sim().buttonFilters(), 1);
    EXPECT_FALSE(shell.delegate.retryingTap());
    // The Dock is left alone.
    EXPECT_EQ(shell.count("restart-dock"), 0);
    EXPECT_TRUE(shell.prefs().storedDomain(DockHider::domain).isEmpty());
    EXPECT_TRUE(shell.prefs().storedDomain(DockHider::storeDomain).isEmpty());
    // The guide greets a new user; the Settings window stays closed.
    EXPECT_EQ(shell.welcome.requests, (std::vector<std::optional<int>>{std::nullopt}));
    EXPECT_TRUE(shell.settings.requests.empty());

    EXPECT_EQ(shell.sim().statusItemToolTip(), "Tandri");
    EXPECT_FALSE(shell.sim().statusItemImage().isNull());
    EXPECT_EQ(shell.menu(), standardMenu);

    // Requests from elsewhere open windows; "Show Ring" opens it once the menu has gone.
    Notifications& center = shell.desktop.notifications();
    center.post(SettingsPresenter::openNotification, QStringLiteral("windows"));
    center.post(SettingsPresenter::openNotification, 3);
    center.post(SettingsPresenter::openNotification);
    EXPECT_EQ(shell.settings.requests,
              (std::vector<SettingsTab>{SettingsTab::Windows, SettingsTab::General,
                                        SettingsTab::General}));
    ASSERT_TRUE(shell.sim().chooseStatusMenuItem("Welcome Guide…"));
    EXPECT_EQ(shell.welcome.requests, (std::vector<std::optional<int>>{std::nullopt, 0}));
    ASSERT_TRUE(shell.sim().chooseStatusMenuItem("Show Ring"));
    EXPECT_EQ(shell.delegate.ring().mode(), RingController::Mode::Hidden);
    shell.settle();
    EXPECT_EQ(shell.delegate.ring().mode(), RingController::Mode::Sticky);
}

TEST(AppDelegate, TakenStandardShortcutIsLoggedOnceAndTheProgramGoesOn) {
    Shell shell(R"({"takenShortcuts": [[49, 2048]]})");
    shell.launch();

    EXPECT_TRUE(shell.sim().grabbedKeys().empty());
    EXPECT_EQ(shell.delegate.hotKey(), nullptr);
    EXPECT_FALSE(shell.delegate.registered());
    // Later preference writes neither retry nor log again.
    shell.set(QStringLiteral("unrelated"), 1);
    EXPECT_EQ(shell.count("log Tandri: ⌥Space is taken by another app"), 1);
    EXPECT_TRUE(shell.rejections.empty());
    // The hints still name the keys the user set, under the warning.
    Lines expected = {"⌥Space is taken by another app. (disabled)", "Choose Another Shortcut…",
                      "—"};
    expected.insert(expected.end(), standardMenu.begin(), standardMenu.end());
    EXPECT_EQ(shell.menu(), expected);
    // The middle button works without the keys.
    shell.sim().sendOtherButton(Type::Down);
    shell.desktop.queues().runMain();
    EXPECT_EQ(shell.delegate.ring().mode(), RingController::Mode::Holding);
}

// What the user stored is never written over by a stand-in: a shortcut another program holds
// at start-up, one recorded while it is held, or numbers no keyboard has.
TEST(AppDelegate, RefusedShortcutFallsBackForThisRunOnlyAndStaysStored) {
    const Shortcut controlSpace{49, Shortcut::control, "⌃Space"};
    const struct {
        const char* name;
        QJsonValue keyCode;
        const char* warning;
    } stored[] = {{"taken", 49, "⌃Space is taken by another app. (disabled)"},
                  {"negative key", -5, "⌃Space cannot be typed on this keyboard. (disabled)"},
                  {"huge key", 1e20, "⌃Space cannot be typed on this keyboard. (disabled)"}};
    for (const auto& c : stored) {
        SCOPED_TRACE(c.name);
        Shell shell(R"({"takenShortcuts": [[49, 4096]]})");
        controlSpace.save(shell.prefs());
        shell.prefs().setValue(Preferences::appDomain, Shortcut::keyCodeKey, c.keyCode);
        const auto storedShortcut = [&] {
            QJsonObject keys;
            for (const QString& key :
                 {Shortcut::keyCodeKey, Shortcut::modifiersKey, Shortcut::labelKey})
                keys[key] = shell.prefs().storedValue(Preferences::appDomain, key);
            return keys;
        };
        const QJsonObject before = storedShortcut();
        shell.launch();
        shell.settle();

        EXPECT_EQ(shell.delegate.registered(), Shortcut::standard());
        EXPECT_EQ(shell.sim().grabbedKeys(), (std::vector<Pair>{{49, 2048}}));
        EXPECT_EQ(storedShortcut(), before);
        EXPECT_EQ(shell.rejections, Lines{"⌃Space"});
        EXPECT_EQ(shell.count("log Tandri: ⌃Space is taken by another app"), 0);
        const Lines menu = shell.menu();
        ASSERT_GE(menu.size(), 4u);
        EXPECT_EQ(menu[0], c.warning);
        EXPECT_EQ(menu[3], "Hold ⌥Space, flick to an app, release (disabled)");
    }

    // Once the other program has let go, the next start takes the stored shortcut.
    Shell shell(R"({"takenShortcuts": [[49, 4096]]})");
    controlSpace.save(shell.prefs());
    shell.launch();
    shell.sim().setShortcutTaken(49, Shortcut::control, false);
    FakeSettingsWindow settings;
    AppDelegate next(shell.desktop.platform(), settings, shell.welcome, nullptr, shell.caches);
    next.applicationDidFinishLaunching(LaunchOptions::parse({}));
    EXPECT_EQ(next.registered(), controlSpace);
    EXPECT_FALSE(next.refused());
}

TEST(AppDelegate, RecordedShortcutThatIsTakenFallsBackToTheEarlierOne) {
    Shell shell(R"({"takenShortcuts": [[40, 256]]})");
    shell.launch();

    shell.set(commandK);
    EXPECT_EQ(shell.delegate.registered(), Shortcut::standard());
    EXPECT_EQ(shell.sim().grabbedKeys(), (std::vector<Pair>{{49, 2048}}));
    EXPECT_EQ(Shortcut::current(shell.prefs()), commandK);
    EXPECT_EQ(shell.rejections, Lines{"⌘K"});
    // The three stored keys are applied together: no half-written mixture was ever grabbed.
    EXPECT_EQ(shell.count("grab-key-refused 40 256"), 1);
    EXPECT_EQ(shell.count("grab-key 49 256"), 0);
    EXPECT_EQ(shell.count("grab-key 40 2048"), 0);
    EXPECT_EQ(shell.menu()[3], "Hold ⌥Space, flick to an app, release (disabled)");
    // A free combination is taken up; a refused one after it falls back to it, not to ⌥Space.
    shell.set(controlOptionK);
    EXPECT_EQ(shell.sim().grabbedKeys(), (std::vector<Pair>{{40, 6144}}));
    EXPECT_EQ(shell.menu()[1], "Tap ⌃⌥K to keep the ring open (disabled)");
    shell.set(commandK);
    EXPECT_EQ(shell.delegate.registered(), controlOptionK);
    EXPECT_EQ(shell.rejections, (Lines{"⌘K", "⌘K"}));
    EXPECT_EQ(shell.count("log Tandri: ⌘K is taken by another app"), 0);
    // Applying the same shortcut again leaves the registration alone.
    shell.sim().clearActions();
    shell.delegate.applyShortcut();
    EXPECT_TRUE(shell.sim().actions().empty());
}

TEST(AppDelegate, ScriptedPressFlickAndReleaseSwitchesApps) {
    Shell shell;
    shell.launch();
    // Held keys repeat their press; the ring opens once.
    EXPECT_TRUE(shell.sim().pressKeys(49, 2048));
    EXPECT_TRUE(shell.sim().pressKeys(49, 2048));
    shell.frames(0.1);
    EXPECT_TRUE(shell.sim().pressKeys(49, 2048));
    EXPECT_EQ(shell.openings, 1);
    EXPECT_EQ(shell.delegate.ring().mode(), RingController::Mode::Holding);
    // Eight entries from the top, clockwise: the third is to the right.
    const QPointF start = shell.sim().screens().mouseLocation();
    shell.sim().setMouseLocation(start + QPointF(80, 0));
    shell.frames(0.4);
    EXPECT_TRUE(shell.sim().releaseKeys(49, 2048));
    EXPECT_EQ(shell.delegate.ring().mode(), RingController::Mode::Hidden);
    EXPECT_EQ(shell.count("activate 103"), 1);
    // A quick tap leaves it open.
    shell.sim().pressKeys(49, 2048);
    shell.frames(0.1);
    shell.sim().releaseKeys(49, 2048);
    EXPECT_EQ(shell.delegate.ring().mode(), RingController::Mode::Sticky);
}

TEST(AppDelegate, MiddleButtonUpgradesFromListeningToFilteringWhenPermitted) {
    Shell shell(R"({"trusted": false})");
    shell.launch();
    EXPECT_EQ(shell.delegate.middleClickTap(), nullptr);
    EXPECT_EQ(shell.delegate.mouseMonitorCount(), 1);
    EXPECT_TRUE(shell.delegate.retryingTap());
    // The listener opens the ring but cannot keep the click from the window below.
    EXPECT_TRUE(shell.sim().sendOtherButton(Type::Down));
    EXPECT_EQ(shell.delegate.ring().mode(), RingController::Mode::Holding);
    shell.frames(0.4);
    EXPECT_TRUE(shell.sim().sendOtherButton(Type::Up));
    EXPECT_EQ(shell.delegate.ring().mode(), RingController::Mode::Hidden);
    // Other buttons do nothing.
    shell.sim().sendOtherButton(Type::Down, 3);
    EXPECT_EQ(shell.delegate.ring().mode(), RingController::Mode::Hidden);
    // Permission arrives; the next retry installs the filter.
    shell.sim().setTrusted(true);
    shell.desktop.clock().advance(2.0);
    EXPECT_EQ(shell.delegate.middleClickTap(), nullptr);
    shell.desktop.clock().advance(1.0);
    EXPECT_NE(shell.delegate.middleClickTap(), nullptr);
    EXPECT_EQ(shell.delegate.mouseMonitorCount(), 0);
    EXPECT_FALSE(shell.delegate.retryingTap());
    EXPECT_EQ(shell.sim().buttonListeners(), 0);
    // Now only button 2 is swallowed, with exactly one down and one up.
    const size_t delivered = shell.sim().deliveredClicks().size();
    EXPECT_FALSE(shell.sim().sendOtherButton(Type::Down));
    EXPECT_FALSE(shell.sim().sendOtherButton(Type::Dragged));
    shell.desktop.queues().runMain();
    EXPECT_EQ(shell.delegate.ring().mode(), RingController::Mode::Holding);
    EXPECT_EQ(shell.openings, 2);
    EXPECT_TRUE(shell.sim().sendOtherButton(Type::Up, 3));
    EXPECT_EQ(shell.sim().deliveredClicks().size(), delivered + 1);
    // Withdrawing the permission never downgrades the filter.
    shell.sim().setTrusted(false);
    shell.set(Settings::ringStyleKey, "orbit");
    EXPECT_NE(shell.delegate.middleClickTap(), nullptr);
    // Off removes everything; on again without permission starts the fallback and its retry.
    shell.set(Settings::middleClickKey, false);
    EXPECT_EQ(shell.sim().buttonFilters(), 0);
    EXPECT_EQ(shell.sim().buttonListeners(), 0);
    EXPECT_FALSE(shell.delegate.retryingTap());
    shell.set(Settings::middleClickKey, true);
    EXPECT_EQ(shell.sim().buttonListeners(), 1);
    EXPECT_TRUE(shell.delegate.retryingTap());
}

TEST(AppDelegate, DockFollowsTheSettingAndIsGivenBackOnQuit) {
    Shell shell;
    Preferences& prefs = shell.prefs();
    prefs.setValue(Preferences::appDomain, Settings::hideDockKey, true);
    shell.launch();
    EXPECT_TRUE(DockHider::isHidden(prefs));
    EXPECT_EQ(shell.count("restart-dock"), 1);
    // Preference writes that change nothing touch nothing.
    const MiddleClickTap* tap = shell.delegate.middleClickTap();
    const HotKey* hotKey = shell.delegate.hotKey();
    shell.sim().clearActions();
    shell.set(Settings::ringStyleKey, "quib");
    shell.set(Settings::hideDockKey, true);
    shell.set(Settings::middleClickKey, true);
    shell.set(Shortcut::standard());
    EXPECT_TRUE(shell.sim().actions().empty());
    EXPECT_EQ(shell.delegate.middleClickTap(), tap);
    EXPECT_EQ(shell.delegate.hotKey(), hotKey);

    shell.set(Settings::hideDockKey, false);
    EXPECT_FALSE(DockHider::isHidden(prefs));
    EXPECT_EQ(shell.count("restart-dock"), 1);
    shell.set(Settings::hideDockKey, true);
    EXPECT_EQ(shell.count("restart-dock"), 2);
    ASSERT_TRUE(shell.sim().chooseStatusMenuItem("Quit Tandri"));
    EXPECT_EQ(shell.quits, 1);
    EXPECT_FALSE(DockHider::isHidden(prefs));
    // The user had no auto-hide setting: none is left behind.
    EXPECT_TRUE(prefs.storedValue(DockHider::domain, "autohide").isUndefined());
    EXPECT_EQ(shell.count("restart-dock"), 3);
    // The session ending after the Quit item changes nothing more.
    shell.delegate.applicationWillTerminate();
    EXPECT_EQ(shell.count("restart-dock"), 3);
    // The setting stays on for the next launch.
    EXPECT_TRUE(Settings::hideDock(prefs));
}

TEST(AppDelegate, ConflictItemsAppearOnceHoweverOftenTheMenuOpens) {
    Shell shell;
    Shortcut{49, Shortcut::command, "⌘Space"}.save(shell.prefs());
    shell.launch();

    shell.menu();
    const Lines lines = shell.menu();
    ASSERT_EQ(lines.size(), standardMenu.size() + 3);
    EXPECT_EQ(lines[0], "⌘Space may also open Spotlight. (disabled)");
    EXPECT_EQ(lines[1], "Choose Another Shortcut…");
    EXPECT_EQ(lines[2], "—");
    EXPECT_EQ(lines[3], "Hold ⌘Space, flick to an app, release (disabled)");

    ASSERT_TRUE(shell.sim().chooseStatusMenuItem("Choose Another Shortcut…"));
    EXPECT_EQ(shell.settings.requests, std::vector<SettingsTab>{SettingsTab::General});
    // A shortcut nobody else uses: the warning goes.
    shell.set(controlOptionK);
    EXPECT_EQ(shell.menu().size(), standardMenu.size());
}

// While a shortcut is recorded the program lets go of its keys; a recording another program
// holds gives back the user's own shortcut, never the standard one.
TEST(AppDelegate, RecordingAShortcutHoldsTheKeysBackAndATakenOneGivesTheUsersOwnBack) {
    Shell shell(R"({"takenShortcuts": [[40, 256]]})");
    controlOptionK.save(shell.prefs());
    shell.launch();
    ASSERT_EQ(shell.delegate.registered(), controlOptionK);
    {
        ShortcutRecorder recorder(shell.desktop.platform());
        for (int attempt = 0; attempt < 2; ++attempt) {
            SCOPED_TRACE(attempt);
            recorder.start();
            EXPECT_TRUE(shell.delegate.recordingShortcut());
            EXPECT_TRUE(shell.sim().grabbedKeys().empty());
            EXPECT_FALSE(shell.sim().pressKeys(40, 6144));
            shell.sim().typeKey(KeyEvent{40, KeyEvent::commandFlag, "k"});
            EXPECT_FALSE(recorder.isRecording());
            EXPECT_EQ(shell.sim().grabbedKeys(), (std::vector<Pair>{{40, 6144}}));
            shell.settle();
            EXPECT_EQ(shell.delegate.registered(), controlOptionK);
            EXPECT_EQ(Shortcut::current(shell.prefs()), controlOptionK);
            EXPECT_EQ(recorder.shortcut(), controlOptionK);
            EXPECT_EQ(recorder.message(), "⌘K is taken by another app.");
            // Nothing is refused in this run, so the status menu has no warning to give.
            EXPECT_FALSE(shell.delegate.refused());
            EXPECT_EQ(shell.menu()[0], "Hold ⌃⌥K, flick to an app, release (disabled)");
        }

        // A free recording afterwards is kept as usual.
        recorder.start();
        shell.sim().typeKey(KeyEvent{40, KeyEvent::controlFlag, "k"});
        shell.settle();
        EXPECT_EQ(Shortcut::current(shell.prefs()).label, "⌃K");
        EXPECT_EQ(shell.sim().grabbedKeys(), (std::vector<Pair>{{40, 4096}}));
        // Closing the window mid-recording does not leave the program without its keys.
        recorder.start();
        EXPECT_TRUE(shell.sim().grabbedKeys().empty());
    }
    EXPECT_FALSE(shell.delegate.recordingShortcut());
    EXPECT_EQ(shell.sim().grabbedKeys(), (std::vector<Pair>{{40, 4096}}));
    // A notification without a boolean counts as "not recording".
    shell.desktop.notifications().post(Shortcut::recordingNotification, QStringLiteral("yes"));
    EXPECT_FALSE(shell.delegate.recordingShortcut());
}

// The first start, then a later one handed to the program as it runs, with the same arguments: a
// later start that asks for nothing opens Settings; the demo opens the ring.
TEST(AppDelegate, StartsOpenWhatTheyAskFor) {
    using Tabs = std::vector<SettingsTab>;
    using Steps = std::vector<std::optional<int>>;
    const struct {
        QStringList arguments;
        Tabs settings;
        Steps welcome;  // the finished guide opens anyway when asked for
    } cases[] = {
        {{}, {}, {}},
        {{"--settings", "look", "--onboarding", "2"}, {SettingsTab::Look}, {2}},
        {{"--settings", "windows"}, {SettingsTab::Windows}, {}},
        {{"--onboarding", "--settings"}, {SettingsTab::General}, {std::nullopt}},
        {{"--settings", "colours", "--onboarding"}, {SettingsTab::General}, {0}},
        {{"--onboarding", "2", "--settings"}, {SettingsTab::General}, {2}},
        {{"--demo"}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const bool demo = c.arguments.contains("--demo");
        Shell first;
        first.launch(c.arguments);
        EXPECT_EQ(first.settings.requests, c.settings);
        EXPECT_EQ(first.welcome.requests, c.welcome);
        first.desktop.clock().advance(0.45);
        EXPECT_EQ(first.delegate.ring().mode(), RingController::Mode::Hidden);
        first.desktop.clock().advance(0.05);
        EXPECT_EQ(first.delegate.ring().mode() == RingController::Mode::Sticky, demo);

        Shell later;
        later.launch();
        later.delegate.launchedAgain(LaunchOptions::parse(c.arguments));
        later.settle();
        EXPECT_EQ(later.settings.requests,
                  c.arguments.isEmpty() ? Tabs{SettingsTab::General} : c.settings);
        EXPECT_EQ(later.welcome.requests, c.welcome);
        EXPECT_EQ(later.delegate.ring().mode() == RingController::Mode::Sticky, demo);
    }
    // A start that comes while the program quits opens nothing.
    Shell shell;
    shell.launch();
    shell.delegate.terminate();
    shell.delegate.launchedAgain(LaunchOptions::parse({}));
    EXPECT_TRUE(shell.settings.requests.empty());
}

TEST(LaunchOptions, OnboardingStepsAndSettingsTabs) {
    EXPECT_EQ(LaunchOptions::parse({"--onboarding", "+3"}).onboardingStep, 3);
    EXPECT_EQ(LaunchOptions::parse({"--onboarding", "-1"}).onboardingStep, -1);
    EXPECT_FALSE(LaunchOptions::parse({"--onboarding", "3x"}).onboardingStep);
    EXPECT_FALSE(LaunchOptions::parse({"--onboarding", "99999999999"}).onboardingStep);
    EXPECT_FALSE(LaunchOptions::parse({"--onboarding", "--demo"}).onboardingStep);
    EXPECT_TRUE(LaunchOptions::parse({"--onboarding", "--demo"}).demo);
    EXPECT_FALSE(LaunchOptions::parse({}).onboarding);
    EXPECT_FALSE(LaunchOptions::parse({}).settings);
    EXPECT_EQ(LaunchOptions::parse({"--settings", "apps"}).settings, SettingsTab::Apps);
    EXPECT_EQ(LaunchOptions::parse({"--settings", "Apps"}).settings, SettingsTab::General);
}

}  // namespace
}  // namespace tandri::test
