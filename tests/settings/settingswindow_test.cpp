// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>

#include "catalogue/appsource.h"
#include "catalogue/dockjson.h"
#include "catalogue/pinnedapps.h"
#include "platform/common/linuxsystem.h"
#include "platform/common/linuxvocabulary.h"
#include "platform/common/xdgautostart.h"
#include "platform/preferences.h"
#include "prefs/settings.h"
#include "settings/appstab.h"
#include "settings/loginitemtoggle.h"
#include "settings/permissionrow.h"
#include "settings/pinnedlist.h"
#include "settings/settingsview.h"
#include "settings/settingswindow.h"
#include "support/testdesktop.h"
#include "triggers/shortcut.h"

namespace tandri::test {
namespace {

/// A Settings window on a simulated desktop, and the means to find its controls.
struct Window {
    explicit Window(const QByteArray& desktopJson = "{}") : desktop(desktopJson) {}
    explicit Window(const ServiceOverrides& overrides)
        : platform(std::make_unique<Platform>(replacing(desktop.platform(), overrides))) {}

    Platform& services() { return platform ? *platform : desktop.platform(); }
    SettingsView& open(SettingsTab tab) {
        window.show(tab);
        return *window.view();
    }
    template <typename Control>
    Control* find(const char* name) {
        auto* control = window.view()->findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QJsonValue stored(const QString& key) {
        return desktop.preferences().storedValue(Preferences::appDomain, key);
    }
    void choose(const char* picker, int index) {
        QComboBox* box = find<QComboBox>(picker);
        box->setCurrentIndex(index);
        box->activated(index);
    }
    /// Lets queued work and posted events run: rows rebuilt after a click, the view's teardown.
    void settle() {
        desktop.queues().runMain();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    TestDesktop desktop;
    std::unique_ptr<Platform> platform;
    SettingsWindow window{services()};
};

// Whether the control shows on its tab: neither it nor a group around it is hidden.
bool shown(const QWidget* control) {
    for (; control && !SettingsTabs::fromRawValue(control->objectName());
         control = control->parentWidget()) {
        if (control->isHidden())
            return false;
    }
    return control != nullptr;
}

TEST(SettingsWindow, OneWindowFollowsTheTabAndIsBuiltAfreshAfterClosing) {
    Window w;
    SettingsView* view = &w.open(SettingsTab::Look);
    EXPECT_EQ(view->windowTitle(), "Tandri Settings");
    EXPECT_EQ(view->size(), QSize(490, 480));
    EXPECT_EQ(view->currentTab(), SettingsTab::Look);
    QStringList titles;
    for (int i = 0; i < view->count(); ++i) titles << view->tabText(i);
    EXPECT_EQ(titles, (QStringList{"General", "Apps", "Look", "Windows"}));
    // Asked again while open: the same window, on the new tab.
    EXPECT_EQ(&w.open(SettingsTab::Windows), view);
    EXPECT_EQ(view->currentTab(), SettingsTab::Windows);
    EXPECT_TRUE(view->isVisible());
    // A tab the user picks is the one the next request starts from.
    view->setCurrentIndex(1);
    EXPECT_EQ(w.window.navigation().tab(), SettingsTab::Apps);

    const int reliefs = w.desktop.sim().memoryReliefs();
    w.window.close();
    EXPECT_NE(w.window.view(), nullptr) << "torn down on the next turn, not inside its own close";
    w.settle();
    EXPECT_EQ(w.window.view(), nullptr);
    w.desktop.clock().advance(SettingsWindow::reliefDelay - 0.1);
    EXPECT_EQ(w.desktop.sim().memoryReliefs(), reliefs);
    w.desktop.clock().advance(0.2);
    EXPECT_EQ(w.desktop.sim().memoryReliefs(), reliefs + 1);
    // A value changed while closed shows when the window opens again.
    w.desktop.preferences().setValue(Preferences::appDomain, Settings::ringStyleKey, "orbit");
    w.open(SettingsTab::Look);
    EXPECT_EQ(w.find<QComboBox>("style")->currentData().toString(), "orbit");
}

TEST(SettingsWindow, EveryControlWritesItsKeyAtOnce) {
    const struct {
        SettingsTab tab;
        const char* control;
        int choice;  // -1: a toggle, clicked
        QString key;
        QJsonValue written;
    } cases[] = {
        {SettingsTab::General, "middleClick", -1, Settings::middleClickKey, false},
        {SettingsTab::Apps, "appSet", 2, Settings::appSetKey, rawValue(AppSet::OpenOnly)},
        {SettingsTab::Apps, "places", -1, Settings::placesKey, false},
        {SettingsTab::Apps, "hideDock", -1, Settings::hideDockKey, true},
        {SettingsTab::Look, "style", 3, Settings::ringStyleKey, rawValue(RingStyle::Orbit)},
        {SettingsTab::Look, "outline", -1, Settings::accessibleOutlineKey, false},
        {SettingsTab::Windows, "windowLayout", 1, Settings::windowLayoutKey,
         rawValue(WindowLayout::Column)},
        {SettingsTab::Windows, "thumbnails", -1, Settings::thumbnailsKey, true},
    };
    for (const auto& c : cases) {
        Window w;
        Settings::registerDefaults(w.desktop.preferences());
        w.open(c.tab);
        if (c.choice < 0)
            w.find<QCheckBox>(c.control)->click();
        else
            w.choose(c.control, c.choice);
        EXPECT_EQ(w.stored(c.key), c.written) << c.control;
    }
}

TEST(SettingsWindow, TheBackgroundPickerFollowsTheLook) {
    Window w;
    w.open(SettingsTab::Look);
    QComboBox* background = w.find<QComboBox>("background");
    const auto pick = [&](RingStyle style) {
        w.choose("style", int(style));
    };
    const auto pickBackground = [&](RingBackground choice) {
        w.choose("background", background->findData(rawValue(choice)));
    };

    pick(RingStyle::Quib);
    EXPECT_TRUE(shown(background));
    pickBackground(RingBackground::Veil);
    pick(RingStyle::Aura);
    EXPECT_EQ(background->currentData().toString(), rawValue(standardBackground(RingStyle::Aura)));
    pickBackground(RingBackground::None);
    EXPECT_EQ(w.stored(Settings::backgroundKey(RingStyle::Quib)), "veil");
    EXPECT_EQ(w.stored(Settings::backgroundKey(RingStyle::Aura)), "none");
    EXPECT_EQ(w.find<QLabel>("backgroundDetail")->text(), detail(RingBackground::None));
    pick(RingStyle::Glass);
    EXPECT_FALSE(shown(background));
    EXPECT_EQ(w.find<QLabel>("styleDetail")->text(), detail(RingStyle::Glass));
}

TEST(SettingsWindow, ResetShowsOnlyForACustomShortcutWhileNotRecording) {
    Window w;
    w.open(SettingsTab::General);
    QPushButton* recorder = w.find<QPushButton>("recorder");
    QPushButton* reset = w.find<QPushButton>("reset");
    QLabel* note = w.find<QLabel>("shortcutNote");
    EXPECT_EQ(recorder->text(), "⌥Space");
    EXPECT_FALSE(shown(reset));
    EXPECT_TRUE(note->text().startsWith("Click, then press the new shortcut."));

    recorder->click();
    EXPECT_EQ(recorder->text(), "Press keys…");
    EXPECT_FALSE(shown(reset));
    w.desktop.sim().typeKey(KeyEvent{40, KeyEvent::controlFlag | KeyEvent::optionFlag, "k"});
    EXPECT_EQ(recorder->text(), "⌃⌥K");
    EXPECT_TRUE(shown(reset));

    recorder->click();
    EXPECT_FALSE(shown(reset)) << "hidden while recording, even for a custom shortcut";
    w.desktop.sim().typeKey(KeyEvent{0, KeyEvent::shiftFlag, "a"});
    EXPECT_EQ(note->text(), "Use ⌘, ⌃ or ⌥ with a key (or a function key on its own).");
    w.desktop.sim().typeKey(KeyEvent{53, 0, ""});
    EXPECT_TRUE(shown(reset));

    reset->click();
    EXPECT_FALSE(shown(reset));
    EXPECT_EQ(recorder->text(), "⌥Space");
    EXPECT_TRUE(w.stored(Shortcut::keyCodeKey).isUndefined());
}

TEST(SettingsWindow, ThePinnedListStartsFromTheDockOnceAndOutlivesItsSection) {
    Window w;
    Preferences& preferences = w.desktop.preferences();
    preferences.setValue(AppSource::dockDomain, "persistent-apps",
                         QJsonArray{appTile(fileURL("/Applications/Mail.app")),
                                    appTile(fileURL("/Applications/Notes.app"))});
    w.open(SettingsTab::Apps);
    QGroupBox* pinned = w.find<QGroupBox>("pinned");
    auto* list = w.find<PinnedList>("pinnedList");
    EXPECT_FALSE(shown(pinned));

    const int pinnedAndOpen = int(AppSet::PinnedAndOpen);
    w.choose("appSet", pinnedAndOpen);
    EXPECT_TRUE(shown(pinned));
    const QStringList fromDock{"/Applications/Mail.app", "/Applications/Notes.app"};
    EXPECT_EQ(list->paths(), fromDock);
    EXPECT_EQ(PinnedApps::paths(preferences), fromDock);
    EXPECT_EQ(list->item(0)->text(), "Mail");
    // Removing a row writes at once; the section's disappearance keeps the list.
    list->itemWidget(list->item(0))->findChild<QToolButton*>("remove")->click();
    w.settle();
    EXPECT_EQ(list->paths(), QStringList{"/Applications/Notes.app"});
    w.choose("appSet", int(AppSet::DockAndOpen));
    EXPECT_FALSE(shown(pinned));
    w.choose("appSet", pinnedAndOpen);
    EXPECT_EQ(PinnedApps::paths(preferences), QStringList{"/Applications/Notes.app"});

    w.find<AppsTab>("apps")->pin({"/Applications/Mail.app", "/Users/me/Projects"});
    EXPECT_EQ(list->paths(), (QStringList{"/Applications/Notes.app", "/Applications/Mail.app",
                                          "/Users/me/Projects"}));
    w.find<QPushButton>("importDock")->click();
    EXPECT_EQ(list->paths(), fromDock);
}

TEST(SettingsWindow, WindowsTabRowsFollowTheChoicesAndThePermissions) {
    Window w;
    w.open(SettingsTab::Windows);
    auto* accessibility = w.find<PermissionRow>("accessibilityRow");
    auto* capture = w.find<PermissionRow>("screenRecordingRow");
    QSlider* size = w.find<QSlider>("previewSize");
    EXPECT_TRUE(shown(accessibility));
    EXPECT_EQ(accessibility->text(), "Accessibility allowed");
    EXPECT_FALSE(shown(capture));
    EXPECT_FALSE(shown(size));
    // Granted or taken away elsewhere: the row follows within a second.
    w.desktop.sim().setTrusted(false);
    w.desktop.clock().advance(1.0);
    EXPECT_EQ(accessibility->text(),
              "Accessibility not allowed\nNeeded to list window titles and bring up one window.");
    EXPECT_TRUE(shown(accessibility->findChild<QPushButton*>("allow")));

    w.find<QCheckBox>("thumbnails")->click();
    EXPECT_TRUE(shown(capture));
    EXPECT_FALSE(capture->allowed());
    w.desktop.sim().setScreenCapture(true);
    w.desktop.clock().advance(1.0);
    EXPECT_TRUE(capture->allowed());
    EXPECT_FALSE(shown(size)) << "the preview is the column's";

    w.choose("windowLayout", int(WindowLayout::Column));
    EXPECT_TRUE(shown(size));
    size->setValue(333);
    EXPECT_EQ(size->value(), 340);
    EXPECT_EQ(w.stored(Settings::previewSizeKey), 340);
    EXPECT_EQ(w.find<QLabel>("previewSizeValue")->text(), "340 pt wide");

    w.choose("windowLayout", int(WindowLayout::Off));
    EXPECT_FALSE(shown(accessibility));
    EXPECT_FALSE(shown(capture));
    EXPECT_FALSE(shown(size));
}

TEST(SettingsWindow, OnLinuxTheTextsNameThisDesktop) {
    LinuxVocabulary linux;
    LinuxSystem system;
    Window w({.system = &system, .vocabulary = &linux});
    w.desktop.sim().setTrusted(false);
    w.open(SettingsTab::General);
    EXPECT_EQ(w.find<QPushButton>("recorder")->text(), "Alt+Space");
    // No Dock to hide.
    EXPECT_EQ(w.window.view()->findChild<QCheckBox*>("hideDock"), nullptr);
    const auto texts = [&] {
        QStringList all;
        for (const QLabel* label : w.window.view()->findChildren<QLabel*>()) all << label->text();
        return all.join(u'\n');
    };
    EXPECT_TRUE(
        texts().contains("Switches to Outline while Reduce Transparency or Increase "
                         "Contrast is on in your desktop's accessibility settings."));
    EXPECT_FALSE(texts().contains("macOS"));
    // Nothing to ask for: the row says why instead of offering a button.
    auto* row = w.find<PermissionRow>("accessibilityRow");
    EXPECT_EQ(row->text(),
              "Accessibility not allowed\nNeeded to list window titles and bring up "
              "one window. " +
                  *linux.accessibilityHelp());
    EXPECT_TRUE(row->findChild<QPushButton*>("allow")->isHidden());
}

TEST(LoginItemToggle, ShowsTheSystemsAnswerNotTheClick) {
    for (bool approval : {true, false}) {
        TestDesktop desktop(approval ? R"({"loginItemNeedsApproval": true})" : "{}");
        LoginItemToggle toggle(desktop.platform());
        toggle.toggle()->click();
        EXPECT_EQ(desktop.sim().actions().back(), "login-item on");
        EXPECT_EQ(toggle.toggle()->isChecked(), !approval);
        EXPECT_EQ(toggle.note(),
                  approval ? "Allow Tandri in System Settings → General → Login Items." : "");
        toggle.toggle()->click();
        EXPECT_FALSE(toggle.toggle()->isChecked());
    }
    {
        // A folder that cannot be made: the reason shows, and the toggle stays off.
        QTemporaryDir root;
        QFile blocker(root.filePath("autostart"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        XdgAutostart autostart(root.filePath("autostart"), {}, "/usr/bin/tandri");
        TestDesktop desktop;
        Platform platform = replacing(desktop.platform(), {.loginItems = &autostart});
        LoginItemToggle toggle(platform);
        toggle.toggle()->click();
        EXPECT_FALSE(toggle.toggle()->isChecked());
        EXPECT_EQ(toggle.note(),
                  QStringLiteral("Cannot create the folder %1.").arg(root.filePath("autostart")));
    }
}

}  // namespace
}  // namespace tandri::test
