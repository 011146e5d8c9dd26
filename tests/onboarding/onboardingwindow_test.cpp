// SPDX-License-Identifier: MIT
#include "onboarding/onboardingwindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QLabel>
#include <QWidget>
#include <algorithm>

#include "app/appdelegate.h"
#include "app/launchoptions.h"
#include "onboarding/flickdemo.h"
#include "onboarding/onboardingview.h"
#include "onboarding/trystep.h"
#include "platform/common/linuxsystem.h"
#include "platform/common/linuxvocabulary.h"
#include "platform/notifications.h"
#include "platform/preferences.h"
#include "prefs/appset.h"
#include "prefs/settings.h"
#include "ring/ringcontroller.h"
#include "settings/permissionwatch.h"
#include "settings/settingspresenter.h"
#include "support/fakesettingswindow.h"
#include "support/testdesktop.h"
#include "triggers/shortcut.h"

namespace tandri::test {
namespace {

const QString domain = Preferences::appDomain;
const QString& doneKey = OnboardingWindow::doneKey;
const QString& stepKey = OnboardingWindow::stepKey;

/// The guide on a simulated desktop of two apps, in the desktop's own words unless others are
/// given.
class Guide {
public:
    explicit Guide(const ServiceOverrides& with = {})
        : desktop(R"({"apps": [{"pid": 10, "name": "Notes"}, {"pid": 11, "name": "Mail"}]})"),
          platform(replacing(desktop.platform(), with)),
          guide(platform) {
        guide.endProgram = [this] {
            ++ends;
        };
    }

    Preferences& prefs() { return desktop.preferences(); }
    QWidget* find(const QString& name) const {
        return guide.window() ? guide.window()->findChild<QWidget*>(name) : nullptr;
    }
    template <typename T>
    T* find(const QString& name) const {
        return qobject_cast<T*>(find(name));
    }
    void click(const QString& name) {
        auto* button = find<QAbstractButton>(name);
        ASSERT_TRUE(button) << name.toStdString();
        button->click();
    }
    /// What a control reads; empty for none.
    QString text(const QString& name) const {
        if (auto* label = find<QLabel>(name))
            return label->text();
        if (auto* button = find<QAbstractButton>(name))
            return button->text();
        return {};
    }
    /// Present and not hidden on its page.
    bool shown(const QString& name) const {
        const QWidget* widget = find(name);
        return widget && widget->isVisibleTo(guide.window());
    }
    int step() const { return guide.view() ? guide.view()->step() : -1; }
    QString symbol(const QString& name) const {
        const QWidget* mark = find(name);
        return mark ? mark->accessibleName() : QString();
    }

    TestDesktop desktop;
    Platform platform;
    OnboardingWindow guide;
    int ends = 0;
};

TEST(OnboardingWindow, OpensAtTheAskedOrStoredPageWithinTheFour) {
    const struct {
        std::optional<qint64> stored;
        std::optional<int> asked;
        int step;
    } cases[] = {{std::nullopt, std::nullopt, 0},
                 {7, std::nullopt, 3},
                 {-1, std::nullopt, 0},
                 {2, std::nullopt, 2},
                 {0, 7, 3},
                 {3, -1, 0},
                 {3, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored.value_or(-99) << " " << c.asked.value_or(-99));
        Guide g;
        if (c.stored)
            g.prefs().setValue(domain, stepKey, double(*c.stored));
        g.guide.show(c.asked);
        ASSERT_TRUE(g.guide.window());
        EXPECT_EQ(g.step(), c.step);
        EXPECT_EQ(g.shown("back"), c.step > 0);
    }

    // One window: asking again brings it forward where it is.
    Guide g;
    g.guide.show(1);
    QWidget* window = g.guide.window();
    EXPECT_EQ(window->windowTitle(), "Welcome to Tandri");
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->isVisible());
    g.guide.show(3);
    EXPECT_EQ(g.guide.window(), window);
    EXPECT_EQ(g.step(), 1);
    EXPECT_FALSE(g.find("warning")) << "no shortcut shared, no warning";
    // Back and on.
    g.click("back");
    EXPECT_EQ(g.step(), 0);
    for (int step : {1, 2, 3}) {
        g.click("primary");
        EXPECT_EQ(g.step(), step);
    }
    EXPECT_FALSE(g.prefs().boolValue(domain, doneKey));
}

TEST(OnboardingWindow, DoneOnlyWhenTheUserClosesIt) {
    // Done on the last page is the user's close: finished, and the page forgotten. Once the
    // application has said it quits, not even Done finishes it.
    for (bool quitting : {false, true}) {
        SCOPED_TRACE(quitting);
        Guide g;
        g.prefs().setValue(domain, stepKey, 3);
        g.guide.show(std::nullopt);
        EXPECT_FALSE(g.guide.isDone());
        if (quitting) {
            ASSERT_TRUE(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit",
                                                  Qt::DirectConnection));
        }
        g.click("primary");
        EXPECT_EQ(g.guide.window(), nullptr);
        EXPECT_EQ(g.guide.isDone(), !quitting);
        EXPECT_EQ(g.prefs().storedValue(domain, stepKey).toInteger(-1), quitting ? 3 : -1);
        if (quitting)
            continue;
        // Shown again from the menu, it is a fresh window.
        g.guide.show(0);
        ASSERT_TRUE(g.guide.window());
        EXPECT_EQ(g.step(), 0);
    }

    // Closed by the program's code before the application says so (windows closed while it
    // ends): still not the user's doing.
    Guide g;
    g.guide.show(2);
    g.guide.window()->close();
    EXPECT_EQ(g.guide.window(), nullptr);
    EXPECT_FALSE(g.guide.isDone());
}

/// A system whose fresh start cannot be arranged.
class NoRelaunch : public LinuxSystem {
public:
    NoRelaunch() : LinuxSystem(QDBusConnection(QStringLiteral("tandri-no-bus"))) {}
    bool relaunchAfterQuit() override {
        ++asked;
        return false;
    }
    void log(const QString& line) override { lines.push_back(line); }
    int asked = 0;
    std::vector<QString> lines;
};

/// The first start of the program on a Linux desktop with the window manager's `bindings`,
/// where other programs hold the combinations `taken`: the delegate registers the hot key and
/// shows the guide, as the process entry has them do.
struct FirstStart {
    FirstStart(std::vector<SystemShortcut> bindings, const std::vector<Shortcut>& taken)
        : g({.system = &system, .vocabulary = &words}), delegate(g.platform, settings, g.guide) {
        system.systemShortcuts = [bindings] {
            return bindings;
        };
        for (const Shortcut& shortcut : taken)
            g.desktop.sim().setShortcutTaken(shortcut.keyCode, shortcut.modifiers, true);
        delegate.applicationDidFinishLaunching(LaunchOptions::parse({}));
    }
    bool nothingStored() {
        return g.prefs().storedValue(domain, Shortcut::labelKey).isUndefined() &&
               g.prefs().storedValue(domain, Shortcut::keyCodeKey).isUndefined();
    }

    LinuxVocabulary words;
    NoRelaunch system;
    Guide g;
    FakeSettingsWindow settings;
    AppDelegate delegate;
};

const Shortcut superSpace{49, Shortcut::command, "⌘Space"};
const Shortcut ctrlAltSpace{49, Shortcut::control | Shortcut::option, "⌃⌥Space"};
const Shortcut altGrave{50, Shortcut::option, "⌥`"};
const SystemShortcut windowMenu{1, "openbox's window menu", 49, Shortcut::option, true};

TEST(OnboardingWindow, ATakenStandardShortcutIsNamedWithAFreeOneToTake) {
    const Shortcut altSpace = Shortcut::standard();
    const SystemShortcut runner{2, "KRunner", 49, Shortcut::option, true};
    const SystemShortcut inputSource{3, "the next input source", 49, Shortcut::command, true};
    const QString either = " The middle mouse button opens the ring either way.";
    const QString noneFree =
        "None of Super+Space, Ctrl+Alt+Space or Alt+` is free here either: "
        "choose your own shortcut at the end of this guide.";
    // The offer names who holds the standard shortcut and the first of the others that is free;
    // a null holder: no offer.
    const struct {
        std::vector<SystemShortcut> bindings;
        std::vector<Shortcut> taken;
        const char* holder;
        const char* free;  // null: none is
    } cases[] = {
        {{windowMenu}, {altSpace}, "openbox's window menu", "Super+Space"},
        {{windowMenu, runner}, {altSpace}, "openbox's window menu and KRunner", "Super+Space"},
        {{}, {altSpace}, "another program", "Super+Space"},
        {{windowMenu}, {altSpace, superSpace}, "openbox's window menu", "Ctrl+Alt+Space"},
        // The first candidate is bound, though not grabbed.
        {{windowMenu, inputSource}, {altSpace}, "openbox's window menu", "Ctrl+Alt+Space"},
        {{}, {altSpace, superSpace, ctrlAltSpace}, "another program", "Alt+`"},
        {{windowMenu},
         {altSpace, superSpace, ctrlAltSpace, altGrave},
         "openbox's window menu",
         nullptr},
        // Bound but not held; and free, while another candidate is held.
        {{windowMenu}, {}, nullptr, nullptr},
        {{}, {superSpace}, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << &c - cases);
        FirstStart start(c.bindings, c.taken);
        Guide& g = start.g;
        const QString text =
            "Alt+Space is held by " + QString::fromUtf8(c.holder) + ". " +
            (c.free ? QString::fromUtf8(c.free) + " is free on this desktop." : noneFree);
        ASSERT_EQ(g.step(), 0);
        // The welcome page and the try-it page say the same.
        for (int step : {0, 1}) {
            g.guide.view()->setStep(step);
            EXPECT_EQ(g.shown("shortcutOffer"), c.holder != nullptr) << step;
            if (!c.holder)
                continue;
            EXPECT_EQ(g.text("offerText"), text + either);
            EXPECT_EQ(g.text("offerButton"),
                      c.free ? "Use " + QString::fromUtf8(c.free) : "Choose a Shortcut…");
            // Known to be held: not the warning that it may be shared.
            EXPECT_FALSE(g.find("warning"));
        }
        EXPECT_TRUE(start.nothingStored());
        EXPECT_EQ(start.delegate.hotKey() != nullptr, c.holder == nullptr);
        // The middle button is the way in meanwhile; the sentence goes with the setting.
        if (c.holder) {
            g.prefs().setValue(domain, Settings::middleClickKey, false);
            EXPECT_EQ(g.text("offerText"), text);
        }
    }

    // Without a free one, the button leads to the guide's own recorder.
    FirstStart none({windowMenu}, {Shortcut::standard(), superSpace, ctrlAltSpace, altGrave});
    none.g.click("offerButton");
    none.g.desktop.queues().runMain();
    EXPECT_EQ(none.g.step(), 3);
    EXPECT_TRUE(none.g.shown("shortcut"));
    EXPECT_TRUE(none.nothingStored());
}

TEST(OnboardingWindow, TheOfferedShortcutIsStoredByItsClickAndOpensTheRing) {
    FirstStart start({windowMenu}, {Shortcut::standard()});
    Guide& g = start.g;
    EXPECT_FALSE(start.delegate.hotKey());
    // Going through the pages and back stores nothing.
    g.click("primary");
    g.click("back");
    g.desktop.queues().runMain();
    EXPECT_TRUE(start.nothingStored());

    g.click("offerButton");
    EXPECT_EQ(Shortcut::current(g.prefs()), superSpace);
    EXPECT_EQ(g.text("offerText"), "Super+Space is your shortcut now.");
    EXPECT_FALSE(g.shown("offerButton"));
    EXPECT_TRUE(g.text("hold").startsWith("Hold <b>Super+Space</b> wherever"));
    g.desktop.queues().runMain();
    ASSERT_TRUE(start.delegate.hotKey());
    EXPECT_EQ(start.delegate.registered(), superSpace);
    EXPECT_TRUE(g.desktop.sim().pressKeys(superSpace.keyCode, superSpace.modifiers));
    EXPECT_TRUE(g.desktop.sim().releaseKeys(superSpace.keyCode, superSpace.modifiers));
    EXPECT_TRUE(start.delegate.middleClickOn());
    // The try-it page asks for the new keys, and offers nothing more.
    g.click("primary");
    EXPECT_EQ(g.text("tryOpenText"), "Hold Super+Space. The ring appears around your cursor.");
    EXPECT_TRUE(g.text("tryKeepOpenText").startsWith("Tap Super+Space instead"));
    EXPECT_FALSE(g.find("shortcutOffer"));
    // Taken on the try-it page, its rows follow at once.
    FirstStart later({windowMenu}, {Shortcut::standard()});
    later.g.click("primary");
    EXPECT_EQ(later.g.text("tryOpenText"), "Hold Alt+Space. The ring appears around your cursor.");
    later.g.click("offerButton");
    EXPECT_EQ(later.g.text("tryOpenText"),
              "Hold Super+Space. The ring appears around your cursor.");
}

TEST(OnboardingWindow, RelaunchRemembersThePermissionsPageAndEnds) {
    // A restart that cannot be arranged says so, and the program ends all the same.
    for (bool arranged : {true, false}) {
        SCOPED_TRACE(arranged);
        NoRelaunch refusing;
        Guide g(arranged ? ServiceOverrides{} : ServiceOverrides{.system = &refusing});
        g.guide.show(2);
        g.desktop.sim().clearActions();
        g.guide.relaunch();
        const auto actions = g.desktop.sim().actions();
        EXPECT_EQ(std::count(actions.begin(), actions.end(), "relaunch"), arranged ? 1 : 0);
        EXPECT_EQ(refusing.asked, arranged ? 0 : 1);
        EXPECT_EQ(refusing.lines.size(), arranged ? 0u : 1u);
        for (const QString& line : refusing.lines)
            EXPECT_TRUE(line.contains("could not arrange to start again")) << line.toStdString();
        EXPECT_EQ(g.ends, 1);
        // The window closed on the way out does not finish the guide.
        g.guide.window()->close();
        EXPECT_FALSE(g.guide.isDone());
        EXPECT_EQ(g.prefs().integerValue(domain, stepKey), 2);
    }
}

// With a shortcut another program may share: the warning, and the rows that tick as the ring is
// really used.
TEST(OnboardingWindow, TryItWarnsOfASharedShortcutAndItsRowsAreTickedByTheRing) {
    Guide g;
    Shortcut{49, Shortcut::command, "⌘Space"}.save(g.prefs());
    std::vector<QVariant> asked;
    const auto observation = g.desktop.notifications().observe(
        SettingsPresenter::openNotification, [&](const QVariant& tab) { asked.push_back(tab); });
    g.guide.show(1);
    EXPECT_EQ(g.text("warning"),
              "⌘Space may also open Spotlight. If the ring doesn't open, choose another shortcut, "
              "or use the middle mouse button.");
    EXPECT_EQ(g.text("tryOpenText"), "Hold ⌘Space. The ring appears around your cursor.");
    g.click("chooseShortcut");
    EXPECT_EQ(asked, (std::vector<QVariant>{QStringLiteral("general")}));

    auto* page = dynamic_cast<TryItStep*>(g.guide.view()->page());
    ASSERT_TRUE(page);
    const auto marks = [&] {
        return QStringList{g.symbol("tryOpenMark"), g.symbol("trySwitchMark"),
                           g.symbol("tryKeepOpenMark")}
            .join(' ')
            .replace("checkmark.circle.fill", "done");
    };
    EXPECT_EQ(marks(), "circle circle circle");
    Notifications& notifications = g.desktop.notifications();
    // A held opening opens, but does not keep the ring open.
    notifications.post(RingController::openedNotification, false);
    EXPECT_EQ(marks(), "done circle circle");
    notifications.post(RingController::openedNotification, QVariant());
    notifications.post(RingController::openedNotification, QStringLiteral("true"));
    EXPECT_EQ(marks(), "done circle circle");
    notifications.post(RingController::pickedNotification);
    EXPECT_EQ(marks(), "done done circle");
    notifications.post(RingController::openedNotification, true);
    EXPECT_EQ(marks(), "done done done");
    EXPECT_TRUE(page->done(TryItStep::KeepOpen));
}

TEST(OnboardingWindow, PermissionRowsFollowTheSystemWithinASecond) {
    Guide g;
    g.desktop.sim().setTrusted(false);
    g.guide.show(2);
    // A row: its mark, then what shows of the button that asks and of the word that it is allowed.
    const auto row = [&](const QString& name) {
        if (!g.shown(name))
            return QStringLiteral("hidden");
        return g.symbol(name + "Mark") + (g.shown(name + "Allow") ? " Allow…" : "") +
               (g.shown(name + "Allowed") ? " Allowed" : "");
    };
    // Thumbnails are off: no screen-recording row.
    EXPECT_EQ(row("accessibility") + " | " + row("screenRecording"), "lock.fill Allow… | hidden");
    g.desktop.sim().setTrusted(true);
    g.desktop.clock().advance(PermissionWatch::interval);
    EXPECT_EQ(row("accessibility"), "checkmark.circle.fill Allowed");

    g.click("thumbnails");
    EXPECT_TRUE(g.prefs().boolValue(domain, Settings::thumbnailsKey));
    EXPECT_EQ(row("screenRecording"), "lock.fill Allow…");
    g.desktop.sim().setScreenCapture(true);
    g.desktop.clock().advance(PermissionWatch::interval);
    EXPECT_EQ(row("screenRecording"), "checkmark.circle.fill Allowed");
    // What the process can use agrees with what the system reports: no restart offered.
    EXPECT_FALSE(g.shown("restartOffer"));
    // Turned off elsewhere (the Settings window), the switch follows.
    g.prefs().setValue(domain, Settings::thumbnailsKey, false);
    g.desktop.queues().runMain();
    EXPECT_FALSE(g.find<QAbstractButton>("thumbnails")->isChecked());
    EXPECT_FALSE(g.shown("screenRecording"));
    // Once the page is left, nothing is read any more.
    g.click("primary");
    EXPECT_FALSE(g.find("accessibility"));
}

TEST(OnboardingWindow, SetUpChoicesAreStoredAtOnce) {
    Guide g;
    g.guide.show(3);
    auto* apps = g.find<QComboBox>("apps");
    ASSERT_TRUE(apps);
    ASSERT_EQ(apps->count(), int(allAppSets.size()));
    EXPECT_EQ(apps->currentText(),
              title(Settings::appSet(g.prefs()), g.desktop.platform().vocabulary));
    apps->setCurrentIndex(2);
    Q_EMIT apps->activated(2);
    EXPECT_EQ(Settings::appSet(g.prefs()), AppSet::OpenOnly);

    const bool middle = Settings::middleClick(g.prefs());
    g.click("middleClick");
    EXPECT_EQ(Settings::middleClick(g.prefs()), !middle);
    g.click("hideDock");
    EXPECT_TRUE(Settings::hideDock(g.prefs()));
    // Changed elsewhere, shown here.
    g.prefs().setValue(domain, Settings::appSetKey, rawValue(AppSet::PinnedAndOpen));
    g.prefs().setValue(domain, Settings::hideDockKey, false);
    g.desktop.queues().runMain();
    EXPECT_EQ(apps->currentText(), title(AppSet::PinnedAndOpen, g.desktop.platform().vocabulary));
    EXPECT_FALSE(g.find<QAbstractButton>("hideDock")->isChecked());
    // The shortcut control records.
    g.click("shortcut");
    EXPECT_EQ(g.text("shortcut"), "Press keys…");
    EXPECT_TRUE(g.desktop.sim().typeKey(KeyEvent{40, KeyEvent::commandFlag, "k"}));
    EXPECT_EQ(Shortcut::current(g.prefs()).label, "⌘K");
    EXPECT_EQ(g.text("shortcut"), "⌘K");
    EXPECT_EQ(g.text("shortcutHint"), "Hold ⌘K");
}

TEST(OnboardingWindow, TheDemoAsksForFramesOnlyWhileSeen) {
    Guide g;
    g.guide.show(0);
    // FlickDemo has no meta-object of its own: found by name.
    auto* demo = dynamic_cast<FlickDemo*>(g.find("flickDemo"));
    ASSERT_TRUE(demo);
    EXPECT_TRUE(demo->animating());
    g.guide.window()->hide();
    EXPECT_FALSE(demo->animating());
    g.guide.show(std::nullopt);
    EXPECT_TRUE(demo->animating());
    g.click("primary");
    EXPECT_FALSE(g.find("flickDemo"));
}

TEST(OnboardingWindow, EveryPageReadsInTheWordsOfItsDesktop) {
    LinuxVocabulary linuxWords;
    NoRelaunch linuxSystem;
    // Control, then its text here and on Linux; null where the control is absent, `same` where
    // Linux reads it alike.
    const char* const same = "=";
    const struct {
        int step;
        const char* name;
        const char* here;
        const char* onLinux;
    } rows[] = {
        {0, "subtitle", "Your Dock, at your cursor.", "Your apps, at your cursor."},
        {0, "hold",
         "Hold <b>⌥Space</b> wherever your cursor is: your apps appear in a ring around it. Flick "
         "toward one and let go to switch to it.",
         "Hold <b>Alt+Space</b> wherever your cursor is: your apps appear in a ring around it. "
         "Flick toward one and let go to switch to it."},
        {0, "livesIn", "Tandri lives in the menu bar:", "Tandri lives in the system tray:"},
        {0, "primary", "Get Started", same},
        {1, "tryOpenText", "Hold ⌥Space. The ring appears around your cursor.",
         "Hold Alt+Space. The ring appears around your cursor."},
        {1, "tryKeepOpenText",
         "Tap ⌥Space instead of holding. The ring stays until you click an app, press Esc or "
         "click away.",
         "Tap Alt+Space instead of holding. The ring stays until you click an app, press Esc or "
         "click away."},
        {1, "more",
         "More to discover: reach an app with a badge to see its windows, right-click an app for "
         "Hide and Quit, drop files on an app to open them, and press ⌘, in the ring for "
         "Settings.",
         "More to discover: reach an app with a badge to see its windows, right-click an app for "
         "Hide and Quit, drop files on an app to open them, and press Ctrl+, in the ring for "
         "Settings."},
        {1, "primary", "Continue", same},
        {2, "intro",
         "Tandri works without these, but they unlock the best parts. macOS asks for each one "
         "once.",
         "Tandri works without these, but they unlock the best parts."},
        {2, "accessibilityAllow", "Allow…", nullptr},
        {2, "accessibilityHelp", nullptr,
         "Comes with any window manager that lists its windows; the one running does not."},
        {2, "accessibilityAllowed", "Allowed", same},
        {2, "screenRecordingText",
         "Captures the window thumbnails. macOS may ask now and then whether Tandri can keep "
         "doing so.",
         "Captures the window thumbnails."},
        {2, "restartQuestion", "Allowed it in System Settings?", "Allowed it just now?"},
        {3, "hideDock", "Hide the macOS Dock", nullptr},
        {3, "hideDockNote",
         "Keeps the Dock out of sight so Tandri can take its place. Turning this off, or quitting "
         "Tandri, puts it back as it was.",
         nullptr},
        {3, "shortcut", "⌥Space", "Alt+Space"},
        {3, "shortcutHint", "Hold ⌥Space", "Hold Alt+Space"},
        {3, "footer",
         "All of this is in Settings too (menu bar icon → Settings…, or ⌘, in the ring).",
         "All of this is in Settings too (system tray icon → Settings…, or Ctrl+, in the ring)."},
        {3, "primary", "Done", same},
    };
    Guide here;
    Guide onLinux({.system = &linuxSystem, .vocabulary = &linuxWords});
    for (Guide* g : {&here, &onLinux}) {
        g->desktop.sim().setTrusted(false);
        g->guide.show(0);
    }
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.step << " " << row.name);
        for (Guide* g : {&here, &onLinux}) {
            g->guide.view()->setStep(row.step);
            const char* expected = g == &here || row.onLinux == same ? row.here : row.onLinux;
            EXPECT_EQ(g->find(row.name) != nullptr, expected != nullptr);
            if (expected) {
                EXPECT_EQ(g->text(row.name), QString::fromUtf8(expected));
            }
        }
    }
    // Where the system asks, a button asks; where it cannot, the reason shows instead.
    onLinux.guide.view()->setStep(2);
    EXPECT_TRUE(onLinux.shown("accessibilityHelp"));
}

}  // namespace
}  // namespace tandri::test
